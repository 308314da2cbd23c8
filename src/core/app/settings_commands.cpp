#include "app/settings_commands.h"

#include <algorithm>

#include "app/core.h"
#include "common/fault.h"
#include "common/numeric.h"

namespace dx {

void SettingsCommands::Apply() {
    ConfigFile& config = core_.config;
    config.RemoteHost = core_.settings.txtSettings[2].text();
    std::string port = core_.settings.txtSettings[3].text();
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
    core_.settings.window.setShown(false);
}

}  // namespace dx
