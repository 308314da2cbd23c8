#include "sockets/command_line.h"

#include "app/core.h"

namespace dx {

bool CommandLine::Text1KeyPress(int key) {
    if (key != kEnter) return false;
    Element& box = core_.monitor.Text1;
    // The line goes out exactly as typed; an empty line sends nothing.
    if (core_.Connected() && !box.text().empty()) core_.Send(box.text());
    box.setText("");
    return true;
}

void CommandLine::OnKeepAliveTick() {
    ++IdleTicks;
    if (IdleTicks > 5) {
        core_.connects.window.setBack(colours::kRed);
        core_.platform.timerStop(TimerId::KeepAlive);
        keepAliveOn_ = false;
    }
}

void CommandLine::OnDxDeTick() {
    core_.platform.timerStop(TimerId::DxDe);
    dxDeOn_ = false;
    DxDeArmed = true;
}

void CommandLine::EnableWatchdog() {
    if (keepAliveOn_) return;  // enabling a running timer does not restart its interval
    core_.platform.timerStart(TimerId::KeepAlive, kKeepAliveMs);
    keepAliveOn_ = true;
}

void CommandLine::RestartDxDe() {
    core_.platform.timerStop(TimerId::DxDe);
    core_.platform.timerStart(TimerId::DxDe, kDxDeMs);
    dxDeOn_ = true;
}

}  // namespace dx
