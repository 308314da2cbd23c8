#pragma once

namespace dx {
struct ConfigValues;
struct ConnectionsModel;
struct SettingsModel;
struct TrafficRows;

// A window comes into being the first time anything touches it; its load runs then.
class WindowLoader {
  public:
    WindowLoader(ConnectionsModel& connects, SettingsModel& settings, const ConfigValues& config,
                 TrafficRows& trafficRows)
        : connects_(connects), settings_(settings), config_(config), trafficRows_(trafficRows) {}

    void ensureConnectionsLoaded();
    void ensureSettingsLoaded();

  private:
    ConnectionsModel& connects_;
    SettingsModel& settings_;
    const ConfigValues& config_;
    TrafficRows& trafficRows_;
};

}  // namespace dx
