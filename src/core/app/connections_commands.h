#pragma once
#include <cstdint>

namespace dx {
class SpotDelay;
struct ConnectionsModel;
class Grid;
struct MonitorModel;
class NodeLink;
class NodeSender;
class Platform;
struct SettingsModel;
class SocketTable;
class StatusSentences;
class WindowLoader;

// What the connections window does when the operator acts on it.
class ConnectionsCommands {
  public:
    ConnectionsCommands(NodeLink& link, SocketTable& table, const StatusSentences& status, Grid& grid,
                        SpotDelay& spotDelay, WindowLoader& loader, NodeSender& sender, Platform& platform,
                        MonitorModel& monitor, ConnectionsModel& connects, SettingsModel& settings)
        : link_(link),
          table_(table),
          status_(status),
          grid_(grid),
          spotDelay_(spotDelay),
          loader_(loader),
          sender_(sender),
          platform_(platform),
          monitor_(monitor),
          connects_(connects),
          settings_(settings) {}

    // Marks every user row as watched again and asks the node for all traffic anew.
    void rescan();
    // Turns every latest-version mark back into the older-version mark.
    void resetGreen();
    // A click on socket i's call cell: the monitor window follows that socket.
    void callClick(std::int32_t i);
    void scrollLeft();
    void scrollRight();
    void configuration();
    void about();
    // The window is closed: its rows go and the program ends.
    void close();

  private:
    NodeLink& link_;
    SocketTable& table_;
    const StatusSentences& status_;
    Grid& grid_;
    SpotDelay& spotDelay_;
    WindowLoader& loader_;
    NodeSender& sender_;
    Platform& platform_;
    MonitorModel& monitor_;
    ConnectionsModel& connects_;
    SettingsModel& settings_;
};

}  // namespace dx
