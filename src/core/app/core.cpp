#include "app/core.h"

#include <algorithm>
#include <string>

namespace dx {

void Core::EnsureConnectsLoaded() {
    if (connects.window.loaded()) return;
    connects.window.setLoaded(true);
    traffic.CallFieldWidth = 9;
    // Until a width has been read the window keeps its design size: a width of 0 would leave a
    // new user's window one pixel wide, with the only menu that reaches the settings.
    if (config.ConnectsWidthRead) connects.window.setWidth(config.ConnectsWidth);
}

void Core::EnsureSettingsLoaded() {
    if (settings.window.loaded()) return;
    settings.window.setLoaded(true);
    EnsureConnectsLoaded();
    // Beside the connections window, and never beyond where a saved place could be read again.
    const auto near = [](Twips t) { return std::clamp(t, -kFarthestPlace, kFarthestPlace); };
    settings.window.setLeft(near(connects.window.left() + 1000));
    settings.window.setTop(near(connects.window.top() + 2000));
    settings.txtSettings[2].setText(config.RemoteHost);
    // A non-negative number is shown with a blank in front, as the port box always has.
    const std::int32_t port = config.RemotePort;
    settings.txtSettings[3].setText(port >= 0 ? " " + std::to_string(port) : std::to_string(port));
}

}  // namespace dx
