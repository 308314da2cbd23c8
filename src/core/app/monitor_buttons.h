#pragma once

namespace dx {
class Core;

// The monitor window's "Clear" and "Auto" buttons ("Reset Screens" is the Screens' own).
class MonitorButtons {
  public:
    explicit MonitorButtons(Core& core) : core_(core) {}

    void Clear();
    // Hands the choice of the shown socket back to the node; only while the link is up.
    void Auto();

  private:
    Core& core_;
};

}  // namespace dx
