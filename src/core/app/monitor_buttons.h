#pragma once

namespace dx {
struct MonitorModel;
class NodeSender;

// The monitor window's commands: the operator's command line, and the "Clear" and "Auto" buttons
// ("Reset Screens" is the Screens' own).
class MonitorButtons {
  public:
    MonitorButtons(NodeSender& sender, MonitorModel& monitor) : sender_(sender), monitor_(monitor) {}

    static constexpr int kEnter = 13;

    // A key pressed in the command line; answers true when the key is swallowed. Enter sends the
    // line to the node exactly as typed (an empty line sends nothing) and empties the box.
    bool onCommandLineKey(int key);
    void clearPane();
    // Hands the choice of the shown socket back to the node; only while the link is up.
    void toggleAuto();

  private:
    NodeSender& sender_;
    MonitorModel& monitor_;
};

}  // namespace dx
