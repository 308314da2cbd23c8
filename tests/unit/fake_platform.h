#pragma once
#include <string>

#include "app/core.h"
#include "support/fake_platform.h"
#include "support/started_core.h"

namespace dx::test {

using kit::FakePlatform;

// A core on a fake platform, started up and (optionally) connected to a node.
struct Rig : kit::StartedCore<> {
    explicit Rig(bool connected = true)
        : StartedCore(std::nullopt, connected ? kit::Link::Up : kit::Link::Down) {}

    // One table sentence straight to its handler (one without a socket number does nothing).
    void record(const std::string& sentence) {
        try {
            core.table.onSocketRecord(wire::parseSocketRecord(sentence));
        } catch (const Fault&) {
        }
    }
    // One traffic sentence straight to its handler; answers the text it gives the pane.
    std::string traffic(const std::string& sentence) {
        return std::string(core.traffic.onTrafficLine(wire::parseTrafficLine(sentence)).text());
    }
    GridRow& row(int i) { return core.grid.rowToChange(i); }

    // A batch as the node sends it: the sentences, then EOT, in one arrival.
    void batch(const std::string& sentences) { arrive(sentences + "\x04"); }
};

}  // namespace dx::test
