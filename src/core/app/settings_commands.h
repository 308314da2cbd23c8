#pragma once

namespace dx {
class Core;

// The settings window's "Apply" and "Exit".
class SettingsCommands {
  public:
    explicit SettingsCommands(Core& core) : core_(core) {}

    // Takes the address as typed and the port by its leading number, and saves the whole
    // configuration. The link is not touched: the next Connect uses them.
    void Apply();
    void Exit();

  private:
    Core& core_;
};

}  // namespace dx
