#pragma once
#include <cstdint>
#include <string>

#include "wire/outcome.h"
#include "wire/sentences.h"

namespace dx {
struct ConnectionsModel;
class Grid;
struct PortRows;
class Recognition;
struct TrafficRows;

// The traffic lines of the sockets under watch ("^ZQ70^") and the link time ("^ZQ65").
class Traffic {
  public:
    Traffic(Grid& grid, Recognition& recognition, const PortRows& ports, TrafficRows& trafficRows,
            ConnectionsModel& connects)
        : grid_(grid),
          recognition_(recognition),
          ports_(ports),
          trafficRows_(trafficRows),
          connects_(connects) {}

    // Classifies a socket's traffic line and answers it for the pane, in black, behind the
    // socket's call (nothing for the monitored socket). A line that is no socket's, or one before
    // the first socket record, goes to the pane as it came, head and all.
    wire::Outcome onTrafficLine(const wire::TrafficLine& line);
    // Shows the link time in its box; nothing goes to the pane. A link time not yet whole stops
    // the cutting: it waits, with everything behind it, for the next arrival.
    wire::Outcome onLinkTime(const wire::LinkTime& linkTime);

  private:
    Grid& grid_;
    Recognition& recognition_;
    const PortRows& ports_;
    TrafficRows& trafficRows_;
    ConnectionsModel& connects_;
};

}  // namespace dx
