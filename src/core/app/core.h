#pragma once
#include <cstdint>

#include "app/monitor_buttons.h"
#include "app/monitor_window.h"
#include "classify/recognition.h"
#include "classify/release.h"
#include "classify/statistics.h"
#include "classify/traffic.h"
#include "common/event_guard.h"
#include "common/platform.h"
#include "config/config_file.h"
#include "config/screens.h"
#include "config/settings_commands.h"
#include "config/settings_window.h"
#include "connections/connects_commands.h"
#include "connections/connects_window.h"
#include "connections/grid.h"
#include "link/command_line.h"
#include "link/node_link.h"
#include "link/sentence_stream.h"
#include "link/status_sentences.h"
#include "table/socket_table.h"

namespace dx {

// The whole program without its windows: every value the subsystems keep and every property the
// windows show. Events come in through the subsystems' handlers; everything that goes out goes
// through the Platform.
class Core {
  public:
    explicit Core(Platform& platform) : platform(platform) {}
    Core(const Core&) = delete;
    Core& operator=(const Core&) = delete;

    Platform& platform;
    EventGuard guard{platform};

    MonitorWindow monitor;
    ConnectsWindow connects;
    SettingsWindow settings;

    ConfigFile config{*this};
    NodeLink link{*this};
    SentenceStream stream{*this};
    StatusSentences status{*this};
    CommandLine commands{*this};
    SocketTable table{*this};
    Traffic traffic{*this};
    Recognition recognition{*this};
    Release release{*this};
    Statistics statistics{*this};
    Grid grid{*this};
    Screens screens{*this};
    MonitorButtons monitorButtons{*this};
    ConnectsCommands connectsCommands{*this};
    SettingsCommands settingsCommands{*this};

    // The socket the node itself monitors for this program: 0 for the whole run, and row 0 is
    // never a socket.
    const std::int16_t MonitoredSocket = 0;

    // A window comes into being the first time anything touches it; its load runs then.
    void EnsureConnectsLoaded();
    void EnsureSettingsLoaded();

    // Sends to the node when the link is open; answers whether it was sent.
    bool Send(std::string_view text) { return platform.socketSend(text); }
    bool Connected() const { return platform.socketState() == kSocketConnected; }
};

}  // namespace dx
