#include "sockets/spot_delay.h"

#include "common/platform.h"

namespace dx {

void SpotDelay::onTick() {
    platform_.timerStop(TimerId::DxDe);
    running_ = false;
    armed = true;
}

void SpotDelay::restart() {
    platform_.timerStop(TimerId::DxDe);
    platform_.timerStart(TimerId::DxDe, kDelayMs);
    running_ = true;
}

}  // namespace dx
