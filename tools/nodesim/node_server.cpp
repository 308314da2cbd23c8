#include "node_server.h"

#include <QDateTime>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTimeZone>
#include <cstdio>

#include "relay.h"
#include "replay.h"

namespace nodesim {
namespace {

constexpr qsizetype kBatchBytes = 3000;      // well under the 8 KB a monitor reads at once
constexpr qint64 kBacklogBytes = 64 * 1024;  // past this the monitor is not reading: hold the story
constexpr int kOpeningGapMs = 150;           // between the batches of a long opening
constexpr int kUnfinishedCommandMs = 300;

bool quietLog = false;

QString now() {
    return QDateTime::currentDateTime().toString(Qt::ISODateWithMs);
}

// The bytes of a command as one printable line.
QByteArray printable(const QByteArray& raw) {
    QByteArray out;
    for (const char c : raw) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\\')
            out += "\\\\";
        else if (u >= 0x20 && u < 0x7F)
            out += c;
        else if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else
            out += "\\x" + QByteArray::number(u, 16).rightJustified(2, '0');
    }
    return out;
}

std::int64_t clockStart(const SimOptions& options) {
    // A seeded session also starts its clock at a fixed time, so that its texts repeat too.
    if (options.seedGiven)
        return QDateTime(QDate(2026, 12, 8), QTime(9, 0), QTimeZone::utc()).toMSecsSinceEpoch();
    return QDateTime::currentMSecsSinceEpoch();
}

const char* typeName(NodeType t) {
    switch (t) {
        case NodeType::Zq:
            return "zq";
        case NodeType::DxSpider:
            return "dxspider";
        case NodeType::Arc:
            return "arc";
        case NodeType::ArcPassive:
            return "arc-passive";
    }
    return "?";
}

}  // namespace

namespace logline {

void received(const QByteArray& raw) {
    const QByteArray line = now().toLatin1() + " recv " + printable(raw) + "\n";
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
    std::fflush(stdout);
}

void info(const QString& text) {
    if (quietLog) return;
    const QByteArray line = (now() + " " + text + "\n").toLocal8Bit();
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stderr);
    std::fflush(stderr);
}

void setQuiet(bool quiet) {
    quietLog = quiet;
}

}  // namespace logline

// ---- MonitorSession ----

MonitorSession::MonitorSession(QTcpSocket* socket, const SimOptions& options, std::uint64_t seed,
                               std::unique_ptr<recording::Recorder> recorder, QObject* parent)
    : Session(parent),
      socket_(socket),
      options_(options),
      recorder_(std::move(recorder)),
      population_(PopulationConfig{options.nodeType, options.sockets, seed, clockStart(options)}) {
    socket_->setParent(this);
    batchTimer_.setSingleShot(true);
    flushTimer_.setSingleShot(true);
    connect(&batchTimer_, &QTimer::timeout, this, &MonitorSession::sendBatch);
    connect(&flushTimer_, &QTimer::timeout, this, [this] {
        for (const MonitorCommand& cmd : reader_.flush()) handle(cmd);
    });
    connect(socket_, &QTcpSocket::readyRead, this, &MonitorSession::onReadyRead);
    connect(socket_, &QTcpSocket::bytesWritten, this, &MonitorSession::onBytesWritten);
    connect(socket_, &QTcpSocket::disconnected, this, &MonitorSession::onDisconnected);
    connect(socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
        logline::info("monitor link: " + socket_->errorString());
        if (socket_->state() == QAbstractSocket::UnconnectedState) onDisconnected();
    });
    logline::info(QStringLiteral("monitor connected from %1:%2; seed %3; waiting for B")
                      .arg(socket_->peerAddress().toString())
                      .arg(socket_->peerPort())
                      .arg(seed));
}

void MonitorSession::close() {
    if (recorder_) recorder_->finish("stopped");
    batchTimer_.stop();
    flushTimer_.stop();
    if (socket_->state() != QAbstractSocket::UnconnectedState) socket_->disconnectFromHost();
}

void MonitorSession::onReadyRead() {
    const QByteArray data = socket_->readAll();
    if (recorder_) recorder_->record(recording::Direction::MonitorToNode, data);
    flushTimer_.stop();
    for (const MonitorCommand& cmd : reader_.feed(data)) handle(cmd);
    if (reader_.hasPending()) flushTimer_.start(kUnfinishedCommandMs);
}

void MonitorSession::handle(const MonitorCommand& cmd) {
    logline::received(cmd.raw);
    using K = MonitorCommand::Kind;
    QString what;
    switch (cmd.kind) {
        case K::Begin:
            if (streaming_) {
                what = QStringLiteral("stream already running");
                break;
            }
            streaming_ = true;
            pending_ = population_.opening();
            what = QStringLiteral("stream starts: %1 node %2, ports 1..%3, user sockets %4..%5")
                       .arg(QLatin1String(typeName(options_.nodeType)), population_.node().call)
                       .arg(population_.portCount())
                       .arg(population_.portCount() + 1)
                       .arg(population_.highestSocket());
            batchTimer_.start(0);
            break;
        case K::Auto:
            what = population_.autoSelect();
            break;
        case K::Watch:
            what = population_.watch(cmd.socket);
            break;
        case K::WatchAll:
            what = population_.watchAll();
            break;
        case K::Stop:
            what = population_.stopWatch(cmd.socket);
            break;
        case K::StopAll:
            what = population_.stopAll();
            break;
        case K::Select:
            what = population_.select(cmd.socket);
            break;
        case K::Operator:
            what = population_.operatorLine(QString::fromLatin1(cmd.raw));
            break;
    }
    logline::info("  -> " + what);
}

void MonitorSession::sendBatch() {
    if (!streaming_ || finished_) return;
    if (socket_->bytesToWrite() > kBacklogBytes) {
        waitingForDrain_ = true;  // resumes from onBytesWritten
        return;
    }
    if (pending_.isEmpty()) pending_ = population_.advance();

    QByteArray batch;
    while (!pending_.isEmpty() && (batch.isEmpty() || batch.size() + pending_.first().size() <= kBatchBytes))
        batch += pending_.takeFirst();
    batch += population_.batchTail();
    batch += sentence::kBatchEnd;
    socket_->write(batch);
    if (recorder_) recorder_->record(recording::Direction::NodeToMonitor, batch);
    ++batches_;
    bytesSent_ += batch.size();
    scheduleNext();
}

void MonitorSession::scheduleNext() {
    if (options_.fast)
        batchTimer_.start(0);
    else
        batchTimer_.start(pending_.isEmpty() ? population_.nextIntervalMs() : kOpeningGapMs);
}

void MonitorSession::onBytesWritten() {
    if (waitingForDrain_ && socket_->bytesToWrite() <= kBacklogBytes / 2) {
        waitingForDrain_ = false;
        batchTimer_.start(0);
    }
}

void MonitorSession::onDisconnected() {
    if (finished_) return;
    finished_ = true;
    batchTimer_.stop();
    flushTimer_.stop();
    for (const MonitorCommand& cmd : reader_.flush()) handle(cmd);
    if (recorder_) recorder_->finish("monitor-closed");
    logline::info(
        QStringLiteral("monitor disconnected after %1 batches, %2 bytes").arg(batches_).arg(bytesSent_));
    emit finished();
}

// ---- NodeServer ----

NodeServer::NodeServer(const SimOptions& options, QObject* parent) : QObject(parent), options_(options) {
    connect(&server_, &QTcpServer::newConnection, this, &NodeServer::onNewConnection);
}

bool NodeServer::loadReplay(QString* error) {
    if (!recording::load(options_.replayPath, &replay_, error)) return false;
    qsizetype toMonitor = 0;
    for (const recording::Chunk& c : replay_.chunks)
        if (c.direction == recording::Direction::NodeToMonitor) ++toMonitor;
    logline::info(
        QStringLiteral("replay of %1: %2 chunks, %3 of them to the monitor, %4 ms%5")
            .arg(options_.replayPath)
            .arg(replay_.chunks.size())
            .arg(toMonitor)
            .arg(replay_.chunks.isEmpty() ? 0 : replay_.chunks.last().ms)
            .arg(replay_.finished ? QString() : QStringLiteral(" (the recording has no end line)")));
    return true;
}

bool NodeServer::listen(QString* error) {
    if (server_.listen(options_.host, options_.port)) {
        QString what;
        if (!options_.replayPath.isEmpty())
            what = QStringLiteral("replay of %1%2")
                       .arg(options_.replayPath, options_.replayFast ? QStringLiteral(", fast") : QString());
        else if (!options_.upstreamHost.isEmpty())
            what =
                QStringLiteral("pass-through to %1:%2").arg(options_.upstreamHost).arg(options_.upstreamPort);
        else
            what = QStringLiteral("%1 node, %2 user sockets%3")
                       .arg(QLatin1String(typeName(options_.nodeType)))
                       .arg(options_.sockets)
                       .arg(options_.fast ? QStringLiteral(", fast") : QString());
        if (!options_.recordPath.isEmpty()) what += ", recording to " + options_.recordPath;
        logline::info(QStringLiteral("monitor port listening on %1:%2 (%3)")
                          .arg(options_.host.toString())
                          .arg(server_.serverPort())
                          .arg(what));
        return true;
    }
    *error = server_.errorString();
    return false;
}

void NodeServer::onNewConnection() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        if (session_ != nullptr) {
            logline::info("refused a second monitor from " + socket->peerAddress().toString() +
                          ": one monitor at a time");
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++sessions_;
        const QByteArray monitor = "monitor " + socket->peerAddress().toString().toLatin1() + ':' +
                                   QByteArray::number(socket->peerPort());
        if (!options_.replayPath.isEmpty()) {
            auto recorder = openRecorder(
                {"source replay " + QFileInfo(options_.replayPath).fileName().toUtf8(), monitor});
            session_ = new ReplaySession(socket, replay_, options_, std::move(recorder), this);
        } else if (!options_.upstreamHost.isEmpty()) {
            auto recorder = openRecorder({"source upstream " + options_.upstreamHost.toLatin1() + ':' +
                                              QByteArray::number(options_.upstreamPort),
                                          monitor});
            session_ = new RelaySession(socket, options_, std::move(recorder), this);
        } else {
            std::uint64_t seed = options_.seed;
            if (!options_.seedGiven) seed = QRandomGenerator::global()->generate64() >> 1;
            QByteArray source = "source nodesim node-type " + QByteArray(typeName(options_.nodeType)) +
                                " seed " + QByteArray::number(seed) + " sockets " +
                                QByteArray::number(options_.sockets);
            if (options_.fast) source += " fast";
            auto recorder = openRecorder({source, monitor});
            session_ = new MonitorSession(socket, options_, seed, std::move(recorder), this);
        }
        connect(session_, &Session::finished, this, [this] {
            session_->deleteLater();
            session_ = nullptr;
            if (!options_.replayPath.isEmpty() && options_.replayExit) {
                server_.close();
                logline::info(QStringLiteral("replay over, ending"));
                emit replayOver();
                return;
            }
            logline::info(QStringLiteral("waiting for the next monitor"));
        });
    }
}

std::unique_ptr<recording::Recorder> NodeServer::openRecorder(const QList<QByteArray>& source) {
    if (options_.recordPath.isEmpty()) return nullptr;
    const QString path = recording::sessionPath(options_.recordPath, sessions_);
    QList<QByteArray> comments{"started " +
                               QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toLatin1()};
    comments += source;
    auto recorder = std::make_unique<recording::Recorder>();
    QString error;
    if (!recorder->open(path, comments, &error)) {
        logline::info("cannot record to " + path + ": " + error + "; this session is not recorded");
        return nullptr;
    }
    logline::info("recording this session to " + path);
    return recorder;
}

void NodeServer::shutdown() {
    server_.close();
    if (session_ != nullptr) session_->close();
}

}  // namespace nodesim
