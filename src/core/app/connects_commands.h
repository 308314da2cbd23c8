#pragma once
#include <cstdint>

namespace dx {
class Core;

// What the connections window does when the operator acts on it.
class ConnectsCommands {
  public:
    explicit ConnectsCommands(Core& core) : core_(core) {}

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
    Core& core_;
};

}  // namespace dx
