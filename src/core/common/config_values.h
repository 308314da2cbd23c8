#pragma once
#include <cstdint>
#include <string>

namespace dx {

// The values `Monitor.cfg` keeps besides the window places: what the parts that read or change
// them hold, without the file itself.
struct ConfigValues {
    std::string RemoteHost = "127.0.0.1";
    std::int32_t RemotePort = 99;
    std::string KelLatestVersion;
    // The last "FormConnectsWidth" read, applied when the connections window loads.
    std::int32_t ConnectsWidth = 0;
    // Whether the last LoadConfig found a file at all, and whether it named that width.
    bool FileRead = false;
    bool ConnectsWidthRead = false;
};

// Writes the configuration out whole, for a part that changed a value worth keeping.
class ConfigSaver {
  public:
    // Answers false when it could not (the old file then stays whole).
    virtual bool SaveConfig() = 0;

  protected:
    ~ConfigSaver() = default;
};

}  // namespace dx
