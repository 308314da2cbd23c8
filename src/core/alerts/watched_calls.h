#pragma once
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/alert_settings.h"
#include "common/colour.h"
#include "sockets/socket_events.h"

namespace dx {
struct ConfigValues;
class Platform;
class WatchList;

// Tells the operator when a watched call comes to the node or leaves it: a line in the pane in a
// colour of its own every time, and a notification on the desktop, at most one per call and way
// (come, gone) in five minutes, so that a user whose client reconnects in a loop does not flood
// the desktop. Users already on the node when the link comes up are named together in one line,
// without a notification: nothing happened to them.
class WatchedCalls : public SocketObserver {
  public:
    static constexpr Colour kColour = rgb(0xE07000);  // orange
    static constexpr std::chrono::minutes kQuietTime{5};

    WatchedCalls(const WatchList& list, const AlertSettings& settings, const ConfigValues& config,
                 Platform& platform)
        : list_(list), settings_(settings), config_(config), platform_(platform) {}

    void userArrived(const UserArrived& e, PaneNotes& notes) override;
    void userChanged(const UserChanged& e, PaneNotes& notes) override;
    void userLeft(const UserLeft& e, PaneNotes& notes) override;
    void linkUp(const LinkUp& e, PaneNotes& notes) override;
    void linkDown(const LinkDown& e, PaneNotes& notes) override;
    void arrivalHandled(PaneNotes& notes) override;

    // Forgets what it knew of the users' stays and of the link: they are followed anew from now
    // on, and of those on the node now it is not known how long they have been there.
    void forget();

  private:
    enum class Way : std::uint8_t { Came, Went };
    // Since when a socket's user has been on the node, as far as the program knows.
    struct Stay {
        UtcTime since{};
        enum : std::uint8_t { Unknown, Since, AtLeast } known = Unknown;
    };

    void came(const User& user, UtcTime at, PaneNotes& notes);
    void went(std::int16_t socket, const std::string& call, UtcTime at, PaneNotes& notes);
    // Whether a notification of `call` going `way` is due: none in the last five minutes.
    bool due(Way way, const std::string& call, UtcTime at);
    Stay& stayOn(std::int16_t socket);

    const WatchList& list_;
    const AlertSettings& settings_;
    const ConfigValues& config_;
    Platform& platform_;
    std::optional<UtcTime> upSince_;         // when the link came up, when that was heard
    std::vector<Stay> stays_;                // by socket
    std::vector<std::string> alreadyThere_;  // watched calls of the opening, to be named together
    // The last notification of each call, by way; only those of the last five minutes matter.
    std::unordered_map<std::string, UtcTime> lastNotice_[2];
    // Past this many calls remembered, those whose five minutes are over are let go.
    static constexpr std::size_t kRemembered = 256;
    std::size_t pruneAt_[2] = {kRemembered, kRemembered};
};

}  // namespace dx
