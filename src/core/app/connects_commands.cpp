#include "app/connects_commands.h"

#include <string>
#include <unordered_set>

#include "app/node_link.h"
#include "app/status_sentences.h"
#include "app/window_loader.h"
#include "common/platform.h"
#include "sockets/command_line.h"
#include "sockets/socket_table.h"
#include "views/connects_window.h"
#include "views/grid.h"
#include "views/monitor_window.h"
#include "views/settings_window.h"
#include "wire/node_sender.h"

namespace dx {

void ConnectsCommands::Rescan() {
    table_.AutoMode = true;
    monitor_.Command2.setText("Auto");
    connects_.txtVersion.setTip("KEL latest Version");
    connects_.txtVersion.setBack(colours::kWhite);
    commands_.DxDeArmed = false;
    commands_.RestartDxDe();
    if (!sender_.Connected()) return;
    commands_.DxDeArmed = false;
    commands_.RestartDxDe();
    const std::int32_t n = grid_.highestIndex();
    sender_.Send("M*^");
    const auto& pc = status_.PortColours;
    const std::unordered_set<Colour> portColours(pc.begin() + (pc.size() > 1 ? 1 : 0), pc.end());
    for (std::int32_t i = 1; i <= n; ++i) {
        if (!grid_.hasRow(i)) continue;
        GridRow& row = grid_.rowToChange(i);
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
    const std::int32_t n = grid_.highestIndex();
    for (std::int32_t i = 1; i <= n; ++i) {
        if (!grid_.hasRow(i)) continue;
        GridRow& row = grid_.rowToChange(i);
        if (row.verdict() == Verdict::KelLatest) row.setVerdict(Verdict::KelOlder);
    }
}

void ConnectsCommands::CallClick(std::int32_t i) {
    if (!sender_.Connected()) return;
    monitor_.Command2.setText("Manual");
    const std::string socket = std::to_string(i);
    sender_.Send(socket);
    platform_.processEvents();
    sender_.Send("M" + socket + "^");
    table_.AutoMode = false;
}

void ConnectsCommands::ScrollLeft() {
    ++grid_.ScrollColumns;
    grid_.ReFormat();
}

void ConnectsCommands::ScrollRight() {
    --grid_.ScrollColumns;
    grid_.ReFormat();
}

void ConnectsCommands::Configuration() {
    loader_.EnsureSettingsLoaded();
    settings_.window.setShown(true);
    // An open settings window behind the others comes forward: the menu always shows it.
    settings_.window.bringToFront();
}

void ConnectsCommands::About() {
    platform_.showAbout("About Monitor Program",
                        "Program by the dxmonitor developers\r\n"
                        "Contact: see the project's README.md\r\n"
                        "\r\n"
                        "Version 1.31\r\n"
                        "15 Aug 2009");
}

void ConnectsCommands::Close() {
    const std::int32_t last = table_.LastCallRow;
    for (std::int32_t i = 1; i <= last; ++i) grid_.RemoveRow(i);
    link_.EndProgram();
}

}  // namespace dx
