#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <vector>

#include "rng.h"
#include "sentences.h"
#include "traffic.h"

namespace nodesim {

struct PopulationConfig {
    NodeType type = NodeType::Zq;
    int userSockets = 40;  // user sockets above the listening ports
    std::uint64_t seed = 1;
    std::int64_t clockStartMs = 0;  // the node's clock when the session starts (UTC)
};

// The node as its monitor port sees it: the listening ports, the user sockets with whoever is
// at their far end, and the node's clock. Sockets 1..portCount() are the listening ports; user
// sockets follow up to highestSocket(). Users connect, log in, talk and leave as the clock
// moves on; all of it comes from the seed alone, so two sessions with one seed tell the same
// story whatever the monitor asks for. What the monitor asks for only decides which traffic
// is sent.
//
// Every method that has something to tell the monitor queues sentences; advance() and
// opening() hand them over.
class Population {
  public:
    explicit Population(const PopulationConfig& config);

    int portCount() const { return static_cast<int>(boxes_.size()); }
    int highestSocket() const { return portCount() + static_cast<int>(slots_.size()); }
    const NodeIdentity& node() const { return node_; }

    // What the node sends once the monitor has asked for the stream: the port strip, the
    // high-water marks, the start time and the record of every socket.
    QList<QByteArray> opening();
    // Moves the clock on by one batch interval and gives what happened meanwhile; at least a
    // keep-alive when nothing did.
    QList<QByteArray> advance();
    // The node-clock time until the next batch is due.
    int nextIntervalMs() const { return intervalMs_; }
    // The sentence that closes every batch: the link time. Its last field is one the monitor
    // does not read, so the batch mark behind it harms nothing.
    QByteArray batchTail() const;

    // The monitor's commands. Each answers a short note for the log.
    QString watch(int socket);
    QString watchAll();
    QString stopWatch(int socket);
    QString stopAll();
    QString select(int socket);
    QString autoSelect();
    QString operatorLine(const QString& text);

    QString describe(int socket) const;

  private:
    enum class Phase { Free, Connecting, Online };

    struct Slot {
        int number = 0;
        Phase phase = Phase::Free;
        Conversation talk;
        QString shownCall;  // the call as the node shows it ("nocall", "LockedOut", ...)
        QString address;
        QString remotePort;
        QString tip;
        int box = 0;  // the listening port it came in on
        int addressColour = sentence::kWhite;
        int callColour = sentence::kWhite;
        std::int64_t since = 0;
        std::int64_t nextStepAt = 0;  // next step of its life: login, leaving
        std::int64_t nextLineAt = 0;  // next line of traffic
        int arrivals = 0;             // sockets this slot has held, for its random stream
        bool watched = false;         // its traffic goes to the monitor
        bool probeMarked = false;
    };

    struct ListenPort {
        QString name;
        int colour = sentence::kPortUsers;
        QString shownText;
    };

    Slot* slotFor(int socket);
    const Slot* slotFor(int socket) const;
    SimTime time() const { return SimTime{now_}; }
    QString stamp() const;  // "[0912Z]"
    sentence::SocketRecord record(const Slot& s) const;
    void note(const QString& text);  // a line of the node's own log (^ZQ61)
    QByteArray keepAlive() const;    // the node's keep-alive with its version (^ZQ63)

    FarEnd nextArrivalKind();
    void occupy(Slot& s, FarEnd kind, bool online);
    void arrive();
    void step(Slot& s);
    void logIn(Slot& s);
    void lockOut(Slot& s);
    void leave(Slot& s);
    void converse(Slot& s);
    void reportCounts(bool always);
    int onlineUsers() const;
    QString uniqueCall(Rng& rng) const;
    QString freePartner(Rng& rng) const;
    int boxFor(FarEnd kind, Rng& rng) const;
    int callColourFor(FarEnd kind, Rng& rng) const;
    std::int64_t stayMs(FarEnd kind, Rng& rng) const;

    NodeIdentity node_;
    std::uint64_t seed_;
    Rng story_;
    std::int64_t now_;
    std::int64_t startedAt_;
    int intervalMs_ = 1000;
    std::vector<ListenPort> boxes_;
    std::vector<Slot> slots_;  // slots_[i] is socket portCount() + 1 + i
    int arrivalsSoFar_ = 0;
    std::int64_t nextArrivalAt_ = 0;
    std::int64_t nextAnnouncementAt_ = 0;
    std::int64_t nextWwvAt_ = 0;
    std::int64_t nextKeepAliveAt_ = 0;
    int monitored_ = 0;  // the socket the node monitors itself (^ZQ60, ^ZQ62, ^ZQ63), 0 for none
    bool autoSelect_ = true;
    int sessionHigh_ = 0;
    int allTimeHigh_ = 0;
    QString sessionHighWhen_;
    QString allTimeHighWhen_;
    double linkTime_ = 0.3;
    QList<QByteArray> out_;
};

}  // namespace nodesim
