#include "app/settings_commands.h"

#include <algorithm>

#include "app/config_file.h"
#include "common/fault.h"
#include "common/numeric.h"
#include "views/settings_model.h"

namespace dx {

void SettingsCommands::apply() {
    ConfigFile& config = config_;
    config.remoteHost = settings_.hostBox.text();
    std::string port = settings_.portBox.text();
    port.erase(std::remove_if(port.begin(), port.end(), [](char c) { return c == ' ' || c == '\t'; }),
               port.end());
    try {
        config.remotePort = leadingWhole32(port);
    } catch (const Fault&) {
        // A number too large for a port leaves the port as it was.
    }
    config.saveConfig();
}

void SettingsCommands::exit() {
    settings_.window.setShown(false);
}

}  // namespace dx
