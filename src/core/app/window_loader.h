#pragma once

namespace dx {
struct ConfigValues;
struct ConnectsWindow;
struct SettingsWindow;
struct TrafficRows;

// A window comes into being the first time anything touches it; its load runs then.
class WindowLoader {
  public:
    WindowLoader(ConnectsWindow& connects, SettingsWindow& settings, const ConfigValues& config,
                 TrafficRows& trafficRows)
        : connects_(connects), settings_(settings), config_(config), trafficRows_(trafficRows) {}

    void EnsureConnectsLoaded();
    void EnsureSettingsLoaded();

  private:
    ConnectsWindow& connects_;
    SettingsWindow& settings_;
    const ConfigValues& config_;
    TrafficRows& trafficRows_;
};

}  // namespace dx
