#pragma once
#include "common/view.h"

namespace dx {
struct ConnectionsModel;
class Grid;
struct MonitorModel;
struct SettingsModel;
class WindowLoader;

// The places and sizes of the three windows: what a resize does to each, and "Reset Screens".
class Screens {
  public:
    Screens(Grid& grid, WindowLoader& loader, MonitorModel& monitor, ConnectionsModel& connects,
            SettingsModel& settings)
        : grid_(grid), loader_(loader), monitor_(monitor), connects_(connects), settings_(settings) {}

    // Puts the three windows back to their fixed arrangement (nothing is saved).
    void resetScreens();
    // A first run, with no configuration file: the two main windows one above the other.
    void placeForFirstRun();

    // The operator (or the program) changed a window's outer size or place, in twips.
    void monitorResized(Twips width, Twips height);
    void connectionsResized(Twips width, Twips height);
    void settingsResized(Twips width, Twips height);
    static void moved(WindowModel& window, Twips left, Twips top);

  private:
    Grid& grid_;
    WindowLoader& loader_;
    MonitorModel& monitor_;
    ConnectionsModel& connects_;
    SettingsModel& settings_;
};

}  // namespace dx
