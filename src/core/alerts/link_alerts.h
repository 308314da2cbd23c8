#pragma once
#include <optional>
#include <string>

#include "common/alert_settings.h"
#include "sockets/socket_events.h"

namespace dx {
struct ConfigValues;
class Platform;

// Tells the desktop when the link to the node is lost and when it is back: one notification each.
// A link lost is told once; while the tries to connect again keep failing nothing more is told,
// until the link has been up again. The operator's own Connect, and the program's end, are not
// losses: the operator is there to see them.
class LinkAlerts {
  public:
    LinkAlerts(const ConfigValues& config, const AlertSettings& settings, Platform& platform)
        : config_(config), settings_(settings), platform_(platform) {}

    void linkUp();
    // The link is lost, or the node has been silent so long that the watchdog gave up on it:
    // `why` (closed, an error and the socket layer's `detail`, silence), and in how many seconds
    // the next try to connect is made, when one is planned.
    void linkLost(LinkDownReason why, const std::string& detail, std::optional<int> nextTrySeconds);
    // The node sends again on a link kept open after its silence was told: it is back.
    void nodeSendsAgain();
    // Connect pressed: what happens to the link now the operator sees.
    void connectPressed();

  private:
    // The link is back: told when its loss was, with how long ago between `before` and `after`.
    void tellBack(const char* before, const char* after);

    const ConfigValues& config_;
    const AlertSettings& settings_;
    Platform& platform_;
    bool upSinceTold_ = false;         // the link has been up since the last loss told
    std::optional<UtcTime> toldLost_;  // a loss told, and the link not up since
};

}  // namespace dx
