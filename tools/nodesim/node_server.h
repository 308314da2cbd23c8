#pragma once
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <QTimer>
#include <cstdint>

#include "commands.h"
#include "population.h"

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
};

// Every command received goes to stdout, one line each with its time; everything else the
// simulator has to say goes to stderr, unless it was told to be quiet.
namespace logline {
void Received(const QByteArray& raw);
void Info(const QString& text);
void SetQuiet(bool quiet);
}  // namespace logline

// One monitor on the monitor port, from its connect to its disconnect. It waits for "B", then
// sends the node's story in batches, each ended by the batch mark, and answers the commands.
class MonitorSession : public QObject {
    Q_OBJECT
  public:
    MonitorSession(QTcpSocket* socket, const SimOptions& options, std::uint64_t seed, QObject* parent);
    void Close();

  signals:
    void Finished();

  private:
    void onReadyRead();
    void onBytesWritten();
    void onDisconnected();
    void handle(const MonitorCommand& cmd);
    void sendBatch();
    void scheduleNext();

    QTcpSocket* socket_;
    SimOptions options_;
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
    bool Listen(QString* error);
    void Shutdown();

  private:
    void onNewConnection();

    SimOptions options_;
    QTcpServer server_;
    MonitorSession* session_ = nullptr;
    int sessions_ = 0;
};

}  // namespace nodesim
