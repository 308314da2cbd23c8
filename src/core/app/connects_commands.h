#pragma once
#include <cstdint>

namespace dx {
class CommandLine;
struct ConnectsWindow;
class Grid;
struct MonitorWindow;
class NodeLink;
class NodeSender;
class Platform;
struct SettingsWindow;
class SocketTable;
class StatusSentences;
class WindowLoader;

// What the connections window does when the operator acts on it.
class ConnectsCommands {
  public:
    ConnectsCommands(NodeLink& link, SocketTable& table, const StatusSentences& status, Grid& grid,
                     CommandLine& commands, WindowLoader& loader, NodeSender& sender, Platform& platform,
                     MonitorWindow& monitor, ConnectsWindow& connects, SettingsWindow& settings)
        : link_(link),
          table_(table),
          status_(status),
          grid_(grid),
          commands_(commands),
          loader_(loader),
          sender_(sender),
          platform_(platform),
          monitor_(monitor),
          connects_(connects),
          settings_(settings) {}

    // Marks every user row as watched again and asks the node for all traffic anew.
    void Rescan();
    // Turns every latest-version mark back into the older-version mark.
    void ResetGreen();
    // A click on socket i's call cell: the monitor window follows that socket.
    void CallClick(std::int32_t i);
    void ScrollLeft();
    void ScrollRight();
    void Configuration();
    void About();
    // The window is closed: its rows go and the program ends.
    void Close();

  private:
    NodeLink& link_;
    SocketTable& table_;
    const StatusSentences& status_;
    Grid& grid_;
    CommandLine& commands_;
    WindowLoader& loader_;
    NodeSender& sender_;
    Platform& platform_;
    MonitorWindow& monitor_;
    ConnectsWindow& connects_;
    SettingsWindow& settings_;
};

}  // namespace dx
