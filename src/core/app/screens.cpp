#include "app/screens.h"

#include "app/window_loader.h"
#include "views/connections_model.h"
#include "views/grid.h"
#include "views/monitor_model.h"
#include "views/settings_model.h"

namespace dx {

void Screens::resetScreens() {
    loader_.ensureConnectionsLoaded();
    WindowModel& c = connects_.window;
    c.setState(WindowState::Normal);
    connectionsResized(4000, 4000);
    moved(c, 0, 0);

    WindowModel& m = monitor_.window;
    m.setState(WindowState::Normal);
    monitorResized(4000, 4000);
    moved(m, 4000, 0);

    loader_.ensureSettingsLoaded();
    WindowModel& s = settings_.window;
    s.setState(WindowState::Normal);
    settingsResized(4000, 2115);
    moved(s, 0, 4000);
}

void Screens::placeForFirstRun() {
    // Both keep their design sizes, which fit one above the other on a 1920 x 1080 screen; the
    // settings window, when first opened, stands beside the connections window as always.
    WindowModel& c = connects_.window;
    moved(c, 0, 0);
    moved(monitor_.window, 0, c.top() + c.height());
}

void Screens::monitorResized(Twips width, Twips height) {
    WindowModel& w = monitor_.window;
    w.setWidth(width);
    w.setHeight(height);
    // The pane fills the window below the header row; a size the pane cannot take (a window
    // shrunk to nothing) leaves the pane as it was.
    Element& pane = monitor_.paneBox;
    if (width - 380 < 0) return;
    pane.setWidth(width - 380);
    if (height - 920 < 0) return;
    pane.setHeight(height - 920);
}

void Screens::connectionsResized(Twips width, Twips height) {
    WindowModel& w = connects_.window;
    w.setWidth(width);
    w.setHeight(height);
    grid_.layOut();
}

void Screens::settingsResized(Twips width, Twips height) {
    WindowModel& w = settings_.window;
    w.setWidth(width);
    w.setHeight(height);
}

void Screens::moved(WindowModel& window, Twips left, Twips top) {
    window.setLeft(left);
    window.setTop(top);
}

}  // namespace dx
