#include "sockets/command_line.h"

#include <string>

#include "common/platform.h"
#include "views/connections_model.h"
#include "views/monitor_model.h"
#include "wire/node_sender.h"

namespace dx {

bool CommandLine::onCommandLineKey(int key) {
    if (key != kEnter) return false;
    const std::string& line = monitor_.commandLine().text();
    // The line goes out exactly as typed; an empty line sends nothing.
    if (sender_.connected() && !line.empty()) sender_.operatorLine(line);
    monitor_.setCommandLine("");
    return true;
}

bool CommandLine::onKeepAliveTick() {
    ++idleTicks;
    if (idleTicks <= 5) return false;
    connects_.window.setBack(colours::kRed);
    platform_.timerStop(TimerId::KeepAlive);
    keepAliveOn_ = false;
    return true;
}

void CommandLine::onDxDeTick() {
    platform_.timerStop(TimerId::DxDe);
    dxDeOn_ = false;
    dxDeArmed = true;
}

void CommandLine::enableWatchdog() {
    if (keepAliveOn_) return;  // enabling a running timer does not restart its interval
    platform_.timerStart(TimerId::KeepAlive, kKeepAliveMs);
    keepAliveOn_ = true;
}

void CommandLine::restartDxDe() {
    platform_.timerStop(TimerId::DxDe);
    platform_.timerStart(TimerId::DxDe, kDxDeMs);
    dxDeOn_ = true;
}

}  // namespace dx
