#include "replay.h"

#include <QTcpSocket>
#include <algorithm>

namespace nodesim {
namespace {

constexpr qint64 kBacklogBytes = 256 * 1024;  // past this the monitor is not reading: wait
constexpr int kDrainMs = 500;                 // after the last chunk, before closing
constexpr int kDrainGiveUpMs = 10000;         // a monitor that reads nothing more is cut off
constexpr int kUnfinishedCommandMs = 300;

}  // namespace

ReplaySession::ReplaySession(QTcpSocket* socket, const recording::Recording& recording,
                             const SimOptions& options, std::unique_ptr<recording::Recorder> recorder,
                             QObject* parent)
    : Session(parent),
      socket_(socket),
      recording_(recording),
      recorder_(std::move(recorder)),
      fast_(options.replayFast),
      exitAfter_(options.replayExit) {
    socket_->setParent(this);
    // Each chunk goes out in its own segment, so that the monitor reads them as they were read.
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    for (qsizetype i = 0; i < recording_.chunks.size(); ++i) {
        const recording::Chunk& c = recording_.chunks[i];
        if (c.direction != recording::Direction::MonitorToNode) continue;
        gate_ = i;
        gateNeedsB_ = c.bytes.contains('B');
        break;
    }
    clock_.start();

    stepTimer_.setSingleShot(true);
    connect(&stepTimer_, &QTimer::timeout, this, &ReplaySession::step);
    drainTimer_.setSingleShot(true);
    connect(&drainTimer_, &QTimer::timeout, this, [this] {
        const bool gaveUp = clock_.elapsed() - drainStartedAt_ > kDrainGiveUpMs;
        if (socket_->bytesToWrite() > 0 && !gaveUp) {
            drainTimer_.start(kDrainMs);
            return;
        }
        if (recorder_) recorder_->finish("replay-done");
        logline::info(QStringLiteral("replay over; closing the link"));
        if (gaveUp)
            socket_->abort();
        else
            socket_->disconnectFromHost();
        if (socket_->state() == QAbstractSocket::UnconnectedState) onDisconnected();
    });
    flushCommands_.setSingleShot(true);
    connect(&flushCommands_, &QTimer::timeout, this, [this] {
        for (const MonitorCommand& cmd : commands_.flush()) logline::received(cmd.raw);
    });
    connect(socket_, &QTcpSocket::readyRead, this, &ReplaySession::onReadyRead);
    connect(socket_, &QTcpSocket::bytesWritten, this, [this] {
        if (!stepTimer_.isActive() && !done_ && socket_->bytesToWrite() <= kBacklogBytes / 2)
            stepTimer_.start(0);
    });
    connect(socket_, &QTcpSocket::disconnected, this, &ReplaySession::onDisconnected);
    connect(socket_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        if (error != QAbstractSocket::RemoteHostClosedError)
            logline::info("monitor link: " + socket_->errorString());
        if (socket_->state() == QAbstractSocket::UnconnectedState) onDisconnected();
    });

    logline::info(QStringLiteral("monitor connected from %1:%2; replaying%3")
                      .arg(socket_->peerAddress().toString())
                      .arg(socket_->peerPort())
                      .arg(gate_ < 0     ? QString()
                           : gateNeedsB_ ? QStringLiteral(" (the part after the monitor's B waits for its B)")
                                         : QStringLiteral(" (the part after the monitor's first "
                                                          "command waits for its first command)")));
    stepTimer_.start(0);
}

void ReplaySession::step() {
    if (finished_ || done_) return;
    const QList<recording::Chunk>& chunks = recording_.chunks;
    // The monitor's chunks are not played; only the first of them matters, as the gate.
    while (next_ < chunks.size() && chunks[next_].direction == recording::Direction::MonitorToNode) {
        if (next_ == gate_ && !gateOpen_) return;  // onReadyRead goes on
        ++next_;
    }
    if (next_ >= chunks.size()) {
        allSent();
        return;
    }
    const recording::Chunk& chunk = chunks[next_];
    if (!fast_) {
        const qint64 wait = anchorAt_ + (chunk.ms - anchorMs_) - clock_.elapsed();
        if (wait > 0) {
            stepTimer_.start(static_cast<int>(std::min<qint64>(wait, 24 * 3600 * 1000)));
            return;
        }
    }
    if (socket_->bytesToWrite() > kBacklogBytes) return;  // bytesWritten goes on
    socket_->write(chunk.bytes);
    socket_->flush();
    if (recorder_) recorder_->record(recording::Direction::NodeToMonitor, chunk.bytes);
    ++chunksSent_;
    bytesSent_ += chunk.bytes.size();
    ++next_;
    // One chunk per turn of the event loop, each in its own write.
    stepTimer_.start(0);
}

void ReplaySession::allSent() {
    done_ = true;
    stepTimer_.stop();
    logline::info(QStringLiteral("all %1 chunks sent (%2 bytes)%3")
                      .arg(chunksSent_)
                      .arg(bytesSent_)
                      .arg(exitAfter_ ? QStringLiteral("; closing after a short drain")
                                      : QStringLiteral("; the link stays open until the monitor closes it")));
    if (exitAfter_) {
        drainStartedAt_ = clock_.elapsed();
        drainTimer_.start(kDrainMs);
    }
}

void ReplaySession::onReadyRead() {
    const QByteArray data = socket_->readAll();
    if (data.isEmpty()) return;
    if (recorder_) recorder_->record(recording::Direction::MonitorToNode, data);
    flushCommands_.stop();
    for (const MonitorCommand& cmd : commands_.feed(data)) logline::received(cmd.raw);
    if (commands_.hasPending()) flushCommands_.start(kUnfinishedCommandMs);

    if (gate_ < 0 || gateOpen_ || (gateNeedsB_ && !data.contains('B'))) return;
    gateOpen_ = true;
    // The pace from here on counts from this moment, which stands for the monitor's first chunk.
    anchorAt_ = clock_.elapsed();
    anchorMs_ = recording_.chunks[gate_].ms;
    logline::info(QStringLiteral("the monitor has spoken; the rest of the recording follows"));
    if (!done_) {
        stepTimer_.stop();
        step();
    }
}

void ReplaySession::onDisconnected() {
    if (finished_) return;
    finished_ = true;
    stepTimer_.stop();
    drainTimer_.stop();
    flushCommands_.stop();
    for (const MonitorCommand& cmd : commands_.flush()) logline::received(cmd.raw);
    if (recorder_) recorder_->finish("monitor-closed");
    logline::info(
        QStringLiteral("monitor disconnected after %1 chunks, %2 bytes").arg(chunksSent_).arg(bytesSent_));
    emit finished();
}

void ReplaySession::close() {
    if (recorder_) recorder_->finish("stopped");
    stepTimer_.stop();
    drainTimer_.stop();
    if (socket_->state() != QAbstractSocket::UnconnectedState) socket_->disconnectFromHost();
}

}  // namespace nodesim
