#include "app/monitor_buttons.h"

#include <string>

#include "views/monitor_model.h"
#include "wire/node_sender.h"

namespace dx {

bool MonitorButtons::onCommandLineKey(int key) {
    if (key != kEnter) return false;
    const std::string& line = monitor_.commandLine().text();
    // The line goes out exactly as typed; an empty line sends nothing.
    if (sender_.connected() && !line.empty()) sender_.operatorLine(line);
    monitor_.setCommandLine("");
    return true;
}

void MonitorButtons::clearPane() {
    monitor_.pane.setText("");
}

void MonitorButtons::toggleAuto() {
    if (!sender_.connected()) return;
    sender_.autoMode();
    monitor_.autoButton.setText("Auto");
    monitor_.setAutoMode(true);
}

}  // namespace dx
