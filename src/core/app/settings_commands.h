#pragma once

namespace dx {
class ConfigFile;
struct SettingsModel;

// The settings window's "Apply" and "Exit".
class SettingsCommands {
  public:
    SettingsCommands(ConfigFile& config, SettingsModel& settings) : config_(config), settings_(settings) {}

    // Takes the address as typed and the port by its leading number, and saves the whole
    // configuration. The link is not touched: the next Connect uses them.
    void apply();
    void exit();

  private:
    ConfigFile& config_;
    SettingsModel& settings_;
};

}  // namespace dx
