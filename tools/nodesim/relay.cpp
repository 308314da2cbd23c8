#include "relay.h"

#include <QTcpSocket>

namespace nodesim {
namespace {

constexpr qint64 kReadBufferBytes = 64 * 1024;  // what Qt reads ahead from one side
constexpr qint64 kBacklogBytes = 256 * 1024;    // waiting for the other side: stop reading
constexpr int kCloseGraceMs = 5000;             // for the second side to close after the first
constexpr int kUnfinishedCommandMs = 300;

}  // namespace

RelaySession::RelaySession(QTcpSocket* monitor, const SimOptions& options,
                           std::unique_ptr<recording::Recorder> recorder, QObject* parent)
    : Session(parent), monitor_(monitor), node_(new QTcpSocket(this)), recorder_(std::move(recorder)) {
    monitor_->setParent(this);
    monitor_->setReadBufferSize(kReadBufferBytes);
    node_->setReadBufferSize(kReadBufferBytes);
    // Small writes go out at once, so that the chunks reach the other side as they came.
    monitor_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    up_ = Leg{monitor_, node_, recording::Direction::MonitorToNode, false};
    down_ = Leg{node_, monitor_, recording::Direction::NodeToMonitor, false};

    connect(monitor_, &QTcpSocket::readyRead, this, [this] { pump(up_); });
    connect(node_, &QTcpSocket::readyRead, this, [this] { pump(down_); });
    connect(node_, &QTcpSocket::bytesWritten, this, [this] {
        if (up_.heldBack) pump(up_);
    });
    connect(monitor_, &QTcpSocket::bytesWritten, this, [this] {
        if (down_.heldBack) pump(down_);
    });
    connect(node_, &QTcpSocket::connected, this, &RelaySession::onNodeConnected);
    connect(monitor_, &QTcpSocket::disconnected, this, [this] { onClosed("monitor-closed", node_); });
    connect(node_, &QTcpSocket::disconnected, this, [this] { onClosed("node-closed", monitor_); });
    connect(node_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        if (error == QAbstractSocket::RemoteHostClosedError) return;  // the close event follows
        logline::info("node link: " + node_->errorString());
        if (!nodeUp_) onClosed("node-unreachable", monitor_);
    });
    connect(monitor_, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        if (error != QAbstractSocket::RemoteHostClosedError)
            logline::info("monitor link: " + monitor_->errorString());
    });
    for (QTcpSocket* s : {monitor_, node_})
        connect(s, &QTcpSocket::stateChanged, this, [this] {
            if (closing_) finishWhenClosed();
        });

    giveUp_.setSingleShot(true);
    connect(&giveUp_, &QTimer::timeout, this, [this] {
        logline::info(QStringLiteral("a side did not close in time; cut off"));
        monitor_->abort();
        node_->abort();
        finishWhenClosed();
    });
    flushCommands_.setSingleShot(true);
    connect(&flushCommands_, &QTimer::timeout, this, [this] {
        for (const MonitorCommand& cmd : commands_.flush()) logline::received(cmd.raw);
    });

    logline::info(QStringLiteral("monitor connected from %1:%2; connecting to the node at %3:%4")
                      .arg(monitor_->peerAddress().toString())
                      .arg(monitor_->peerPort())
                      .arg(options.upstreamHost)
                      .arg(options.upstreamPort));
    node_->connectToHost(options.upstreamHost, options.upstreamPort);
}

void RelaySession::pump(Leg& leg) {
    if (leg.direction == recording::Direction::MonitorToNode && !nodeUp_) {
        // The node has not answered yet: keep what the monitor says until it has.
        const QByteArray data = monitor_->readAll();
        if (data.isEmpty()) return;
        if (recorder_) recorder_->record(leg.direction, data);
        logCommands(data);
        heldForNode_ += data;
        bytesUp_ += data.size();
        return;
    }
    if (leg.to->bytesToWrite() > kBacklogBytes) {
        leg.heldBack = true;  // resumes when `to` has written some
        return;
    }
    leg.heldBack = false;
    const QByteArray data = leg.from->readAll();
    if (data.isEmpty()) return;
    if (recorder_) recorder_->record(leg.direction, data);
    if (leg.direction == recording::Direction::MonitorToNode) {
        logCommands(data);
        bytesUp_ += data.size();
    } else {
        bytesDown_ += data.size();
    }
    if (leg.to->state() == QAbstractSocket::ConnectedState) leg.to->write(data);
}

void RelaySession::onNodeConnected() {
    nodeUp_ = true;
    node_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    logline::info(QStringLiteral("node link up; passing the monitor through"));
    if (!heldForNode_.isEmpty()) {
        node_->write(heldForNode_);
        heldForNode_.clear();
    }
    pump(up_);
}

void RelaySession::onClosed(const QByteArray& reason, QTcpSocket* other) {
    if (closing_) {
        finishWhenClosed();
        return;
    }
    closing_ = true;
    // What the closing side sent last may still wait here (its reading was held back): it goes on
    // before the other side is closed.
    Leg& leg = other == node_ ? up_ : down_;
    const QByteArray rest = leg.from->readAll();
    if (!rest.isEmpty()) {
        if (recorder_) recorder_->record(leg.direction, rest);
        if (other->state() == QAbstractSocket::ConnectedState) other->write(rest);
    }
    if (recorder_) recorder_->finish(reason);
    logline::info(QStringLiteral("%1; closing the other side").arg(QString::fromLatin1(reason)));
    if (other->state() == QAbstractSocket::ConnectedState)
        other->disconnectFromHost();  // writes what it still holds first
    else
        other->abort();
    giveUp_.start(kCloseGraceMs);
    finishWhenClosed();
}

void RelaySession::close() {
    if (closing_) return;
    closing_ = true;
    if (recorder_) recorder_->finish("stopped");
    for (QTcpSocket* s : {monitor_, node_}) {
        if (s->state() == QAbstractSocket::ConnectedState)
            s->disconnectFromHost();
        else
            s->abort();
    }
    giveUp_.start(kCloseGraceMs);
    finishWhenClosed();
}

void RelaySession::finishWhenClosed() {
    if (finished_) return;
    if (monitor_->state() != QAbstractSocket::UnconnectedState ||
        node_->state() != QAbstractSocket::UnconnectedState)
        return;
    finished_ = true;
    giveUp_.stop();
    flushCommands_.stop();
    for (const MonitorCommand& cmd : commands_.flush()) logline::received(cmd.raw);
    logline::info(QStringLiteral("pass-through over: %1 bytes to the monitor, %2 bytes to the node%3")
                      .arg(bytesDown_)
                      .arg(bytesUp_)
                      .arg(recorder_ ? QStringLiteral("; %1 chunks recorded to %2")
                                           .arg(recorder_->chunks())
                                           .arg(recorder_->path())
                                     : QString()));
    emit finished();
}

void RelaySession::logCommands(const QByteArray& data) {
    flushCommands_.stop();
    for (const MonitorCommand& cmd : commands_.feed(data)) logline::received(cmd.raw);
    if (commands_.hasPending()) flushCommands_.start(kUnfinishedCommandMs);
}

}  // namespace nodesim
