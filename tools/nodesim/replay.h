#pragma once
#include <QElapsedTimer>
#include <QTimer>
#include <memory>

#include "commands.h"
#include "node_server.h"
#include "recording.h"

class QTcpSocket;

namespace nodesim {

// Plays a recorded session to one monitor: the node-to-monitor chunks in their order, each in one
// write, at the pace they were recorded (or back to back when fast). The monitor's own chunks in
// the recording are not sent; they only mark the moment the monitor first spoke: the node's chunks
// recorded after it wait until this monitor has sent its "B" too, and their pace is counted from
// then. What the monitor sends is answered with nothing, only logged like a live command.
//
// After the last chunk the link stays open until the monitor closes it, or, with exitAfter, is
// closed once the chunks have been written and a short drain has passed.
class ReplaySession : public Session {
    Q_OBJECT
  public:
    ReplaySession(QTcpSocket* socket, const recording::Recording& recording, const SimOptions& options,
                  std::unique_ptr<recording::Recorder> recorder, QObject* parent);
    void close() override;

  private:
    void onReadyRead();
    void onDisconnected();
    void step();
    void allSent();

    QTcpSocket* socket_;
    const recording::Recording& recording_;
    std::unique_ptr<recording::Recorder> recorder_;
    bool fast_;
    bool exitAfter_;
    qsizetype next_ = 0;   // the next chunk of the recording to look at
    qsizetype gate_ = -1;  // the monitor's first chunk in the recording, -1 if it has none
    bool gateNeedsB_ = false;
    bool gateOpen_ = false;
    // Pace: chunk time t is due at anchorAt_ + (t - anchorMs_) on clock_.
    QElapsedTimer clock_;
    qint64 anchorAt_ = 0;
    qint64 anchorMs_ = 0;
    QTimer stepTimer_;
    QTimer drainTimer_;
    qint64 drainStartedAt_ = 0;
    bool done_ = false;
    bool finished_ = false;
    qint64 chunksSent_ = 0;
    qint64 bytesSent_ = 0;
    CommandReader commands_;
    QTimer flushCommands_;
};

}  // namespace nodesim
