#include "app/settings_commands.h"

#include <algorithm>

#include "app/config_file.h"
#include "common/fault.h"
#include "common/numeric.h"
#include "views/settings_window.h"

namespace dx {

void SettingsCommands::Apply() {
    ConfigFile& config = config_;
    config.RemoteHost = settings_.txtSettings[2].text();
    std::string port = settings_.txtSettings[3].text();
    port.erase(std::remove_if(port.begin(), port.end(), [](char c) { return c == ' ' || c == '\t'; }),
               port.end());
    try {
        config.RemotePort = LeadingWhole32(port);
    } catch (const Fault&) {
        // A number too large for a port leaves the port as it was.
    }
    config.SaveConfig();
}

void SettingsCommands::Exit() {
    settings_.window.setShown(false);
}

}  // namespace dx
