#pragma once
#include <string>

namespace dx {
class Grid;
struct MonitorModel;
class NodeSender;
class Statistics;

// Makes a verdict final: the node stops sending the socket's traffic, its port text turns black,
// the counters are refreshed and the monitor window's boxes follow when it shows that socket.
class Release {
  public:
    Release(Grid& grid, Statistics& statistics, NodeSender& sender, MonitorModel& monitor)
        : grid_(grid), statistics_(statistics), sender_(sender), monitor_(monitor) {}

    void releaseSocketWatch(const std::string& socketText);

  private:
    Grid& grid_;
    Statistics& statistics_;
    NodeSender& sender_;
    MonitorModel& monitor_;
};

}  // namespace dx
