#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "common/colour.h"

namespace dx {
struct ConnectionsModel;
class Grid;
struct MonitorModel;
struct PortRows;
class Recognition;

// The node's status sentences that the dispatcher handles itself: the blue and red text lines
// (with the keep-alive version), the port strip, the high-water marks and the start time.
class StatusSentences {
  public:
    // A box number above this is a fault of its sentence: no node listens on a thousand ports.
    static constexpr std::int32_t kMaxPortBox = 1000;

    StatusSentences(Grid& grid, Recognition& recognition, PortRows& ports, MonitorModel& monitor,
                    ConnectionsModel& connects)
        : grid_(grid), recognition_(recognition), ports_(ports), monitor_(monitor), connects_(connects) {}

    std::vector<Colour> portBoxColours{0, 0};

    // Each takes the piece (head included) and leaves in it what the output stage is to write.
    // Answers true when the piece goes on to the output stage.
    bool onToMonitoredSocketLine(std::string& piece);    // "^ZQ62"
    void onFromMonitoredSocketLine(std::string& piece);  // "^ZQ63", the keep-alive among them
    void onPortBoxText(const std::string& piece);        // "^ZQ80"
    void onPortBoxColour(const std::string& piece);      // "^ZQ81"
    void onAllTimeHighWater(const std::string& piece);   // "^ZQ90"
    void onSessionHighWater(const std::string& piece);   // "^ZQ91"
    void onNodeStartTime(const std::string& piece);      // "^ZQ92"

  private:
    void growPortStrip(std::int32_t n, const std::string* tip, bool setPortCount);

    Grid& grid_;
    Recognition& recognition_;
    PortRows& ports_;
    MonitorModel& monitor_;
    ConnectionsModel& connects_;
};

}  // namespace dx
