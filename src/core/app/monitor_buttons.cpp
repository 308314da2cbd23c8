#include "app/monitor_buttons.h"

#include "sockets/socket_table.h"
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
    table_.autoMode = true;
}

}  // namespace dx
