#pragma once
#include <cstdint>
#include <string>

#include "wire/outcome.h"
#include "wire/sentences.h"

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

    std::int32_t lastCallRow = 0;
    std::int32_t probe = 0;

    // Handles one table sentence, "^ZQ60" or "^ZQ66": makes the socket's row and applies the
    // record's fields. Nothing goes to the pane.
    wire::Outcome onSocketRecord(const wire::SocketRecord& record);
    void applyRecordField(const wire::SocketRecord& record, std::int32_t k);

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
