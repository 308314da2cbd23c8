#include "app/screens.h"

#include "app/window_loader.h"
#include "views/connects_window.h"
#include "views/grid.h"
#include "views/monitor_window.h"
#include "views/settings_window.h"

namespace dx {

void Screens::ResetScreens() {
    loader_.EnsureConnectsLoaded();
    WindowModel& c = connects_.window;
    c.setState(WindowState::Normal);
    ConnectsResized(4000, 4000);
    Moved(c, 0, 0);

    WindowModel& m = monitor_.window;
    m.setState(WindowState::Normal);
    MonitorResized(4000, 4000);
    Moved(m, 4000, 0);

    loader_.EnsureSettingsLoaded();
    WindowModel& s = settings_.window;
    s.setState(WindowState::Normal);
    SettingsResized(4000, 2115);
    Moved(s, 0, 4000);
}

void Screens::PlaceForFirstRun() {
    // Both keep their design sizes, which fit one above the other on a 1920 x 1080 screen; the
    // settings window, when first opened, stands beside the connections window as always.
    WindowModel& c = connects_.window;
    Moved(c, 0, 0);
    Moved(monitor_.window, 0, c.top() + c.height());
}

void Screens::MonitorResized(Twips width, Twips height) {
    WindowModel& w = monitor_.window;
    w.setWidth(width);
    w.setHeight(height);
    // The pane fills the window below the header row; a size the pane cannot take (a window
    // shrunk to nothing) leaves the pane as it was.
    Element& pane = monitor_.RichTextBox1;
    if (width - 380 < 0) return;
    pane.setWidth(width - 380);
    if (height - 920 < 0) return;
    pane.setHeight(height - 920);
}

void Screens::ConnectsResized(Twips width, Twips height) {
    WindowModel& w = connects_.window;
    w.setWidth(width);
    w.setHeight(height);
    grid_.ReFormat();
}

void Screens::SettingsResized(Twips width, Twips height) {
    WindowModel& w = settings_.window;
    w.setWidth(width);
    w.setHeight(height);
}

void Screens::Moved(WindowModel& window, Twips left, Twips top) {
    window.setLeft(left);
    window.setTop(top);
}

}  // namespace dx
