#pragma once
#include <string>
#include <utility>

#include "app/core.h"
#include "common/platform.h"

namespace dx::bench {

// A platform that costs nothing: the link is always open, sends are accepted and dropped, sleeps
// and event loops return at once, and the next arrival's bytes come from `incoming`.
class NoopPlatform : public Platform {
  public:
    std::string incoming;
    int state = kSocketConnected;

    void socketClose() override {}
    void socketConnect(const std::string&, std::int32_t) override {}
    int socketState() const override { return state; }
    bool socketSend(std::string_view) override { return true; }
    std::string socketReadAll() override { return std::exchange(incoming, std::string()); }
    void sleepMs(int) override {}
    void processEvents() override {}
    void timerStart(TimerId, int) override {}
    void timerStop(TimerId) override {}
    std::optional<std::string> readConfig() override { return std::nullopt; }
    std::optional<std::string> writeConfig(const std::string&) override { return std::nullopt; }
    void showAbout(const std::string&, const std::string&) override {}
    void reportError(const std::string&) override {}
    void endProcess(int) override {}
};

// A core started up and connected, as after the operator pressed Connect.
struct ConnectedCore {
    NoopPlatform platform;
    Core core{platform};

    ConnectedCore() {
        core.link.startUp();
        core.link.connectToNode();
        platform.state = kSocketConnected;
        core.link.onConnected();
    }

    void arrive(std::string data) {
        platform.incoming = std::move(data);
        core.stream.onDataArrival();
    }
};

}  // namespace dx::bench
