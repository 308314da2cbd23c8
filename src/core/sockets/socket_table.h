#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace dx {
class SpotDelay;
struct ConnectionsModel;
class Grid;
struct MonitorModel;
class NodeSender;
struct PortRows;
class Release;
class Statistics;

// The socket table: the records "^ZQ60" (the monitored socket) and "^ZQ66" (any socket), kept
// in the rows of the connections grid and, for the monitored socket, in the monitor window.
class SocketTable {
  public:
    SocketTable(Grid& grid, Release& release, Statistics& statistics, SpotDelay& spotDelay,
                NodeSender& sender, PortRows& ports, MonitorModel& monitor, ConnectionsModel& connects)
        : grid_(grid),
          release_(release),
          statistics_(statistics),
          spotDelay_(spotDelay),
          sender_(sender),
          ports_(ports),
          monitor_(monitor),
          connects_(connects) {}

    std::vector<std::string> recordFields;
    std::int16_t recordSocket = 0;
    std::int32_t lastCallRow = 0;
    bool recordIsMonitoredSocket = false;
    std::int32_t probe = 0;

    // Handles one table sentence, "^ZQ60" or "^ZQ66"; answers the text to show in its place
    // (always empty).
    std::string onSocketRecord(const std::string& sentence);
    void applyRecordField(std::int32_t k);

  private:
    Grid& grid_;
    Release& release_;
    Statistics& statistics_;
    SpotDelay& spotDelay_;
    NodeSender& sender_;
    PortRows& ports_;
    MonitorModel& monitor_;
    ConnectionsModel& connects_;
};

}  // namespace dx
