#pragma once

namespace dx {
struct MonitorModel;
class NodeSender;

// The monitor window's "Clear" and "Auto" buttons ("Reset Screens" is the Screens' own).
class MonitorButtons {
  public:
    MonitorButtons(NodeSender& sender, MonitorModel& monitor) : sender_(sender), monitor_(monitor) {}

    void clearPane();
    // Hands the choice of the shown socket back to the node; only while the link is up.
    void toggleAuto();

  private:
    NodeSender& sender_;
    MonitorModel& monitor_;
};

}  // namespace dx
