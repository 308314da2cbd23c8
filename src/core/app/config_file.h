#pragma once
#include <cstdint>
#include <string>

namespace dx {
class Core;

// `Monitor.cfg`: the node's address and port, the latest KEL client version seen and the places
// of the three windows, as fifteen "key",value records.
class ConfigFile {
  public:
    explicit ConfigFile(Core& core) : core_(core) {}

    std::string RemoteHost = "127.0.0.1";
    std::int32_t RemotePort = 99;
    std::string KelLatestVersion;
    // The last "FormConnectsWidth" read, applied when the connections window loads.
    std::int32_t ConnectsWidth = 0;
    // Whether the last LoadConfig found a file at all, and whether it named that width.
    bool FileRead = false;
    bool ConnectsWidthRead = false;

    void LoadConfig();
    // Writes the file whole; answers false when it could not (the old file then stays whole, and
    // the pane says why in red).
    bool SaveConfig();
    // The fifteen records as SaveConfig writes them.
    std::string Render() const;

    static std::string DotDecimal(std::string text);

  private:
    void applyRecord(const std::string& key, const std::string& value);

    Core& core_;
    bool busy_ = false;
};

}  // namespace dx
