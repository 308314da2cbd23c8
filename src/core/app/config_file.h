#pragma once
#include <string>

#include "common/config_values.h"

namespace dx {
struct ConnectsWindow;
struct MonitorWindow;
class Platform;
class Screens;
struct SettingsWindow;
class WindowLoader;

// `Monitor.cfg`: the node's address and port, the latest KEL client version seen and the places
// of the three windows, as fifteen "key",value records.
class ConfigFile : public ConfigValues, public ConfigSaver {
  public:
    ConfigFile(Screens& screens, WindowLoader& loader, Platform& platform, MonitorWindow& monitor,
               ConnectsWindow& connects, SettingsWindow& settings)
        : screens_(screens),
          loader_(loader),
          platform_(platform),
          monitor_(monitor),
          connects_(connects),
          settings_(settings) {}

    void LoadConfig();
    // Writes the file whole; answers false when it could not (the old file then stays whole, and
    // the pane says why in red).
    bool SaveConfig() override;
    // The fifteen records as SaveConfig writes them.
    std::string Render() const;

    static std::string DotDecimal(std::string text);

  private:
    void applyRecord(const std::string& key, const std::string& value);

    Screens& screens_;
    WindowLoader& loader_;
    Platform& platform_;
    MonitorWindow& monitor_;
    ConnectsWindow& connects_;
    SettingsWindow& settings_;
    bool busy_ = false;
};

}  // namespace dx
