#pragma once
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "app/core.h"
#include "connections_window.h"
#include "desktop_notifier.h"
#include "guide_window.h"
#include "history/history_recorder.h"
#include "history_store.h"
#include "history_window.h"
#include "monitor_window.h"
#include "options.h"
#include "qt_platform.h"
#include "qt_regex.h"
#include "settings_window.h"
#include "traffic_log.h"
#include "tray_icon.h"
#include "watch_list_window.h"

namespace dx::ui {

// The running program: the core, its desktop platform and the three windows. Every event from the
// link, a timer or a window runs its handler in the core and then brings the windows up to date.
class App : public QObject {
    Q_OBJECT
  public:
    explicit App(const QString& configPath, const Options& options = {});
    ~App() override;

    // The monitor window's load: configuration read, windows shown, the tray icon made where the
    // desktop has a tray. No connection is made.
    void start();
    // Connect, as the operator presses it.
    void pressConnect();
    // Brings every window up to date with the core.
    void sync();
    // Runs one handler of the program under its event guard, then brings the windows up to date.
    void runEvent(std::string_view what, const std::function<void()>& handler);

  private:
    // Runs one event: the lines it brings to the pane carry the time it began, and the outermost
    // event writes them to the traffic log.
    void inEvent(const std::function<void()>& event);
    // Writes what the pane showed during the event to the traffic log, if there is one.
    void writeLog();
    // Opens the history and has it follow the users and the link; ends it, written to the last row.
    void startHistory();
    void endHistory();
    // The history's minute clock, and what its writer has to tell the operator.
    void historyTick();
    // The node as the history names it: the configured address, ":" and the port.
    std::string configuredNode() const;

  public:
    Core& core() { return *core_; }
    QtPlatform& platform() { return platform_; }
    MonitorWindow& monitor() { return *monitor_; }
    ConnectionsWindow& connects() { return *connects_; }
    // The history's store, while one is kept.
    HistoryStore* history() { return history_.get(); }
    // Opens the History window on the history in use, or brings it to the front.
    void openHistoryWindow();
    // The History window while it is open.
    HistoryWindow* historyWindow() { return historyWindow_; }
    SettingsWindow& settings() { return *settings_; }
    // Opens the operator's guide, or brings it to the front.
    void openGuide();
    // The guide's window, once opened.
    GuideWindow* guide() { return guide_.get(); }
    // Shows the core's notices on the desktop.
    DesktopNotifier& notifier() { return *notifier_; }
    // The monitor window shown, from minimized too, and brought to the front, as a notification's
    // action asks.
    void showMonitor();
    // What the monitor window's find bar looks for in the pane.
    PaneFind& find() { return *find_; }
    WatchListWindow& watchList() { return *watchList_; }
    // The tray icon, made at start only where the desktop has a tray.
    TrayIcon* tray() { return tray_.get(); }

    // The configuration file beside the program, its directory made when missing.
    static QString defaultConfigPath();
    // The same, without making anything: where it is, or would be.
    static QString usualConfigPath();

  private:
    QtPlatform platform_;
    std::unique_ptr<Core> core_;
    QtRegexEngine regex_;
    std::unique_ptr<PaneFind> find_;  // in core_'s pane
    std::unique_ptr<MonitorWindow> monitor_;
    std::unique_ptr<ConnectionsWindow> connects_;
    std::unique_ptr<SettingsWindow> settings_;
    std::unique_ptr<GuideWindow> guide_;
    std::unique_ptr<DesktopNotifier> notifier_;
    std::unique_ptr<WatchListWindow> watchList_;
    std::unique_ptr<TrayIcon> tray_;
    std::unique_ptr<TrafficLog> log_;
    QString historyPath_;
    int historyKeepDays_ = 0;
    std::unique_ptr<HistoryStore> history_;
    std::unique_ptr<HistoryRecorder> recorder_;  // writes into history_
    QTimer historyClock_;
    QPointer<HistoryWindow> historyWindow_;  // gone when the operator closes it
    // The pane's replacement count when it last said that the log cannot be written.
    std::optional<std::size_t> logNoticeAt_;
    int eventDepth_ = 0;
    bool syncing_ = false;
};

}  // namespace dx::ui
