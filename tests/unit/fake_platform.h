#pragma once
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/core.h"
#include "common/platform.h"

namespace dx::test {

// A platform that records what the program does to the outside and lets a test play the node:
// sends are kept in order, sleeps are added up instead of slept, arrivals come from `incoming`.
class FakePlatform : public Platform {
  public:
    // Any programming error the guard caught fails the test that provoked it.
    ~FakePlatform() override {
        for (const std::string& e : errors) ADD_FAILURE() << e;
    }

    int state = kSocketClosed;
    std::vector<std::string> sent;
    std::vector<std::string> errors;  // programming errors the event guard caught
    std::string incoming;             // what the next socketReadAll() hands over
    int sleptMs = 0;
    int sleeps = 0;
    int eventsRun = 0;
    int closes = 0;
    std::vector<std::pair<std::string, std::int32_t>> connects;
    std::map<TimerId, int> timers;  // running timers with their intervals
    int timerStarts = 0;
    std::optional<std::string> configFile;
    std::optional<std::string> writeError;  // when set, every save fails with this reason
    int writes = 0;
    std::vector<std::pair<std::string, std::string>> abouts;
    std::optional<int> exitCode;
    // When set, each sleep of 2000 ms is recorded (the wait before "B").
    std::vector<std::string> log;  // "send:B", "sleep:2000", ... in order

    void socketClose() override {
        ++closes;
        state = kSocketClosed;
        log.push_back("close");
    }
    void socketConnect(const std::string& host, std::int32_t port) override {
        connects.emplace_back(host, port);
        state = kSocketConnecting;
        log.push_back("connect:" + host + ":" + std::to_string(port));
    }
    int socketState() const override { return state; }
    bool socketSend(std::string_view bytes) override {
        if (state != kSocketConnected) return false;
        sent.emplace_back(bytes);
        log.push_back("send:" + std::string(bytes));
        return true;
    }
    std::string socketReadAll() override {
        std::string out;
        out.swap(incoming);
        return out;
    }
    void sleepMs(int ms) override {
        sleptMs += ms;
        ++sleeps;
        if (ms >= 1000) log.push_back("sleep:" + std::to_string(ms));
    }
    void processEvents() override { ++eventsRun; }
    void timerStart(TimerId id, int intervalMs) override {
        timers[id] = intervalMs;
        ++timerStarts;
    }
    void timerStop(TimerId id) override { timers.erase(id); }
    std::optional<std::string> readConfig() override { return configFile; }
    std::optional<std::string> writeConfig(const std::string& content) override {
        ++writes;
        if (writeError) return writeError;
        configFile = content;
        return std::nullopt;
    }
    void showAbout(const std::string& title, const std::string& text) override {
        abouts.emplace_back(title, text);
    }
    void reportError(const std::string& line) override { errors.push_back(line); }
    void endProcess(int code) override {
        if (!exitCode) exitCode = code;
    }
};

// A core on a fake platform, started up and (optionally) connected to a node.
struct Rig {
    FakePlatform platform;
    Core core{platform};

    explicit Rig(bool connected = true) {
        core.link.startUp();
        if (connected) {
            core.link.connectToNode();
            platform.state = kSocketConnected;
            core.link.onConnected();
            platform.sent.clear();
            platform.log.clear();
        }
    }

    // One arrival of data from the node.
    void arrive(const std::string& data) {
        platform.incoming = data;
        core.stream.onDataArrival();
    }

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
