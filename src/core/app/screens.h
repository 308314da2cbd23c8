#pragma once
#include "common/view.h"

namespace dx {
class Core;

// The places and sizes of the three windows: what a resize does to each, and "Reset Screens".
class Screens {
  public:
    explicit Screens(Core& core) : core_(core) {}

    // Puts the three windows back to their fixed arrangement (nothing is saved).
    void ResetScreens();
    // A first run, with no configuration file: the two main windows one above the other.
    void PlaceForFirstRun();

    // The operator (or the program) changed a window's outer size or place, in twips.
    void MonitorResized(Twips width, Twips height);
    void ConnectsResized(Twips width, Twips height);
    void SettingsResized(Twips width, Twips height);
    static void Moved(WindowModel& window, Twips left, Twips top);

  private:
    Core& core_;
};

}  // namespace dx
