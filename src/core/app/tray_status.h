#pragma once
#include <cstdint>
#include <string>

namespace dx {
struct ConfigValues;
struct ConnectionsModel;
struct MonitorModel;
class SocketEvents;
class Statistics;
class TrayModel;
class Watchdog;

// Keeps the tray icon's view up to date: the link's state (down, up, or up and silent as the
// watchdog found it), the configured node and the header's counts. Run after every event; a
// refresh that finds nothing changed costs a few comparisons and leaves the view's stamp alone.
class TrayStatus {
  public:
    TrayStatus(const Statistics& statistics, const SocketEvents& events, const Watchdog& watchdog,
               const ConfigValues& config, MonitorModel& monitor, ConnectionsModel& connects, TrayModel& tray)
        : statistics_(statistics),
          events_(events),
          watchdog_(watchdog),
          config_(config),
          monitor_(monitor),
          connects_(connects),
          tray_(tray) {}

    void refresh();
    // A click on the tray icon: the monitor and connections windows come to the front, out of
    // the taskbar when minimised.
    void raiseWindows();

  private:
    const Statistics& statistics_;
    const SocketEvents& events_;
    const Watchdog& watchdog_;
    const ConfigValues& config_;
    MonitorModel& monitor_;
    ConnectionsModel& connects_;
    TrayModel& tray_;
    // The address and port the node's name was last made from.
    std::string host_;
    std::int32_t port_ = -1;
};

}  // namespace dx
