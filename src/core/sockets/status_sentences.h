#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/colour.h"
#include "wire/outcome.h"
#include "wire/sentences.h"

namespace dx {
struct ConnectionsModel;
class Grid;
struct MonitorModel;
struct PortRows;
class Recognition;

// The node's status sentences: its own lines, the lines to and from the monitored socket (with
// the keep-alive version), the announcements, the port strip, the high-water marks and the start
// time.
class StatusSentences {
  public:
    // A box number above this is a fault of its sentence: no node listens on a thousand ports.
    static constexpr std::int32_t kMaxPortBox = 1000;

    StatusSentences(Grid& grid, Recognition& recognition, PortRows& ports, MonitorModel& monitor,
                    ConnectionsModel& connects)
        : grid_(grid), recognition_(recognition), ports_(ports), monitor_(monitor), connects_(connects) {}

    std::vector<Colour> portBoxColours{0, 0};

    // Each takes its sentence's value and answers what goes to the pane.
    wire::Outcome onNodeEventLine(const wire::NodeEventLine& line);                      // "^ZQ61"
    wire::Outcome onToMonitoredSocketLine(const wire::ToMonitoredSocketLine& line);      // "^ZQ62"
    wire::Outcome onFromMonitoredSocketLine(const wire::FromMonitoredSocketLine& line);  // "^ZQ63"
    wire::Outcome onBroadcastLine(const wire::BroadcastLine& line);                      // "^ZQ64"
    wire::Outcome onPortBoxText(const wire::PortBoxText& box);                           // "^ZQ80"
    wire::Outcome onPortBoxColour(const wire::PortBoxColour& box);                       // "^ZQ81"
    wire::Outcome onAllTimeHighWater(const wire::HighWaterMark& mark);                   // "^ZQ90"
    wire::Outcome onSessionHighWater(const wire::HighWaterMark& mark);                   // "^ZQ91"
    wire::Outcome onNodeStartTime(const wire::NodeStartTime& time);                      // "^ZQ92"

  private:
    void growPortStrip(std::int32_t n, const std::string_view* tip, bool setPortCount);

    Grid& grid_;
    Recognition& recognition_;
    PortRows& ports_;
    MonitorModel& monitor_;
    ConnectionsModel& connects_;
};

}  // namespace dx
