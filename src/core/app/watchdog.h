#pragma once
#include <cstdint>

namespace dx {
struct ConnectionsModel;
class Platform;

// The node link's receive watchdog: ticks every 65 s once a link is up, and turns the
// connections window red at the sixth tick with no data in between, when the node has been silent
// for between 325 and 390 s. The red stays, and the watchdog rests, until the next link is up,
// even when the node sends again.
class Watchdog {
  public:
    static constexpr int kTickMs = 65000;

    Watchdog(Platform& platform, ConnectionsModel& connects) : platform_(platform), connects_(connects) {}

    // Ticks since the last data arrived; every arrival sets it back to 0.
    std::int32_t idleTicks = 0;
    // Data arrived on the link that is up. Answers true when it ends a silence found on this link:
    // the node sends again.
    bool heard();
    bool running() const { return running_; }
    // The node has been silent too long on the link now up: from the tick that turned the
    // window red until the node sends again or the next link is up.
    bool silent() const { return silent_; }

    // Answers true at the tick that turns the window red: the node has been silent too long.
    bool onTick();
    // Starts the ticks; a watchdog already running keeps its phase.
    void enable();

  private:
    Platform& platform_;
    ConnectionsModel& connects_;
    bool running_ = false;
    bool silent_ = false;
};

}  // namespace dx
