#pragma once
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <QTimer>
#include <cstdint>
#include <memory>

#include "commands.h"
#include "population.h"
#include "recording.h"

class QTcpSocket;

namespace nodesim {

struct SimOptions {
    QHostAddress host = QHostAddress::LocalHost;
    quint16 port = 99;
    NodeType nodeType = NodeType::Zq;
    int sockets = 40;
    bool fast = false;
    bool quiet = false;
    bool seedGiven = false;
    std::uint64_t seed = 0;

    // Recording: every chunk of each session written to this file (the first session; later
    // ones get a numbered file beside it). Empty for none.
    QString recordPath;
    // Pass-through: each monitor is linked to this real node instead of the simulated one.
    QString upstreamHost;
    quint16 upstreamPort = 0;
    // Replay: each monitor gets this recording's node-to-monitor chunks instead of a simulation.
    QString replayPath;
    bool replayFast = false;  // no pauses between the chunks
    bool replayExit = false;  // end nodesim when the replay is over
};

// Every command received goes to stdout, one line each with its time; everything else the
// simulator has to say goes to stderr, unless it was told to be quiet.
namespace logline {
void received(const QByteArray& raw);
void info(const QString& text);
void setQuiet(bool quiet);
}  // namespace logline

// One monitor on the monitor port, from its connect to its disconnect, whatever plays the node.
// finished() comes once, when the session is over.
class Session : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    // Ends the session from this side (nodesim is stopping).
    virtual void close() = 0;

  signals:
    void finished();
};

// The simulated node: it waits for "B", then sends the node's story in batches, each ended by the
// batch mark, and answers the commands. With a recorder, every write and read is recorded.
class MonitorSession : public Session {
    Q_OBJECT
  public:
    MonitorSession(QTcpSocket* socket, const SimOptions& options, std::uint64_t seed,
                   std::unique_ptr<recording::Recorder> recorder, QObject* parent);
    void close() override;

  private:
    void onReadyRead();
    void onBytesWritten();
    void onDisconnected();
    void handle(const MonitorCommand& cmd);
    void sendBatch();
    void scheduleNext();

    QTcpSocket* socket_;
    SimOptions options_;
    std::unique_ptr<recording::Recorder> recorder_;  // null when not recording
    Population population_;
    CommandReader reader_;
    QTimer batchTimer_;
    QTimer flushTimer_;          // gives up an unfinished command
    QList<QByteArray> pending_;  // sentences not sent yet (the opening is longer than a batch)
    bool streaming_ = false;
    bool waitingForDrain_ = false;
    bool finished_ = false;
    qint64 batches_ = 0;
    qint64 bytesSent_ = 0;
};

// The monitor port: a TCP server that serves one monitor at a time.
class NodeServer : public QObject {
    Q_OBJECT
  public:
    explicit NodeServer(const SimOptions& options, QObject* parent = nullptr);
    bool listen(QString* error);
    void shutdown();

    // The recording a replay session plays; false with a reason when it cannot be read.
    bool loadReplay(QString* error);

  signals:
    // A replay with replayExit is over: nodesim has nothing more to do.
    void replayOver();

  private:
    void onNewConnection();
    std::unique_ptr<recording::Recorder> openRecorder(const QList<QByteArray>& source);

    SimOptions options_;
    QTcpServer server_;
    Session* session_ = nullptr;
    int sessions_ = 0;
    recording::Recording replay_;
};

}  // namespace nodesim
