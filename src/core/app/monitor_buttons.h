#pragma once

namespace dx {
struct MonitorWindow;
class NodeSender;
class SocketTable;

// The monitor window's "Clear" and "Auto" buttons ("Reset Screens" is the Screens' own).
class MonitorButtons {
  public:
    MonitorButtons(SocketTable& table, NodeSender& sender, MonitorWindow& monitor)
        : table_(table), sender_(sender), monitor_(monitor) {}

    void Clear();
    // Hands the choice of the shown socket back to the node; only while the link is up.
    void Auto();

  private:
    SocketTable& table_;
    NodeSender& sender_;
    MonitorWindow& monitor_;
};

}  // namespace dx
