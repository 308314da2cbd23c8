#include "app/window_loader.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "common/config_values.h"
#include "sockets/traffic_rows.h"
#include "views/connects_window.h"
#include "views/settings_window.h"

namespace dx {

void WindowLoader::EnsureConnectsLoaded() {
    if (connects_.window.loaded()) return;
    connects_.window.setLoaded(true);
    trafficRows_.CallFieldWidth = 9;
    // Until a width has been read the window keeps its design size: a width of 0 would leave a
    // new user's window one pixel wide, with the only menu that reaches the settings.
    if (config_.ConnectsWidthRead) connects_.window.setWidth(config_.ConnectsWidth);
}

void WindowLoader::EnsureSettingsLoaded() {
    if (settings_.window.loaded()) return;
    settings_.window.setLoaded(true);
    EnsureConnectsLoaded();
    // Beside the connections window, and never beyond where a saved place could be read again.
    const auto near = [](Twips t) { return std::clamp(t, -kFarthestPlace, kFarthestPlace); };
    settings_.window.setLeft(near(connects_.window.left() + 1000));
    settings_.window.setTop(near(connects_.window.top() + 2000));
    settings_.txtSettings[2].setText(config_.RemoteHost);
    // A non-negative number is shown with a blank in front, as the port box always has.
    const std::int32_t port = config_.RemotePort;
    settings_.txtSettings[3].setText(port >= 0 ? " " + std::to_string(port) : std::to_string(port));
}

}  // namespace dx
