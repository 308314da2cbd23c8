#pragma once
#include <cstdint>

#include "app/config_file.h"
#include "app/connects_commands.h"
#include "app/monitor_buttons.h"
#include "app/node_link.h"
#include "app/screens.h"
#include "app/sentence_stream.h"
#include "app/settings_commands.h"
#include "app/status_sentences.h"
#include "common/event_guard.h"
#include "common/platform.h"
#include "sockets/command_line.h"
#include "sockets/recognition.h"
#include "sockets/release.h"
#include "sockets/socket_table.h"
#include "sockets/statistics.h"
#include "sockets/traffic.h"
#include "views/connects_window.h"
#include "views/grid.h"
#include "views/monitor_window.h"
#include "views/settings_window.h"

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
