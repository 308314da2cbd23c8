#include "sockets/command_line.h"

#include "common/platform.h"
#include "views/connects_window.h"
#include "views/monitor_window.h"
#include "wire/node_sender.h"

namespace dx {

bool CommandLine::Text1KeyPress(int key) {
    if (key != kEnter) return false;
    Element& box = monitor_.Text1;
    // The line goes out exactly as typed; an empty line sends nothing.
    if (sender_.Connected() && !box.text().empty()) sender_.Send(box.text());
    box.setText("");
    return true;
}

void CommandLine::OnKeepAliveTick() {
    ++IdleTicks;
    if (IdleTicks > 5) {
        connects_.window.setBack(colours::kRed);
        platform_.timerStop(TimerId::KeepAlive);
        keepAliveOn_ = false;
    }
}

void CommandLine::OnDxDeTick() {
    platform_.timerStop(TimerId::DxDe);
    dxDeOn_ = false;
    DxDeArmed = true;
}

void CommandLine::EnableWatchdog() {
    if (keepAliveOn_) return;  // enabling a running timer does not restart its interval
    platform_.timerStart(TimerId::KeepAlive, kKeepAliveMs);
    keepAliveOn_ = true;
}

void CommandLine::RestartDxDe() {
    platform_.timerStop(TimerId::DxDe);
    platform_.timerStart(TimerId::DxDe, kDxDeMs);
    dxDeOn_ = true;
}

}  // namespace dx
