#pragma once
#include <cstdint>
#include <string>

namespace dx {

// The values `Monitor.cfg` keeps besides the window places: what the parts that read or change
// them hold, without the file itself.
struct ConfigValues {
    std::string remoteHost = "127.0.0.1";
    std::int32_t remotePort = 99;
    std::string kelLatestVersion;
    // The last "FormConnectsWidth" read, applied when the connections window loads.
    std::int32_t connectsWidth = 0;
    // Whether the last loadConfig found a file at all, and whether it named that width.
    bool fileRead = false;
    bool connectsWidthRead = false;
};

// Writes the configuration out whole, for a part that changed a value worth keeping.
class ConfigSaver {
  public:
    // Answers false when it could not (the old file then stays whole).
    virtual bool saveConfig() = 0;

  protected:
    ~ConfigSaver() = default;
};

}  // namespace dx
