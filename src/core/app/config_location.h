#pragma once
#include <filesystem>
#include <string>

namespace dx {

// Where Monitor.cfg lives. The program keeps it in its own directory. An installed program's
// directory is not the operator's to write, so there the operator's configuration directory
// ($XDG_CONFIG_HOME/dxmonitor, normally ~/.config/dxmonitor) stands in for it; a program run from
// its build directory, or from any directory the operator can write, keeps it beside itself.
// `xdgConfigHome` and `home` are the environment's values (empty when unset).
std::filesystem::path configLocation(const std::filesystem::path& programDir, bool programDirWritable,
                                     const std::string& xdgConfigHome, const std::string& home);

}  // namespace dx
