#pragma once
#include <optional>

#include "support/started_core.h"

namespace dx::bench {

// A core started up and connected, as after the operator pressed Connect, on the kit's fake
// platform. Sends are not kept, so the platform costs nothing but a few counts: the link is open,
// pauses and event loops return at once, and the next arrival's bytes come from `incoming`.
struct ConnectedCore : kit::StartedCore<> {
    ConnectedCore() : StartedCore(std::nullopt, kit::Link::Up) { platform.keepSends = false; }
};

}  // namespace dx::bench
