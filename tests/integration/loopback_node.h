#pragma once
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <string>

#include "app.h"

namespace dx::test {

// A node on a loopback port, played by the test: it accepts the monitor and records what it sends.
class LoopbackNode {
  public:
    LoopbackNode() {
        server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server, &QTcpServer::newConnection, [this] {
            peer = server.nextPendingConnection();
            ++connections;
            accepted.start();
            QObject::connect(peer, &QTcpSocket::readyRead, [this] {
                const QByteArray b = peer->readAll();
                if (received.empty() && !b.isEmpty()) firstByteAfterMs = accepted.elapsed();
                received.append(b.constData(), static_cast<std::size_t>(b.size()));
            });
        });
    }

    quint16 port() const { return server.serverPort(); }
    bool waitForPeer(int ms = 5000) {
        return QTest::qWaitFor([this] { return peer != nullptr; }, ms);
    }
    bool waitForReceived(std::size_t n, int ms = 5000) {
        return QTest::qWaitFor([this, n] { return received.size() >= n; }, ms);
    }
    void send(const std::string& bytes) {
        peer->write(bytes.data(), static_cast<qint64>(bytes.size()));
        peer->flush();
    }

    QTcpServer server;
    QTcpSocket* peer = nullptr;  // the latest connection
    int connections = 0;
    QElapsedTimer accepted;
    qint64 firstByteAfterMs = -1;
    std::string received;
};

// The whole program with its real windows, its configuration in a temporary directory pointing at
// the loopback node, and a process end that is only recorded.
struct RunningProgram {
    QTemporaryDir dir;
    std::unique_ptr<ui::App> app;
    int exitCode = -1;

    // Without a configuration file the program starts as on a new user's first run.
    // `at` names the configuration, when it is not Monitor.cfg in a directory of the program's own.
    explicit RunningProgram(quint16 nodePort, bool withConfigFile = true, const QString& at = {},
                            const ui::Options& options = {}) {
        const QString cfg = at.isEmpty() ? dir.filePath(QStringLiteral("Monitor.cfg")) : at;
        if (withConfigFile) {
            QFile f(cfg);
            f.open(QIODevice::WriteOnly);
            f.write(QStringLiteral("\"RemoteHost\",\"127.0.0.1\"\r\n\"RemotePort\",%1\r\n")
                        .arg(nodePort)
                        .toLatin1());
            f.close();
        }
        app = std::make_unique<ui::App>(cfg, options);
        app->platform().onEnd = [this](int code) { exitCode = code; };
        app->platform().onAbout = [](const QString&, const QString&) {};
        app->start();
    }
    ~RunningProgram() {
        app->platform().socketClose();
        app.reset();
    }
    Core& core() { return app->core(); }
    std::string paneText() { return core().monitor.pane.text(); }
};

}  // namespace dx::test
