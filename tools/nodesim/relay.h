#pragma once
#include <QTimer>
#include <memory>

#include "commands.h"
#include "node_server.h"
#include "recording.h"

class QTcpSocket;

namespace nodesim {

// A pass-through between one monitor and a real node: nodesim connects to the node when the
// monitor connects and forwards every byte both ways unchanged, each read as it came, so the
// recorder (if any) sees the link exactly as the two ends do. What the monitor sends before the
// node has answered the connect waits and goes first. When either end closes, the other is
// closed once what is on its way to it has been written.
//
// A side that does not read holds the other back: nothing more is read from the sender while
// more than a backlog waits to be written to the receiver, so TCP slows the sender down.
class RelaySession : public Session {
    Q_OBJECT
  public:
    RelaySession(QTcpSocket* monitor, const SimOptions& options,
                 std::unique_ptr<recording::Recorder> recorder, QObject* parent);
    void close() override;

  private:
    // One direction of the link.
    struct Leg {
        QTcpSocket* from = nullptr;
        QTcpSocket* to = nullptr;
        recording::Direction direction = recording::Direction::NodeToMonitor;
        bool heldBack = false;  // waiting for `to` to drain
    };

    void pump(Leg& leg);
    void onNodeConnected();
    void onClosed(const QByteArray& reason, QTcpSocket* other);
    void finishWhenClosed();
    void logCommands(const QByteArray& data);

    QTcpSocket* monitor_;
    QTcpSocket* node_;
    std::unique_ptr<recording::Recorder> recorder_;
    Leg up_;                  // monitor to node
    Leg down_;                // node to monitor
    QByteArray heldForNode_;  // from the monitor before the node has answered
    bool nodeUp_ = false;
    bool closing_ = false;
    bool finished_ = false;
    QTimer giveUp_;  // a side that will not close in time is cut off
    CommandReader commands_;
    QTimer flushCommands_;
    qint64 bytesDown_ = 0;
    qint64 bytesUp_ = 0;
};

}  // namespace nodesim
