#pragma once
#include <cstdint>
#include <vector>

#include "views/user_kind.h"

namespace dx {
struct ConnectionsModel;
class SocketEvents;
class Grid;
struct MonitorModel;
struct TrafficRows;

// The header counters of the connections window, counted from the verdicts of the rows
// 1 to lastGridRow, and the width of the call field in traffic lines.
//
// The counts are kept row by row: a count looks again only at the rows touched since the last one,
// and ends exactly where a walk over every row would (`walkEveryRow` makes it do that walk).
class Statistics {
  public:
    using Counts = HeaderCounts;

    Statistics(Grid& grid, TrafficRows& trafficRows, SocketEvents& events, MonitorModel& monitor,
               ConnectionsModel& connects)
        : grid_(grid), trafficRows_(trafficRows), events_(events), monitor_(monitor), connects_(connects) {}

    void countClientVersions();
    // Every row of the grid has been removed (a new connection): no socket counts any more. The
    // header keeps what it shows until the next count.
    void rowsRemoved();
    bool walkEveryRow = false;
    const Counts& counts() const { return counts_; }
    // How the last count counted a row (None beyond the rows it counted).
    UserKind countedAs(std::int32_t row) const;

  private:
    UserKind categorise(std::int32_t row);
    void add(UserKind c, int by);
    void walk();
    void incremental();
    void widen(std::int32_t row);
    void followMonitoredRow();
    void writeHeader();
    // Tells the events how row i now counts.
    void report(std::int32_t i, UserKind kind);

    Grid& grid_;
    TrafficRows& trafficRows_;
    SocketEvents& events_;
    MonitorModel& monitor_;
    ConnectionsModel& connects_;
    Counts counts_;
    std::vector<UserKind> category_;
    std::int32_t counted_ = 0;  // the lastGridRow of the last count
};

}  // namespace dx
