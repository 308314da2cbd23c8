#include "app/monitor_buttons.h"

#include "views/monitor_model.h"
#include "wire/node_sender.h"

namespace dx {

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
