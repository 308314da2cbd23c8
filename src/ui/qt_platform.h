#pragma once
#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QTimer>
#include <functional>

#include "common/platform.h"

namespace dx::ui {

// The program's outside world on the desktop: the node link over a QTcpSocket, the two timers,
// the configuration file beside the program and dxmonitor.ini beside it, the desktop's
// notifications, the About box and the end of the process.
class QtPlatform : public QObject, public Platform {
    Q_OBJECT
  public:
    explicit QtPlatform(QString configPath, QObject* parent = nullptr);

    void socketClose() override;
    void socketConnect(const std::string& host, std::int32_t port) override;
    int socketState() const override;
    bool socketSend(std::string_view bytes) override;
    std::string socketReadAll() override;
    void sleepMs(int ms) override;
    void processEvents() override;
    void timerStart(TimerId id, int intervalMs) override;
    void timerStop(TimerId id) override;
    std::optional<std::string> readConfig() override;
    std::optional<std::string> writeConfig(const std::string& content) override;
    std::string configName() const override;
    bool configKept() const override;
    std::optional<AlertSettings> readAlertSettings() override;
    std::optional<std::string> writeAlertSettings(const AlertSettings& settings) override;
    std::string alertSettingsName() const override;
    void notify(const DesktopNotice& notice) override;
    void showAbout(const std::string& title, const std::string& text) override;
    void reportError(const std::string& line) override;
    void endProcess(int exitCode) override;

    const QString& configPath() const { return configPath_; }
    const QString& alertSettingsPath() const { return alertSettingsPath_; }
    QTcpSocket& socket() { return socket_; }

    // Runs just before the process ends, for what must reach the disk first.
    std::function<void()> beforeEnd;
    // Tests replace what would end the process or block on a modal box.
    std::function<void(int)> onEnd;
    std::function<void(const QString&, const QString&)> onAbout;
    // Tests may shorten the real pauses (a factor of 0 skips them).
    double sleepScale = 1.0;

  signals:
    void linkConnected();
    void linkClosedByPeer();
    void linkError(const QString& description);
    void dataArrived(qint64 bytesTotal);
    void keepAliveTick();
    void dxDeTick();
    void reconnectDue();
    void linkSteady();
    // A notification is due on the desktop: whoever shows it listens here, and must not keep the
    // program waiting.
    void desktopNotice(const dx::DesktopNotice& notice);

  private:
    QString configPath_;
    QString alertSettingsPath_;
    bool configKept_;
    QTcpSocket socket_;
    QTimer& timer(TimerId id);

    QTimer keepAlive_;
    QTimer dxDe_;
    QTimer reconnect_;
    QTimer linkSteady_;
    bool closing_ = false;
};

}  // namespace dx::ui
