#include "app.h"

#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "config/config_location.h"

namespace dx::ui {

QString App::DefaultConfigPath() {
    // Decided once, at start-up.
    const QString own = QCoreApplication::applicationDirPath();
    const QByteArray ownPath = QFile::encodeName(own);
    const bool writable = ::access(ownPath.constData(), W_OK) == 0;
    const std::filesystem::path cfg =
        ConfigLocation(std::filesystem::path(ownPath.toStdString()), writable,
                       qEnvironmentVariable("XDG_CONFIG_HOME").toStdString(), QDir::homePath().toStdString());
    const QString path = QFile::decodeName(cfg.string().c_str());
    QDir().mkpath(QFileInfo(path).absolutePath());
    return path;
}

App::App(const QString& configPath) : platform_(configPath), core_(std::make_unique<Core>(platform_)) {
    LoadDesignFonts();
    const auto after = [this] { sync(); };
    monitor_ = std::make_unique<FrmMonitor>(*core_, after);
    connects_ = std::make_unique<FrmConnects>(*core_, after);
    settings_ = std::make_unique<FrmSettings>(*core_, after);

    Core& c = *core_;
    connect(&platform_, &QtPlatform::linkConnected, this, [this, &c] {
        c.link.OnConnected();
        sync();
    });
    connect(&platform_, &QtPlatform::linkClosedByPeer, this, [this, &c] {
        c.link.OnClosedByPeer();
        sync();
    });
    connect(&platform_, &QtPlatform::linkError, this, [this, &c](const QString& d) {
        const QByteArray b = d.toLatin1();
        c.link.OnError(std::string(b.constData(), static_cast<std::size_t>(b.size())));
        sync();
    });
    connect(&platform_, &QtPlatform::dataArrived, this, [this, &c] {
        c.stream.OnDataArrival();
        sync();
    });
    connect(&platform_, &QtPlatform::keepAliveTick, this, [this, &c] {
        c.commands.OnKeepAliveTick();
        sync();
    });
    connect(&platform_, &QtPlatform::dxDeTick, this, [this, &c] {
        c.commands.OnDxDeTick();
        sync();
    });
}

App::~App() {
    // Windows go before the core whose state they show.
    settings_.reset();
    connects_.reset();
    monitor_.reset();
}

void App::start() {
    core_->link.Startup();
    sync();
}

void App::sync() {
    // Applying a place or size to a window can report back into the core; one pass at a time.
    if (syncing_) return;
    syncing_ = true;
    monitor_->sync();
    connects_->sync();
    settings_->sync();
    syncing_ = false;
}

}  // namespace dx::ui
