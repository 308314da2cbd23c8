#pragma once
#include <cstdint>
#include <string>

#include "common/colour.h"
#include "common/view.h"
#include "views/user_kind.h"

namespace dx {

// The link to the node as the tray icon tells it at a glance.
enum class LinkState : std::uint8_t {
    Down,    // not connected: never yet, lost, or a try under way
    Up,      // connected, and the node heard within the watchdog's time
    Silent,  // connected, but the node silent for about six minutes (the window red) and not heard since
};

namespace colours {
// The tray icon's colour for each state: green while the node is heard; the red of the pane's
// "link is down" lines while there is no link; amber while the link is up but silent (the
// connections window is red then, the icon set apart from a link that is down).
inline constexpr Colour kTrayUp = rgb(0x00C000);
inline constexpr Colour kTrayDown = rgb(0xE00000);
inline constexpr Colour kTraySilent = rgb(0xFFB000);
}  // namespace colours

constexpr Colour trayColour(LinkState state) {
    switch (state) {
        case LinkState::Up:
            return colours::kTrayUp;
        case LinkState::Silent:
            return colours::kTraySilent;
        case LinkState::Down:
            break;
    }
    return colours::kTrayDown;
}

// What the tray icon shows, as data: the link's state, the node it is to (its configured
// address and port) and the users online by the header's kinds. Every change takes a new stamp.
class TrayModel : public Stamped {
  public:
    LinkState state() const { return state_; }
    const std::string& node() const { return node_; }
    const HeaderCounts& users() const { return users_; }

    void setState(LinkState v) { set(state_, v); }
    void setNode(std::string v) { set(node_, std::move(v)); }
    void setUsers(const HeaderCounts& v) { set(users_, v); }

  private:
    LinkState state_ = LinkState::Down;
    std::string node_;
    HeaderCounts users_;
};

// The tray icon's tool tip, lines apart by "\n": the program and the node, the link's state and,
// while there is a link, the users by the header's names for their kinds, e.g.
//   dxmonitor: node 1.2.3.4:7300
//   Link up
//   Users 12: Yes (KEL) 8, latest 5, older 2, unknown 1
//   No (without KEL) 3, Node 1, Unk 0, nocall 2
// Bytes, as the node's texts are (the desktop shows them as Latin-1).
std::string trayToolTip(const TrayModel& tray);

}  // namespace dx
