#pragma once

namespace dx {
class ConfigFile;
struct SettingsWindow;

// The settings window's "Apply" and "Exit".
class SettingsCommands {
  public:
    SettingsCommands(ConfigFile& config, SettingsWindow& settings) : config_(config), settings_(settings) {}

    // Takes the address as typed and the port by its leading number, and saves the whole
    // configuration. The link is not touched: the next Connect uses them.
    void Apply();
    void Exit();

  private:
    ConfigFile& config_;
    SettingsWindow& settings_;
};

}  // namespace dx
