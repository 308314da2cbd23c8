#pragma once
#include <string>

#include "common/config_values.h"

namespace dx {
struct ConnectionsModel;
struct MonitorModel;
class Platform;
class Screens;
struct SettingsModel;
class WindowLoader;

// `Monitor.cfg`: the node's address and port, the latest KEL client version seen and the places
// of the three windows, as fifteen "key",value records.
class ConfigFile : public ConfigValues, public ConfigSaver {
  public:
    ConfigFile(Screens& screens, WindowLoader& loader, Platform& platform, MonitorModel& monitor,
               ConnectionsModel& connects, SettingsModel& settings)
        : screens_(screens),
          loader_(loader),
          platform_(platform),
          monitor_(monitor),
          connects_(connects),
          settings_(settings) {}

    void loadConfig();
    // Writes the file whole; answers false when it could not (the old file then stays whole, and
    // the pane says why in red). A configuration that keeps nothing skips the save.
    bool saveConfig() override;
    // The fifteen records as saveConfig writes them.
    std::string render() const;

    static std::string dotDecimal(std::string text);

  private:
    void applyRecord(const std::string& key, const std::string& value);

    Screens& screens_;
    WindowLoader& loader_;
    Platform& platform_;
    MonitorModel& monitor_;
    ConnectionsModel& connects_;
    SettingsModel& settings_;
    bool busy_ = false;
    bool toldNotKept_ = false;
};

}  // namespace dx
