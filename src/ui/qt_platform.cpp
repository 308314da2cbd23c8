#include "qt_platform.h"

#include "alert_settings_file.h"
#include "file_writer.h"
#include "latin1.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace dx::ui {
namespace {

// Far more than the fifteen records of a configuration ever take.
constexpr qint64 kConfigReadLimit = 1 << 20;

// A node whose host loses power, or whose link a router drops, sends neither a close nor a reset:
// without these the link would stay up for good. After a minute with nothing received TCP probes
// the node every 10 s and gives up after three unanswered probes; data of ours that stays
// unacknowledged for 90 s ends the link too. Either way the link ends with an error, as any lost
// link does. (Qt's own keep-alive option turns the probes on but leaves the system's two hours.)
void watchForVanishedNode(qintptr descriptor) {
    if (descriptor < 0) return;
    const int fd = static_cast<int>(descriptor);
    const int on = 1;
    const int idleSeconds = 60;
    const int probeIntervalSeconds = 10;
    const int probes = 3;
    const unsigned int unacknowledgedMs = 90000;
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idleSeconds, sizeof idleSeconds);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &probeIntervalSeconds, sizeof probeIntervalSeconds);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
    ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &unacknowledgedMs, sizeof unacknowledgedMs);
}

}  // namespace

QtPlatform::QtPlatform(QString configPath, QObject* parent)
    : QObject(parent),
      configPath_(std::move(configPath)),
      alertSettingsPath_(alertSettingsPathFor(configPath_)),
      configKept_(!isNullDevice(configPath_)) {
    // What the program has not yet read stays with TCP, which then holds the node back: a node
    // that sends faster than the program handles sentences cannot make it grow.
    socket_.setReadBufferSize(64 * 1024);
    keepAlive_.setTimerType(Qt::PreciseTimer);
    dxDe_.setTimerType(Qt::PreciseTimer);
    connect(&keepAlive_, &QTimer::timeout, this, &QtPlatform::keepAliveTick);
    connect(&dxDe_, &QTimer::timeout, this, &QtPlatform::dxDeTick);
    connect(&reconnect_, &QTimer::timeout, this, &QtPlatform::reconnectDue);
    connect(&linkSteady_, &QTimer::timeout, this, &QtPlatform::linkSteady);
    connect(&socket_, &QTcpSocket::connected, this, [this] {
        watchForVanishedNode(socket_.socketDescriptor());
        emit linkConnected();
    });
    connect(&socket_, &QTcpSocket::readyRead, this, [this] { emit dataArrived(socket_.bytesAvailable()); });
    connect(&socket_, &QTcpSocket::disconnected, this, [this] {
        // Our own close says nothing; only the node's close is an event.
        if (!closing_) emit linkClosedByPeer();
    });
    connect(&socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        if (error == QAbstractSocket::RemoteHostClosedError) return;  // the close event follows
        emit linkError(socket_.errorString());
    });
}

void QtPlatform::socketClose() {
    closing_ = true;
    socket_.abort();
    closing_ = false;
}

void QtPlatform::socketConnect(const std::string& host, std::int32_t port) {
    // A port outside 0..65535 reaches no node; the socket layer's error says so.
    const auto p = static_cast<quint16>(port < 0 || port > 65535 ? 0 : port);
    socket_.connectToHost(latin1Text(host), p);
}

int QtPlatform::socketState() const {
    switch (socket_.state()) {
        case QAbstractSocket::HostLookupState:
        case QAbstractSocket::ConnectingState:
            return kSocketConnecting;
        case QAbstractSocket::ConnectedState:
            return kSocketConnected;
        case QAbstractSocket::ClosingState:
            return kSocketClosing;
        default:
            return kSocketClosed;
    }
}

bool QtPlatform::socketSend(std::string_view bytes) {
    if (socket_.state() != QAbstractSocket::ConnectedState) return false;
    if (bytes.empty()) return true;
    socket_.write(bytes.data(), static_cast<qint64>(bytes.size()));
    return true;
}

std::string QtPlatform::socketReadAll() {
    const QByteArray data = socket_.readAll();
    return std::string(data.constData(), static_cast<std::size_t>(data.size()));
}

void QtPlatform::sleepMs(int ms) {
    const auto scaled = static_cast<unsigned long>(ms * sleepScale);
    if (scaled > 0) QThread::msleep(scaled);
}

void QtPlatform::processEvents() {
    QCoreApplication::processEvents();
}

QTimer& QtPlatform::timer(TimerId id) {
    switch (id) {
        case TimerId::KeepAlive:
            return keepAlive_;
        case TimerId::DxDe:
            return dxDe_;
        case TimerId::Reconnect:
            return reconnect_;
        default:
            return linkSteady_;
    }
}

void QtPlatform::timerStart(TimerId id, int intervalMs) {
    timer(id).start(intervalMs);
}

void QtPlatform::timerStop(TimerId id) {
    timer(id).stop();
}

std::optional<std::string> QtPlatform::readConfig() {
    // Only a regular file (or a link to one) is a configuration. A directory, a FIFO that would
    // hold the start-up until someone writes to it, or a device that never ends reads as no
    // file, as on a first run.
    if (!QFileInfo(configPath_).isFile()) return std::nullopt;
    QFile file(configPath_);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    QByteArray data = file.read(kConfigReadLimit);
    if (!file.atEnd()) {
        // A file this large is not one the program wrote; of its first megabyte only whole lines
        // are read, so that no record is read cut short.
        const qsizetype lineEnd = std::max(data.lastIndexOf('\n'), data.lastIndexOf('\r'));
        data.truncate(lineEnd + 1);
    }
    return std::string(data.constData(), static_cast<std::size_t>(data.size()));
}

std::optional<std::string> QtPlatform::writeConfig(const std::string& content) {
    // A linked configuration (one kept elsewhere) is saved to the file it points at and stays a
    // link; a device, a FIFO or a socket in its place is never replaced.
    if (const auto why =
            saveWhole(configPath_, QByteArrayView(content.data(), static_cast<qsizetype>(content.size()))))
        return latin1Bytes(*why);
    return std::nullopt;
}

bool QtPlatform::configKept() const {
    return configKept_;
}

std::optional<AlertSettings> QtPlatform::readAlertSettings() {
    return readAlertSettingsFile(alertSettingsPath_);
}

std::optional<std::string> QtPlatform::writeAlertSettings(const AlertSettings& settings) {
    if (const auto why = saveAlertSettingsFile(alertSettingsPath_, settings)) return latin1Bytes(*why);
    return std::nullopt;
}

std::string QtPlatform::alertSettingsName() const {
    return latin1Bytes(QFileInfo(alertSettingsPath_).fileName());
}

void QtPlatform::notify(const DesktopNotice& notice) {
    emit desktopNotice(notice);
}

std::string QtPlatform::configName() const {
    return latin1Bytes(QFileInfo(configPath_).fileName());
}

void QtPlatform::reportError(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

void QtPlatform::showAbout(const std::string& title, const std::string& text) {
    const QString t = latin1Text(title);
    const QString x = latin1Text(text);
    if (onAbout) {
        onAbout(t, x);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, t, x, QMessageBox::Ok);
    box.exec();
}

void QtPlatform::endProcess(int exitCode) {
    if (beforeEnd) std::exchange(beforeEnd, nullptr)();
    if (onEnd) {
        onEnd(exitCode);
        return;
    }
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

}  // namespace dx::ui
