#pragma once
#include "alerts/link_alerts.h"
#include "alerts/watch_list.h"
#include "alerts/watched_calls.h"
#include "app/config_file.h"
#include "app/connections_commands.h"
#include "app/monitor_buttons.h"
#include "app/node_link.h"
#include "app/reconnect.h"
#include "app/screens.h"
#include "app/sentence_stream.h"
#include "app/settings_commands.h"
#include "app/tray_status.h"
#include "app/watch_settings.h"
#include "app/watchdog.h"
#include "app/window_loader.h"
#include "common/alert_settings.h"
#include "common/event_guard.h"
#include "common/platform.h"
#include "sockets/recognition.h"
#include "sockets/release.h"
#include "sockets/socket_events.h"
#include "sockets/socket_table.h"
#include "sockets/spot_delay.h"
#include "sockets/statistics.h"
#include "sockets/status_sentences.h"
#include "sockets/traffic.h"
#include "sockets/traffic_rows.h"
#include "views/connections_model.h"
#include "views/grid.h"
#include "views/monitor_model.h"
#include "views/port_rows.h"
#include "views/settings_model.h"
#include "views/tray_model.h"
#include "views/watch_list_model.h"
#include "wire/node_sender.h"

namespace dx {

// The whole program without its windows, and the one place its parts are put together: each part
// is handed the few others it uses. Events come in through the parts' handlers; everything that
// goes out goes through the Platform. No part includes this header.
class Core {
  public:
    explicit Core(Platform& platform) : platform(platform) {}
    Core(const Core&) = delete;
    Core& operator=(const Core&) = delete;

    Platform& platform;
    EventGuard guard{platform};
    NodeSender sender{platform};

    MonitorModel monitor;
    ConnectionsModel connects;
    SettingsModel settings;
    WatchListModel watchListWindow;
    TrayModel tray;

    // Values two or more parts share, each written by one of them.
    PortRows ports;
    TrafficRows trafficRows;
    AlertSettings alertSettings;
    WatchList watchList;

    // Declared so that no part is handed another before that one is made, where it reads it
    // then or holds part of it: the grid copies its template row, the window loader holds the
    // configuration's values.
    Grid grid{connects, ports};
    SpotDelay spotDelay{platform};
    Watchdog watchdog{platform, connects};
    // Publishes users' arrivals and departures and the link's state to whoever subscribes.
    SocketEvents events{grid, platform, monitor};
    Statistics statistics{grid, trafficRows, events, monitor, connects};
    Release release{grid, statistics, sender, monitor};
    ConfigFile config{screens, loader, platform, monitor, connects, settings};
    WindowLoader loader{connects, settings, config, trafficRows};
    Screens screens{grid, loader, monitor, connects, settings};
    Recognition recognition{grid, release, spotDelay, sender, config, config, monitor, connects};
    Traffic traffic{grid, recognition, ports, trafficRows, connects};
    SocketTable table{grid, release, statistics, spotDelay, sender, ports, monitor, connects};
    StatusSentences status{grid, recognition, ports, monitor, connects};
    // What the operator is told while not looking: the link lost and back; below, watched calls.
    LinkAlerts linkAlerts{config, alertSettings, platform};
    SentenceStream stream{table,      traffic, status, recognition, watchdog,
                          linkAlerts, events,  guard,  platform,    monitor};
    NodeLink link{config, status,   loader, screens,  table,   statistics, events,
                  grid,   watchdog, sender, platform, monitor, connects};
    // Watched calls coming and going, following the users' comings and goings while the list
    // names any.
    WatchedCalls watchedCalls{watchList, alertSettings, config, platform};
    WatchSettings watchSettings{alertSettings, watchList, watchedCalls,   events,
                                platform,      monitor,   watchListWindow};
    Reconnect reconnect{link, watchdog, linkAlerts, platform, monitor};
    MonitorButtons monitorButtons{sender, monitor};
    ConnectionsCommands connectionsCommands{link,   table,    status,  grid,     spotDelay, loader,
                                            sender, platform, monitor, connects, settings};
    SettingsCommands settingsCommands{config, settings};
    // What the tray icon shows, brought up to date after every event.
    TrayStatus trayStatus{statistics, events, watchdog, config, monitor, connects, tray};
};

}  // namespace dx
