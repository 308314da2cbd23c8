#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace dx {
class CommandLine;
struct ConnectsWindow;
class Grid;
struct MonitorWindow;
class NodeSender;
struct PortRows;
class Release;
class Statistics;

// The socket table: the records "^ZQ60" (the monitored socket) and "^ZQ66" (any socket), kept
// in the rows of the connections grid and, for the monitored socket, in the monitor window.
class SocketTable {
  public:
    SocketTable(Grid& grid, Release& release, Statistics& statistics, CommandLine& commands,
                NodeSender& sender, PortRows& ports, MonitorWindow& monitor, ConnectsWindow& connects)
        : grid_(grid),
          release_(release),
          statistics_(statistics),
          commands_(commands),
          sender_(sender),
          ports_(ports),
          monitor_(monitor),
          connects_(connects) {}

    std::vector<std::string> RecordFields;
    std::int16_t RecordSocket = 0;
    std::int32_t LastCallRow = 0;
    bool ZQ60True = false;
    bool AutoMode = false;
    std::int32_t probe = 0;

    // Handles one table sentence; answers the text to show in its place (always empty).
    std::string HandleSocketRecord(const std::string& sentence);
    void ApplyRecordField(std::int32_t k);
    static bool ColourByCall(const std::string& callsgn);

  private:
    Grid& grid_;
    Release& release_;
    Statistics& statistics_;
    CommandLine& commands_;
    NodeSender& sender_;
    PortRows& ports_;
    MonitorWindow& monitor_;
    ConnectsWindow& connects_;
};

}  // namespace dx
