#include "app/monitor_buttons.h"

#include "sockets/socket_table.h"
#include "views/monitor_window.h"
#include "wire/node_sender.h"

namespace dx {

void MonitorButtons::Clear() {
    monitor_.pane.setText("");
}

void MonitorButtons::Auto() {
    if (!sender_.Connected()) return;
    sender_.Send("A");
    monitor_.Command2.setText("Auto");
    table_.AutoMode = true;
}

}  // namespace dx
