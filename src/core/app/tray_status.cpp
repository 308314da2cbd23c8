#include "app/tray_status.h"

#include "alerts/notice_texts.h"
#include "app/watchdog.h"
#include "common/config_values.h"
#include "sockets/socket_events.h"
#include "sockets/statistics.h"
#include "views/connections_model.h"
#include "views/monitor_model.h"
#include "views/tray_model.h"

namespace dx {

void TrayStatus::refresh() {
    if (!events_.linkIsUp())
        tray_.setState(LinkState::Down);
    else
        tray_.setState(watchdog_.silent() ? LinkState::Silent : LinkState::Up);
    tray_.setUsers(statistics_.counts());
    if (config_.remotePort != port_ || config_.remoteHost != host_) {
        host_ = config_.remoteHost;
        port_ = config_.remotePort;
        tray_.setNode(nodeName(config_));
    }
}

void TrayStatus::raiseWindows() {
    for (WindowModel* window : {&connects_.window, &monitor_.window}) {
        if (window->state() == WindowState::Minimized) window->setState(WindowState::Normal);
        window->bringToFront();
    }
}

}  // namespace dx
