#include "app/screens.h"

#include "app/core.h"

namespace dx {

void Screens::ResetScreens() {
    core_.EnsureConnectsLoaded();
    WindowModel& c = core_.connects.window;
    c.setState(WindowState::Normal);
    ConnectsResized(4000, 4000);
    Moved(c, 0, 0);

    WindowModel& m = core_.monitor.window;
    m.setState(WindowState::Normal);
    MonitorResized(4000, 4000);
    Moved(m, 4000, 0);

    core_.EnsureSettingsLoaded();
    WindowModel& s = core_.settings.window;
    s.setState(WindowState::Normal);
    SettingsResized(4000, 2115);
    Moved(s, 0, 4000);
}

void Screens::PlaceForFirstRun() {
    // Both keep their design sizes, which fit one above the other on a 1920 x 1080 screen; the
    // settings window, when first opened, stands beside the connections window as always.
    WindowModel& c = core_.connects.window;
    Moved(c, 0, 0);
    Moved(core_.monitor.window, 0, c.top() + c.height());
}

void Screens::MonitorResized(Twips width, Twips height) {
    WindowModel& w = core_.monitor.window;
    w.setWidth(width);
    w.setHeight(height);
    // The pane fills the window below the header row; a size the pane cannot take (a window
    // shrunk to nothing) leaves the pane as it was.
    Element& pane = core_.monitor.RichTextBox1;
    if (width - 380 < 0) return;
    pane.setWidth(width - 380);
    if (height - 920 < 0) return;
    pane.setHeight(height - 920);
}

void Screens::ConnectsResized(Twips width, Twips height) {
    WindowModel& w = core_.connects.window;
    w.setWidth(width);
    w.setHeight(height);
    core_.grid.ReFormat();
}

void Screens::SettingsResized(Twips width, Twips height) {
    WindowModel& w = core_.settings.window;
    w.setWidth(width);
    w.setHeight(height);
}

void Screens::Moved(WindowModel& window, Twips left, Twips top) {
    window.setLeft(left);
    window.setTop(top);
}

}  // namespace dx
