#include "app/window_loader.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "common/config_values.h"
#include "sockets/traffic_rows.h"
#include "views/connections_model.h"
#include "views/settings_model.h"

namespace dx {

void WindowLoader::ensureConnectionsLoaded() {
    if (connects_.window.loaded()) return;
    connects_.window.setLoaded(true);
    trafficRows_.callFieldWidth = 9;
    // Until a width has been read the window keeps its design size: a width of 0 would leave a
    // new user's window one pixel wide, with the only menu that reaches the settings.
    if (config_.connectsWidthRead) connects_.window.setWidth(config_.connectsWidth);
}

void WindowLoader::ensureSettingsLoaded() {
    if (settings_.window.loaded()) return;
    settings_.window.setLoaded(true);
    ensureConnectionsLoaded();
    // Beside the connections window, and never beyond where a saved place could be read again.
    const auto near = [](Twips t) { return std::clamp(t, -kFarthestPlace, kFarthestPlace); };
    settings_.window.setLeft(near(connects_.window.left() + 1000));
    settings_.window.setTop(near(connects_.window.top() + 2000));
    settings_.hostBox.setText(config_.remoteHost);
    // A non-negative number is shown with a blank in front, as the port box always has.
    const std::int32_t port = config_.remotePort;
    settings_.portBox.setText(port >= 0 ? " " + std::to_string(port) : std::to_string(port));
}

}  // namespace dx
