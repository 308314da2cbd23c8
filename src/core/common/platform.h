#pragma once
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/alert_settings.h"

namespace dx {

// The node link's state as the program tests it.
enum SocketState : int { kSocketClosed = 0, kSocketConnecting = 6, kSocketConnected = 7, kSocketClosing = 8 };

enum class TimerId { KeepAlive, DxDe, Reconnect, LinkSteady };

// Everything the program does to the world outside its own state goes through here: the node
// link, time, the event loop, the timers, the clock, the configuration file and the alert settings
// beside it, the desktop's notifications, the About box, the error report and the end of the
// process. The desktop build implements it with Qt; the tests with a
// fake that records.
class Platform {
  public:
    virtual ~Platform() = default;

    // Node link. `socketSend` answers false when the link is not open (nothing is sent).
    virtual void socketClose() = 0;
    virtual void socketConnect(const std::string& host, std::int32_t port) = 0;
    virtual int socketState() const = 0;
    virtual bool socketSend(std::string_view bytes) = 0;
    virtual std::string socketReadAll() = 0;

    // Blocks the program for ms milliseconds; lets pending window events run once.
    virtual void sleepMs(int ms) = 0;
    virtual void processEvents() = 0;

    // Starts (or starts anew) and stops a timer; a started timer ticks every interval.
    virtual void timerStart(TimerId id, int intervalMs) = 0;
    virtual void timerStop(TimerId id) = 0;

    // The configuration file. `readConfig` answers nothing when there is no file to read.
    // `writeConfig` replaces the file whole or leaves the old one whole; it answers nothing when
    // the new content is in place, else why it is not, in the system's own words.
    virtual std::optional<std::string> readConfig() = 0;
    virtual std::optional<std::string> writeConfig(const std::string& content) = 0;
    // The configuration file's name, as the operator knows it.
    virtual std::string configName() const { return "Monitor.cfg"; }
    // False when the operator named the null device as the configuration: nothing is to be read
    // or saved.
    virtual bool configKept() const { return true; }

    // The watch list and the desktop's notifications, kept in a file of their own beside the
    // configuration and shared by the configurations in its directory. `readAlertSettings`
    // answers nothing when there is no file to read. `writeAlertSettings` reads the file again and
    // replaces only these settings, keeping whatever else it holds; the file is replaced whole or
    // left whole, and the answer is as `writeConfig`'s.
    virtual std::optional<AlertSettings> readAlertSettings() = 0;
    virtual std::optional<std::string> writeAlertSettings(const AlertSettings& settings) = 0;
    // That file's name, as the operator knows it.
    virtual std::string alertSettingsName() const { return "dxmonitor.ini"; }

    // Hands a notification to the desktop; whether and how it shows is the desktop's affair, and
    // the program never waits for it.
    virtual void notify(const DesktopNotice& notice) = 0;

    // The time now, UTC, to the second: what the published events carry.
    virtual std::chrono::sys_seconds nowUtc() const {
        return std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
    }

    virtual void showAbout(const std::string& title, const std::string& text) = 0;
    // Writes one line about a programming error where the operator's logs will find it.
    virtual void reportError(const std::string& line) = 0;
    // Ends the process at once with the exit code.
    virtual void endProcess(int exitCode) = 0;
};

}  // namespace dx
