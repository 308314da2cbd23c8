#include "app/watchdog.h"

#include "common/colour.h"
#include "common/platform.h"
#include "views/connections_model.h"

namespace dx {

bool Watchdog::onTick() {
    ++idleTicks;
    if (idleTicks <= 5) return false;
    connects_.window.setBack(colours::kRed);
    silent_ = true;
    platform_.timerStop(TimerId::KeepAlive);
    running_ = false;
    return true;
}

bool Watchdog::heard() {
    idleTicks = 0;
    const bool spokeAgain = silent_;
    silent_ = false;
    return spokeAgain;
}

void Watchdog::enable() {
    if (running_) return;  // enabling a running timer does not restart its interval
    silent_ = false;
    platform_.timerStart(TimerId::KeepAlive, kTickMs);
    running_ = true;
}

}  // namespace dx
