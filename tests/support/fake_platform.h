#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/platform.h"
#include "support/failure.h"

namespace dx::kit {

// The one platform of the unit tests, the fuzz targets and the benchmarks. It records what the
// program does to the outside and lets a test play the node: sends are kept in order, sleeps are
// added up instead of slept, arrivals come from `incoming`, the configuration file lives in memory
// and the link's state is whatever the test sets.
class FakePlatform : public Platform {
  public:
    int state = kSocketClosed;
    // Whether each send is kept, in `sent` and in `log`. Long runs (the fuzz targets, the
    // benchmarks) turn it off: nothing reads the texts there, and they would only pile up.
    bool keepSends = true;
    std::vector<std::string> sent;
    std::vector<std::string> errors;  // programming errors the event guard reported
    // Whether a reported programming error also goes to the program's failure hook; a test that
    // provokes one on purpose turns this off and reads `errors`.
    bool errorsFail = true;
    std::string incoming;  // what the next socketReadAll() hands over
    int sleptMs = 0;
    int sleeps = 0;
    int eventsRun = 0;
    int closes = 0;
    std::vector<std::pair<std::string, std::int32_t>> connects;
    // The running timers with their intervals: a stopped timer has no entry, so every timer the
    // program names has its place, however many there are.
    std::map<TimerId, int> timers;
    int timerStarts = 0;
    std::optional<std::string> configFile;
    std::optional<std::string> writeError;  // when set, every save fails with this reason
    bool keepsConfig = true;                // false: the operator named the null device
    int configReads = 0;
    int writes = 0;
    // The alert settings' file: none, or what it holds; every write of it, in order.
    std::optional<AlertSettings> alertSettingsFile;
    int alertSettingsWrites = 0;
    std::vector<DesktopNotice> notices;  // handed to the desktop, in order
    std::vector<std::pair<std::string, std::string>> abouts;
    std::optional<int> exitCode;
    std::chrono::sys_seconds now{std::chrono::sys_days{std::chrono::December / 9 / 2026}};  // the clock
    // "connect:host:port", "send:B", "sleep:2000" (sleeps of a second or more), "close", in order.
    std::vector<std::string> log;

    bool timerRunning(TimerId id) const { return timers.count(id) != 0; }

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
        if (keepSends) {
            sent.emplace_back(bytes);
            log.push_back("send:" + std::string(bytes));
        }
        return true;
    }
    std::string socketReadAll() override { return std::exchange(incoming, std::string()); }
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
    std::optional<std::string> readConfig() override {
        ++configReads;
        return configFile;
    }
    std::optional<std::string> writeConfig(const std::string& content) override {
        ++writes;
        if (writeError) return writeError;
        configFile = content;
        return std::nullopt;
    }
    std::optional<AlertSettings> readAlertSettings() override { return alertSettingsFile; }
    std::optional<std::string> writeAlertSettings(const AlertSettings& settings) override {
        ++alertSettingsWrites;
        if (writeError) return writeError;
        alertSettingsFile = settings;
        return std::nullopt;
    }
    void notify(const DesktopNotice& notice) override { notices.push_back(notice); }
    bool configKept() const override { return keepsConfig; }
    std::chrono::sys_seconds nowUtc() const override { return now; }
    void showAbout(const std::string& title, const std::string& text) override {
        abouts.emplace_back(title, text);
    }
    void reportError(const std::string& line) override {
        errors.push_back(line);
        if (errorsFail) fail(line);
    }
    void endProcess(int code) override {
        if (!exitCode) exitCode = code;
    }
};

}  // namespace dx::kit
