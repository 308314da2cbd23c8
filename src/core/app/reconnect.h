#pragma once
#include <cstdint>
#include <string>

#include "sockets/socket_events.h"

namespace dx {
class LinkAlerts;
class NodeLink;
class Platform;
class Watchdog;
struct MonitorModel;

// Connecting again after the link is lost, for a monitor left running unattended: when the
// operator asked for it, a link that closes, fails or is refused is tried again after a wait,
// doubled after each failed try up to ten times the first, and back to the first once a link has
// stayed up for a minute. A node silent long enough to turn the watchdog red is given up too: a
// host that vanished without closing the link, or a node that took the link and never sent,
// would otherwise hold it for good. Without a first wait the link events and the watchdog's
// ticks pass straight to the node link and the watchdog. Either way, a link lost and a link back
// are told to the desktop's alerts, with the next try when one is planned.
class Reconnect {
  public:
    static constexpr int kSteadyMs = 60000;  // a link up this long has recovered
    static constexpr int kLongestFactor = 10;

    Reconnect(NodeLink& link, Watchdog& watchdog, LinkAlerts& alerts, Platform& platform,
              MonitorModel& monitor)
        : link_(link), watchdog_(watchdog), alerts_(alerts), platform_(platform), monitor_(monitor) {}

    // The first wait in seconds; 0 (as at start) never connects again.
    void setFirstWait(int seconds);

    // The link's events and the operator's Connect, each passed on to the node link.
    void onConnected();
    void onClosedByPeer();
    void onError(const std::string& description);
    // Connect pressed: a try waiting for its time is made now.
    void connectNow();

    // The timers' ticks.
    void onTryDue();
    void onSteady();
    void onWatchdogTick();

  private:
    // Plans the next try, if the operator asked for tries, and tells the alerts.
    void linkLost(LinkDownReason why, const std::string& detail = {});

    NodeLink& link_;
    Watchdog& watchdog_;
    LinkAlerts& alerts_;
    Platform& platform_;
    MonitorModel& monitor_;
    int first_ = 0;
    int wait_ = 0;     // for the next loss
    int planned_ = 0;  // of the try that waits
    bool waiting_ = false;
};

}  // namespace dx
