#pragma once
#include <cstdint>

namespace dx {
struct ConnectsWindow;
struct MonitorWindow;
class NodeSender;
class Platform;

// The operator's command line and the two timers of the connections window: the receive
// watchdog and the delay that arms the DX-spot rule.
class CommandLine {
  public:
    static constexpr int kKeepAliveMs = 65000;
    static constexpr int kDxDeMs = 45000;
    static constexpr int kEnter = 13;

    CommandLine(NodeSender& sender, Platform& platform, MonitorWindow& monitor, ConnectsWindow& connects)
        : sender_(sender), platform_(platform), monitor_(monitor), connects_(connects) {}

    std::int32_t IdleTicks = 0;
    bool DxDeArmed = false;
    bool keepAliveEnabled() const { return keepAliveOn_; }
    bool dxDeEnabled() const { return dxDeOn_; }

    // A key pressed in the monitor window's Text1; answers true when the key is swallowed.
    bool Text1KeyPress(int key);
    void OnKeepAliveTick();
    void OnDxDeTick();
    void EnableWatchdog();
    // Disables the DX-spot timer and enables it again, so its interval starts anew.
    void RestartDxDe();

  private:
    NodeSender& sender_;
    Platform& platform_;
    MonitorWindow& monitor_;
    ConnectsWindow& connects_;
    bool keepAliveOn_ = false;
    bool dxDeOn_ = false;
};

}  // namespace dx
