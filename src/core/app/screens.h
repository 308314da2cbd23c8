#pragma once
#include "common/view.h"

namespace dx {
struct ConnectsWindow;
class Grid;
struct MonitorWindow;
struct SettingsWindow;
class WindowLoader;

// The places and sizes of the three windows: what a resize does to each, and "Reset Screens".
class Screens {
  public:
    Screens(Grid& grid, WindowLoader& loader, MonitorWindow& monitor, ConnectsWindow& connects,
            SettingsWindow& settings)
        : grid_(grid), loader_(loader), monitor_(monitor), connects_(connects), settings_(settings) {}

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
    Grid& grid_;
    WindowLoader& loader_;
    MonitorWindow& monitor_;
    ConnectsWindow& connects_;
    SettingsWindow& settings_;
};

}  // namespace dx
