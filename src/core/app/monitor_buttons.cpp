#include "app/monitor_buttons.h"

#include "app/core.h"

namespace dx {

void MonitorButtons::Clear() {
    core_.monitor.pane.setText("");
}

void MonitorButtons::Auto() {
    if (!core_.Connected()) return;
    core_.Send("A");
    core_.monitor.Command2.setText("Auto");
    core_.table.AutoMode = true;
}

}  // namespace dx
