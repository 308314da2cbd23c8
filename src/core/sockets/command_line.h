#pragma once
#include <cstdint>

namespace dx {
struct ConnectionsModel;
struct MonitorModel;
class NodeSender;
class Platform;

// The operator's command line and the two timers of the connections window: the receive
// watchdog and the delay that arms the DX-spot rule.
class CommandLine {
  public:
    static constexpr int kKeepAliveMs = 65000;
    static constexpr int kDxDeMs = 45000;
    static constexpr int kEnter = 13;

    CommandLine(NodeSender& sender, Platform& platform, MonitorModel& monitor, ConnectionsModel& connects)
        : sender_(sender), platform_(platform), monitor_(monitor), connects_(connects) {}

    std::int32_t idleTicks = 0;
    bool dxDeArmed = false;
    bool keepAliveEnabled() const { return keepAliveOn_; }
    bool dxDeEnabled() const { return dxDeOn_; }

    // A key pressed in the monitor window's command line; answers true when the key is swallowed.
    bool onCommandLineKey(int key);
    // Answers true at the tick that turns the window red: the node has been silent too long.
    bool onKeepAliveTick();
    void onDxDeTick();
    void enableWatchdog();
    // Disables the DX-spot timer and enables it again, so its interval starts anew.
    void restartDxDe();

  private:
    NodeSender& sender_;
    Platform& platform_;
    MonitorModel& monitor_;
    ConnectionsModel& connects_;
    bool keepAliveOn_ = false;
    bool dxDeOn_ = false;
};

}  // namespace dx
