#include "app/config_location.h"

namespace dx {

std::filesystem::path configLocation(const std::filesystem::path& programDir, bool programDirWritable,
                                     const std::string& xdgConfigHome, const std::string& home) {
    if (programDirWritable) return programDir / "Monitor.cfg";
    // A relative XDG_CONFIG_HOME is to be ignored, as if it were unset.
    std::filesystem::path base;
    if (!xdgConfigHome.empty() && std::filesystem::path(xdgConfigHome).is_absolute()) {
        base = xdgConfigHome;
    } else if (!home.empty()) {
        base = std::filesystem::path(home) / ".config";
    } else {
        return programDir / "Monitor.cfg";  // nowhere better to look
    }
    return base / "dxmonitor" / "Monitor.cfg";
}

}  // namespace dx
