#pragma once
#include <optional>
#include <string>
#include <utility>

#include "app/core.h"
#include "common/platform.h"
#include "support/fake_platform.h"

namespace dx::kit {

// Whether a started core is also connected to a node: Up is Connect pressed and the link up, "B"
// sent.
enum class Link { Down, Up };

// A core on a fake platform, started up as the program starts, and connected to a node when asked.
// The platform is the kit's fake, or a test's own kind of it.
template <class FakeKind = FakePlatform>
struct StartedCore {
    FakeKind platform;
    Core core{platform};

    // With `configFile` as the configuration file's content (none is a first run).
    explicit StartedCore(std::optional<std::string> configFile = std::nullopt, Link link = Link::Down) {
        platform.configFile = std::move(configFile);
        core.link.startUp();
        if (link == Link::Up) connect();
    }

    // Connect pressed and the link coming up. What the platform keeps of sends and events starts
    // afresh after it.
    void connect() {
        core.link.connectToNode();
        platform.state = kSocketConnected;
        core.link.onConnected();
        platform.sent.clear();
        platform.log.clear();
    }

    // One arrival of data from the node.
    void arrive(std::string data) {
        platform.incoming = std::move(data);
        core.stream.onDataArrival();
    }
};

}  // namespace dx::kit
