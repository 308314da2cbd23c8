#include "app.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "app/config_location.h"

namespace dx::ui {

QString App::defaultConfigPath() {
    const QString path = usualConfigPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    return path;
}

QString App::usualConfigPath() {
    // Decided once, at start-up.
    const QString own = QCoreApplication::applicationDirPath();
    const QByteArray ownPath = QFile::encodeName(own);
    const bool writable = QFileInfo(own).isWritable();
    const std::filesystem::path cfg =
        configLocation(std::filesystem::path(ownPath.toStdString()), writable,
                       qEnvironmentVariable("XDG_CONFIG_HOME").toStdString(), QDir::homePath().toStdString());
    return QFile::decodeName(cfg.string().c_str());
}

App::App(const QString& configPath, const Options& options)
    : platform_(configPath),
      core_(std::make_unique<Core>(platform_)),
      historyPath_(options.historyPath),
      historyKeepDays_(options.historyKeepDays) {
    loadDesignFonts();
    core_->reconnect.setFirstWait(options.reconnectSeconds);
    if (!options.logPath.isEmpty()) {
        log_ = std::make_unique<TrafficLog>(options.logPath, configPath);
        core_->monitor.pane.setTap([log = log_.get()](std::string_view text) { log->take(text); });
    }
    const EventRunner run = [this](const std::function<void()>& handler) {
        runEvent("a window event", handler);
    };
    find_ = std::make_unique<PaneFind>(core_->monitor.pane, regex_);
    monitor_ = std::make_unique<MonitorWindow>(*core_, *find_, run);
    connects_ = std::make_unique<ConnectionsWindow>(*core_, run);
    settings_ = std::make_unique<SettingsWindow>(*core_, run);
    QAction* history = connects_->menuHistory;
    history->setEnabled(!historyPath_.isEmpty());
    if (historyPath_.isEmpty()) history->setToolTip(QStringLiteral("No history is kept"));
    connect(history, &QAction::triggered, this, [this] { openHistoryWindow(); });
    connect(connects_->menuHelp, &QAction::triggered, this, [this] { openGuide(); });
    watchList_ = std::make_unique<WatchListWindow>(*core_, run);
    notifier_ = std::make_unique<DesktopNotifier>([this] { showMonitor(); });
    connect(&platform_, &QtPlatform::desktopNotice, notifier_.get(), &DesktopNotifier::show);

    Core& c = *core_;
    connect(&platform_, &QtPlatform::linkConnected, this,
            [this, &c] { runEvent("the link's connect", [&c] { c.reconnect.onConnected(); }); });
    connect(&platform_, &QtPlatform::linkClosedByPeer, this,
            [this, &c] { runEvent("the link's close", [&c] { c.reconnect.onClosedByPeer(); }); });
    connect(&platform_, &QtPlatform::linkError, this, [this, &c](const QString& d) {
        runEvent("a link error", [&c, &d] { c.reconnect.onError(latin1Bytes(d)); });
    });
    // The arrival guards each sentence itself, naming its head.
    connect(&platform_, &QtPlatform::dataArrived, this,
            [this, &c] { inEvent([&c] { c.stream.onDataArrival(); }); });
    connect(&platform_, &QtPlatform::reconnectDue, this,
            [this, &c] { runEvent("the next try to connect", [&c] { c.reconnect.onTryDue(); }); });
    connect(&platform_, &QtPlatform::linkSteady, this,
            [this, &c] { runEvent("a link up for a minute", [&c] { c.reconnect.onSteady(); }); });
    connect(&platform_, &QtPlatform::keepAliveTick, this,
            [this, &c] { runEvent("the watchdog's tick", [&c] { c.reconnect.onWatchdogTick(); }); });
    connect(&platform_, &QtPlatform::dxDeTick, this,
            [this, &c] { runEvent("the spot timer's tick", [&c] { c.spotDelay.onTick(); }); });
}

App::~App() {
    delete historyWindow_;
    endHistory();
    core_->monitor.pane.setTap(nullptr);
    notifier_.reset();
    // Windows go before the core whose state they show.
    tray_.reset();
    guide_.reset();
    watchList_.reset();
    settings_.reset();
    connects_.reset();
    monitor_.reset();
}

void App::start() {
    runEvent("the start-up", [this] {
        core_->link.startUp();
        core_->watchSettings.load();
    });
    startHistory();
    // Where there is no tray, nothing changes.
    if (!tray_ && QSystemTrayIcon::isSystemTrayAvailable()) {
        tray_ = std::make_unique<TrayIcon>(
            *core_, [this](const std::function<void()>& handler) { runEvent("the tray icon", handler); },
            !historyPath_.isEmpty(), [this] { openHistoryWindow(); });
        sync();
    }
}

void App::startHistory() {
    if (historyPath_.isEmpty() || history_) return;
    history_ = std::make_unique<HistoryStore>(historyPath_, configuredNode(), HistoryStore::kRetryEvery,
                                              historyKeepDays_);
    recorder_ = std::make_unique<HistoryRecorder>(core_->config, core_->statistics, *history_);
    core_->events.subscribe(*recorder_);
    // The process ends at once when the program ends: the last rows are written first.
    platform_.beforeEnd = [this] { endHistory(); };
    connect(&historyClock_, &QTimer::timeout, this, [this] { historyTick(); });
    // The recorder hands its rows over at each tick, ten times a second: with the writer's 0.85 s
    // wait and its commit, a row is on the disk within a second of the event that made it.
    historyClock_.start(100);
}

std::string App::configuredNode() const {
    const ConfigValues& config = core_->config;
    return historyText(config.remoteHost) + ":" + std::to_string(config.remotePort);
}

void App::openHistoryWindow() {
    if (historyPath_.isEmpty()) return;
    if (!historyWindow_) {
        historyWindow_ = new HistoryWindow(historyPath_, configuredNode());
        historyWindow_->setAttribute(Qt::WA_DeleteOnClose);  // what it read goes with it
        connect(historyWindow_, &QObject::destroyed, this, [] { handBackFreedMemory(); });
    }
    historyWindow_->show();
    historyWindow_->raise();
    historyWindow_->activateWindow();
}

void App::endHistory() {
    historyClock_.stop();
    if (recorder_) {
        // What was made since the last tick goes too.
        recorder_->clockTick(platform_.nowUtc());
        core_->events.unsubscribe(*recorder_);
    }
    recorder_.reset();
    if (history_) history_->stop();
}

void App::historyTick() {
    if (!history_) return;
    if (recorder_) {
        HistoryRecorder& recorder = *recorder_;
        core_->guard.run("the history's clock",
                         [this, &recorder] { recorder.clockTick(platform_.nowUtc()); });
    }
    const std::vector<std::string> notices = history_->takeNotices();
    if (notices.empty()) return;
    // As an event of its own, so that the traffic log has the lines too.
    runEvent("the history's notice", [this, &notices] {
        for (const std::string& notice : notices) core_->monitor.pane.append("\r\n" + notice, colours::kRed);
    });
}

void App::openGuide() {
    if (!guide_) guide_ = std::make_unique<GuideWindow>();
    guide_->show();
    guide_->raise();
    guide_->activateWindow();
}

void App::showMonitor() {
    runEvent("the notification's action", [this] {
        WindowModel& window = core_->monitor.window;
        if (window.state() == WindowState::Minimized) window.setState(WindowState::Normal);
        window.bringToFront();
    });
}

void App::pressConnect() {
    runEvent("Connect", [this] { core_->reconnect.connectNow(); });
}

void App::runEvent(std::string_view what, const std::function<void()>& handler) {
    inEvent([this, what, &handler] { core_->guard.run(what, handler); });
}

void App::inEvent(const std::function<void()>& event) {
    // An arrival's lines carry the time its bytes came, however long its sentences then take. An
    // event let run while another waits has its own time, and leaves the writing to the outer
    // one, so that no line is cut in two.
    const qint64 outer = log_ ? log_->arrivalTime() : 0;
    if (log_) log_->setArrivalTime(QDateTime::currentSecsSinceEpoch());
    ++eventDepth_;
    event();
    --eventDepth_;
    if (log_) log_->setArrivalTime(outer);
    if (eventDepth_ == 0) writeLog();
    sync();
}

void App::writeLog() {
    if (!log_) return;
    Pane& pane = core_->monitor.pane;
    const auto why = log_->write();
    if (!why) {
        logNoticeAt_.reset();
        return;
    }
    // Said again whenever the pane's text was replaced ("Trying", "Connected") since it was said.
    if (logNoticeAt_ == pane.replacements()) return;
    pane.append("\r\n*** The traffic log " + latin1Bytes(log_->path()) + " cannot be written: " + *why,
                colours::kRed);
    logNoticeAt_ = pane.replacements();
}

void App::sync() {
    // Applying a place or size to a window can report back into the core; one pass at a time.
    if (syncing_) return;
    syncing_ = true;
    monitor_->sync();
    connects_->sync();
    settings_->sync();
    watchList_->sync();
    if (tray_) {
        core_->trayStatus.refresh();
        tray_->sync();
    }
    syncing_ = false;
}

}  // namespace dx::ui
