#include "app/connections_commands.h"

#include <string>
#include <unordered_set>

#include "app/node_link.h"
#include "app/window_loader.h"
#include "common/platform.h"
#include "sockets/socket_table.h"
#include "sockets/spot_delay.h"
#include "sockets/status_sentences.h"
#include "views/connections_model.h"
#include "views/grid.h"
#include "views/monitor_model.h"
#include "views/settings_model.h"
#include "wire/node_sender.h"

namespace dx {

void ConnectionsCommands::rescan() {
    monitor_.setAutoMode(true);
    monitor_.autoButton.setText("Auto");
    connects_.latestVersion.setTip("KEL latest Version");
    connects_.latestVersion.setBack(colours::kWhite);
    spotDelay_.armed = false;
    spotDelay_.restart();
    if (!sender_.connected()) return;
    spotDelay_.armed = false;
    spotDelay_.restart();
    const std::int32_t n = grid_.highestIndex();
    sender_.watchAll();
    const auto& pc = status_.portBoxColours;
    const std::unordered_set<Colour> portColours(pc.begin() + (pc.size() > 1 ? 1 : 0), pc.end());
    for (std::int32_t i = 1; i <= n; ++i) {
        if (!grid_.hasRow(i)) continue;
        GridRow& row = grid_.rowToChange(i);
        if (!portColours.contains(row.call.back())) continue;
        // Watched again and unclassified: its far end is recognised anew.
        row.setWatch(Watch::Watched);
        row.setVerdict(Verdict::Unclassified);
        row.setVersion("");
    }
}

void ConnectionsCommands::resetGreen() {
    const std::int32_t n = grid_.highestIndex();
    for (std::int32_t i = 1; i <= n; ++i) {
        if (!grid_.hasRow(i)) continue;
        GridRow& row = grid_.rowToChange(i);
        if (row.verdict() == Verdict::KelLatest) row.setVerdict(Verdict::KelOlder);
    }
}

void ConnectionsCommands::callClick(std::int32_t i) {
    if (!sender_.connected()) return;
    monitor_.autoButton.setText("Manual");
    const std::string socket = std::to_string(i);
    sender_.showSocket(socket);
    platform_.processEvents();
    sender_.watch(socket);
    monitor_.setAutoMode(false);
}

void ConnectionsCommands::scrollLeft() {
    ++grid_.scrollColumns;
    grid_.layOut();
}

void ConnectionsCommands::scrollRight() {
    --grid_.scrollColumns;
    grid_.layOut();
}

void ConnectionsCommands::configuration() {
    loader_.ensureSettingsLoaded();
    settings_.window.setShown(true);
    // An open settings window behind the others comes forward: the menu always shows it.
    settings_.window.bringToFront();
}

void ConnectionsCommands::about() {
    platform_.showAbout("About Monitor Program",
                        "Program by the dxmonitor developers\r\n"
                        "Contact: see the project's README.md\r\n"
                        "\r\n"
                        "Version 1.31\r\n"
                        "15 Aug 2009");
}

void ConnectionsCommands::close() {
    const std::int32_t last = table_.lastCallRow;
    for (std::int32_t i = 1; i <= last; ++i) grid_.removeRow(i);
    link_.endProgram();
}

}  // namespace dx
