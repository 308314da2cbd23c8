#pragma once
#include <cstdint>
#include <string>

namespace dx {
struct ConnectionsModel;
class Grid;
struct PortRows;
class Recognition;
struct TrafficRows;

// The traffic lines of the sockets under watch ("^ZQ70^") and the link time ("^ZQ65").
class Traffic {
  public:
    // A payload longer than this is shown as its first and last kLongLineKeep characters.
    static constexpr std::size_t kLongLine = 20000;
    static constexpr std::size_t kLongLineKeep = 10000;

    Traffic(Grid& grid, Recognition& recognition, const PortRows& ports, TrafficRows& trafficRows,
            ConnectionsModel& connects)
        : grid_(grid),
          recognition_(recognition),
          ports_(ports),
          trafficRows_(trafficRows),
          connects_(connects) {}

    std::string trafficSocketText;

    // Rewrites the copy of a "^ZQ70^" sentence into the text to show (empty for none). Answers
    // whether that text is a traffic line of a socket (its payload then cut to length), rather
    // than the sentence passed on as it came.
    bool onTrafficLine(std::string& sentence);
    // Shows the link time of a "^ZQ65" sentence (head removed) and leaves in dataString what
    // follows the time field; the answer is always empty.
    std::string showLinkTime(std::string& dataString);

  private:
    Grid& grid_;
    Recognition& recognition_;
    const PortRows& ports_;
    TrafficRows& trafficRows_;
    ConnectionsModel& connects_;
};

}  // namespace dx
