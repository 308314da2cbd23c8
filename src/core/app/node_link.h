#pragma once
#include <string>

namespace dx {
class ConfigFile;
struct ConnectionsModel;
class Grid;
struct MonitorModel;
class NodeSender;
class Platform;
class Screens;
class SocketEvents;
class SocketTable;
class Statistics;
class StatusSentences;
class Watchdog;
class WindowLoader;

// Start-up, the node connection's own events and the end of the program.
class NodeLink {
  public:
    NodeLink(ConfigFile& config, StatusSentences& status, WindowLoader& loader, Screens& screens,
             SocketTable& table, Statistics& statistics, SocketEvents& events, Grid& grid, Watchdog& watchdog,
             NodeSender& sender, Platform& platform, MonitorModel& monitor, ConnectionsModel& connects)
        : config_(config),
          status_(status),
          loader_(loader),
          screens_(screens),
          table_(table),
          statistics_(statistics),
          events_(events),
          grid_(grid),
          watchdog_(watchdog),
          sender_(sender),
          platform_(platform),
          monitor_(monitor),
          connects_(connects) {}

    // The monitor window's load: places it, reads the configuration, shows the connections window.
    void startUp();
    // The Connect button: clears the grid of the last connection and starts a new one.
    void connectToNode();
    void onConnected();
    void onClosedByPeer();
    void onError(const std::string& description);
    // Closes a link whose node has been silent too long.
    void giveUpSilentLink();
    // The monitor window is closed: waits for the link to close, then ends the program.
    void monitorUnload();
    void endProgram();

  private:
    ConfigFile& config_;
    StatusSentences& status_;
    WindowLoader& loader_;
    Screens& screens_;
    SocketTable& table_;
    Statistics& statistics_;
    SocketEvents& events_;
    Grid& grid_;
    Watchdog& watchdog_;
    NodeSender& sender_;
    Platform& platform_;
    MonitorModel& monitor_;
    ConnectionsModel& connects_;
    bool ended_ = false;
};

}  // namespace dx
