#include "app/connects_commands.h"

#include <string>
#include <unordered_set>

#include "app/core.h"

namespace dx {

void ConnectsCommands::Rescan() {
    core_.table.AutoMode = true;
    core_.monitor.Command2.setText("Auto");
    core_.connects.txtVersion.setTip("KEL latest Version");
    core_.connects.txtVersion.setBack(colours::kWhite);
    core_.commands.DxDeArmed = false;
    core_.commands.RestartDxDe();
    if (!core_.Connected()) return;
    core_.commands.DxDeArmed = false;
    core_.commands.RestartDxDe();
    const std::int32_t n = core_.grid.highestIndex();
    core_.Send("M*^");
    const auto& pc = core_.status.PortColours;
    const std::unordered_set<Colour> portColours(pc.begin() + (pc.size() > 1 ? 1 : 0), pc.end());
    for (std::int32_t i = 1; i <= n; ++i) {
        if (!core_.grid.hasRow(i)) continue;
        GridRow& row = core_.grid.rowToChange(i);
        if (!portColours.contains(row.call.back())) continue;
        row.setWatch(Watch::Watched);
        if (SocketTable::ColourByCall(row.call.text())) {
            row.setVerdict(Verdict::PlainUser);
        } else {
            row.setVerdict(Verdict::Unclassified);
            row.port.setTip("");
        }
    }
}

void ConnectsCommands::ResetGreen() {
    const std::int32_t n = core_.grid.highestIndex();
    for (std::int32_t i = 1; i <= n; ++i) {
        if (!core_.grid.hasRow(i)) continue;
        GridRow& row = core_.grid.rowToChange(i);
        if (row.verdict() == Verdict::KelLatest) row.setVerdict(Verdict::KelOlder);
    }
}

void ConnectsCommands::CallClick(std::int32_t i) {
    if (!core_.Connected()) return;
    core_.monitor.Command2.setText("Manual");
    const std::string socket = std::to_string(i);
    core_.Send(socket);
    core_.platform.processEvents();
    core_.Send("M" + socket + "^");
    core_.table.AutoMode = false;
}

void ConnectsCommands::ScrollLeft() {
    ++core_.grid.ScrollColumns;
    core_.grid.ReFormat();
}

void ConnectsCommands::ScrollRight() {
    --core_.grid.ScrollColumns;
    core_.grid.ReFormat();
}

void ConnectsCommands::Configuration() {
    core_.EnsureSettingsLoaded();
    core_.settings.window.setShown(true);
    // An open settings window behind the others comes forward: the menu always shows it.
    core_.settings.window.bringToFront();
}

void ConnectsCommands::About() {
    core_.platform.showAbout("About Monitor Program",
                             "Program by the dxmonitor developers\r\n"
                             "Contact: see the project's README.md\r\n"
                             "\r\n"
                             "Version 1.31\r\n"
                             "15 Aug 2009");
}

void ConnectsCommands::Close() {
    const std::int32_t last = core_.table.LastCallRow;
    for (std::int32_t i = 1; i <= last; ++i) core_.grid.RemoveRow(i);
    core_.link.EndProgram();
}

}  // namespace dx
