// nodesim: plays a node's monitor port, for demos, manual tests and integration tests of the
// monitor.

#include <sys/socket.h>
#include <unistd.h>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>

#include "node_server.h"

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(signalPipe[1], &c, 1);
}

// SIGINT and SIGTERM end the program through the event loop, so the monitor link is closed
// properly.
void catchSignals() {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return;
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
}

constexpr const char* kDescription =
    "Plays a DX-cluster node's monitor port for the dxmonitor program.\n"
    "\n"
    "Listens on HOST:PORT and serves one monitor at a time; each connection is a fresh\n"
    "session. After the monitor's \"B\" it sends the node's port strip, high-water marks, start\n"
    "time and the record of every socket, then a batch every 0.5-3 s (or back to back with\n"
    "--fast), each batch ended by EOT (0x04). Users connect, log in, talk and leave: KEL\n"
    "clients (latest and older versions), telnet users, node partners, a \"nocall\" socket, an\n"
    "\"echo #\" script, locked-out calls and port probes. The sockets online at the start have\n"
    "their traffic sent at once; a socket that logs in later only after the monitor asks for it.\n"
    "\n"
    "Monitor commands understood: B (start), M<socket>^ (send that socket's traffic),\n"
    "N<socket>^ (stop it), M*^ (every socket's traffic), A (the node picks the socket it\n"
    "monitors), <socket> (monitor that socket); anything else is taken as an operator line.\n"
    "Every command received is printed on stdout as \"<ISO time> recv <command>\"; other\n"
    "messages go to stderr.\n"
    "\n"
    "Recording and playing back (the file format is in RECORDING.md beside the source):\n"
    "  --record FILE             write every chunk each way, with its time, to FILE (later\n"
    "                            sessions to FILE-2, FILE-3, ... before the extension); works\n"
    "                            with the simulated node, --upstream and --replay alike.\n"
    "  --upstream HOST:PORT      pass each monitor through to a real node at HOST:PORT instead\n"
    "                            of simulating one: every byte both ways, unchanged.\n"
    "  --replay FILE             play a recording's node-to-monitor chunks to each monitor, at\n"
    "                            the recorded pace; what came after the monitor's \"B\" waits for\n"
    "                            this monitor's \"B\". Nothing is answered.\n"
    "\n"
    "Ports below 1024 (the default 99) need root; use --port for a free high port.";

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("nodesim"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption portOpt(QStringLiteral("port"),
                                     QStringLiteral("TCP port to listen on (default 99)."),
                                     QStringLiteral("N"), QStringLiteral("99"));
    const QCommandLineOption hostOpt(QStringLiteral("host"),
                                     QStringLiteral("Address to listen on (default 127.0.0.1)."),
                                     QStringLiteral("ADDR"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption seedOpt(
        QStringLiteral("seed"),
        QStringLiteral("Seed for a reproducible session (default: a new one each "
                       "session, printed on stderr)."),
        QStringLiteral("N"));
    const QCommandLineOption typeOpt(
        QStringLiteral("node-type"),
        QStringLiteral("Node program: zq, dxspider, arc or arc-passive (default zq)."),
        QStringLiteral("TYPE"), QStringLiteral("zq"));
    const QCommandLineOption socketsOpt(QStringLiteral("sockets"),
                                        QStringLiteral("Number of user sockets (default 40)."),
                                        QStringLiteral("N"), QStringLiteral("40"));
    const QCommandLineOption fastOpt(QStringLiteral("fast"),
                                     QStringLiteral("Send batches back to back, with no pauses."));
    const QCommandLineOption quietOpt(QStringLiteral("quiet"),
                                      QStringLiteral("Print only the commands received (stdout)."));
    const QCommandLineOption recordOpt(
        QStringLiteral("record"),
        QStringLiteral("Record every session's chunks both ways, with their times, to FILE."),
        QStringLiteral("FILE"));
    const QCommandLineOption upstreamOpt(
        QStringLiteral("upstream"),
        QStringLiteral("Pass each monitor through to the real node at HOST:PORT."),
        QStringLiteral("HOST:PORT"));
    const QCommandLineOption replayOpt(QStringLiteral("replay"),
                                       QStringLiteral("Play the recording FILE to each monitor."),
                                       QStringLiteral("FILE"));
    const QCommandLineOption replayFastOpt(QStringLiteral("replay-fast"),
                                           QStringLiteral("With --replay: send the chunks back to back."));
    const QCommandLineOption replayExitOpt(
        QStringLiteral("replay-exit"),
        QStringLiteral("With --replay: after the last chunk and a short drain, close the link and end."));
    parser.addOptions({portOpt, hostOpt, seedOpt, typeOpt, socketsOpt, fastOpt, quietOpt, recordOpt,
                       upstreamOpt, replayOpt, replayFastOpt, replayExitOpt});
    parser.process(app);

    auto fail = [](const QString& text) {
        std::fprintf(stderr, "nodesim: %s\n", qPrintable(text));
        return 2;
    };

    nodesim::SimOptions options;
    bool ok = false;
    const uint port = parser.value(portOpt).toUInt(&ok);
    if (!ok || port == 0 || port > 65535) return fail("--port wants a number from 1 to 65535");
    options.port = static_cast<quint16>(port);

    const QString host = parser.value(hostOpt);
    if (host == QLatin1String("localhost"))
        options.host = QHostAddress(QHostAddress::LocalHost);
    else if (!options.host.setAddress(host))
        return fail("--host wants an IP address, not " + host);

    if (parser.isSet(seedOpt)) {
        options.seed = parser.value(seedOpt).toULongLong(&ok);
        if (!ok) return fail(QStringLiteral("--seed wants a whole number"));
        options.seedGiven = true;
    }

    const QString type = parser.value(typeOpt).toLower();
    if (type == QLatin1String("zq"))
        options.nodeType = nodesim::NodeType::Zq;
    else if (type == QLatin1String("dxspider"))
        options.nodeType = nodesim::NodeType::DxSpider;
    else if (type == QLatin1String("arc"))
        options.nodeType = nodesim::NodeType::Arc;
    else if (type == QLatin1String("arc-passive"))
        options.nodeType = nodesim::NodeType::ArcPassive;
    else
        return fail("--node-type wants zq, dxspider, arc or arc-passive, not " + type);

    options.sockets = parser.value(socketsOpt).toInt(&ok);
    if (!ok || options.sockets < 1 || options.sockets > 1000)
        return fail("--sockets wants a number from 1 to 1000");
    options.fast = parser.isSet(fastOpt);
    options.quiet = parser.isSet(quietOpt);
    nodesim::logline::setQuiet(options.quiet);

    if (parser.isSet(recordOpt)) {
        options.recordPath = parser.value(recordOpt);
        const QFileInfo dir(QFileInfo(options.recordPath).absolutePath());
        if (options.recordPath.isEmpty() || !dir.isDir() || !dir.isWritable())
            return fail("--record wants a file in a writable folder, not \"" + options.recordPath + "\"");
    }
    if (parser.isSet(upstreamOpt)) {
        const QString upstream = parser.value(upstreamOpt);
        const qsizetype colon = upstream.lastIndexOf(QLatin1Char(':'));
        const uint upPort = colon < 0 ? 0 : upstream.mid(colon + 1).toUInt(&ok);
        QString upHost = colon < 0 ? QString() : upstream.left(colon);
        if (upHost.startsWith(QLatin1Char('[')) && upHost.endsWith(QLatin1Char(']')))
            upHost = upHost.mid(1, upHost.size() - 2);
        if (colon < 0 || !ok || upPort == 0 || upPort > 65535 || upHost.isEmpty())
            return fail("--upstream wants HOST:PORT, not " + upstream);
        options.upstreamHost = upHost;
        options.upstreamPort = static_cast<quint16>(upPort);
    }
    if (parser.isSet(replayOpt)) {
        if (parser.isSet(upstreamOpt))
            return fail(QStringLiteral("--replay and --upstream do not go together"));
        options.replayPath = parser.value(replayOpt);
    } else if (parser.isSet(replayFastOpt) || parser.isSet(replayExitOpt)) {
        return fail(QStringLiteral("--replay-fast and --replay-exit go with --replay"));
    }
    options.replayFast = parser.isSet(replayFastOpt);
    options.replayExit = parser.isSet(replayExitOpt);

    if (!options.host.isLoopback())
        nodesim::logline::info("note: " + options.host.toString() + " is not a loopback address");

    nodesim::NodeServer server(options);
    QString error;
    if (!options.replayPath.isEmpty() && !server.loadReplay(&error)) {
        std::fprintf(stderr, "nodesim: cannot replay %s: %s\n", qPrintable(options.replayPath),
                     qPrintable(error));
        return 1;
    }
    QObject::connect(&server, &nodesim::NodeServer::replayOver, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    if (!server.listen(&error)) {
        std::fprintf(stderr, "nodesim: cannot listen on %s:%u: %s%s\n", qPrintable(options.host.toString()),
                     static_cast<unsigned>(options.port), qPrintable(error),
                     options.port < 1024 ? " (ports below 1024 need root; try --port 17099)" : "");
        return 1;
    }

    catchSignals();
    if (signalPipe[0] >= 0) {
        auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [&server, notifier] {
            char c = 0;
            [[maybe_unused]] const auto n = ::read(signalPipe[0], &c, 1);
            notifier->setEnabled(false);
            nodesim::logline::info(QStringLiteral("signal received, closing"));
            server.shutdown();
            QCoreApplication::quit();
        });
    }
    return app.exec();
}
