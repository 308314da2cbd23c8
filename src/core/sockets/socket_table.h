#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace dx {
class Core;

// The socket table: the records "^ZQ60" (the monitored socket) and "^ZQ66" (any socket), kept
// in the rows of the connections grid and, for the monitored socket, in the monitor window.
class SocketTable {
  public:
    explicit SocketTable(Core& core) : core_(core) {}

    std::vector<std::string> RecordFields;
    std::int16_t RecordSocket = 0;
    std::int32_t LastCallRow = 0;
    std::int32_t HiddenRowLimit = 0;
    bool ZQ60True = false;
    bool AutoMode = false;
    std::int32_t probe = 0;

    // Handles one table sentence; answers the text to show in its place (always empty).
    std::string HandleSocketRecord(const std::string& sentence);
    void ApplyRecordField(std::int32_t k);
    static bool ColourByCall(const std::string& callsgn);

  private:
    Core& core_;
};

}  // namespace dx
