#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "rng.h"

namespace nodesim {

// The node program behind the socket server. It shows in what the node says to its users:
// its prompts, its banners and the protocol lines of the clients and partners it talks to.
enum class NodeType { Zq, DxSpider, Arc, ArcPassive };

// What sits at the far end of a user socket.
enum class FarEnd {
    KelLatest,  // KEL client, latest version
    KelOlder,   // KEL client, an older version
    Telnet,     // a user with a plain telnet program, who gets spot lines
    NodePeer,   // another node, talking the node protocol
    NoCall,     // connected but never gave a call
    Echo,       // a script that checks the node with "echo #" lines
    LockedOut,  // a call the node refuses
    Probe,      // a port scan: connects, never logs in, goes
};

const char* farEndName(FarEnd kind);

// Latest version of the KEL client, and the socket server's own version.
inline constexpr const char* kKelLatest = "1.93";
inline constexpr const char* kServerVersion = "1.93";

// The time of the simulated node, in ms since the epoch, UTC.
struct SimTime {
    std::int64_t ms = 0;
    QString hhmm() const;                         // "0912"
    QString date(bool twoDigitDay = true) const;  // "08-Dec-2026" or "8-Dec-2026"
    QString clock() const;                        // "09:12:05"
};

struct NodeIdentity {
    NodeType type = NodeType::Zq;
    QString call;
    QString qth;
    QString software;
    QStringList partners;  // node calls that link in as node partners
};

NodeIdentity makeIdentity(NodeType type);

// One line of a socket's traffic: sent by the node to the far end, or received from it. A line
// may hold CR LF pairs when the node sends several lines at once.
struct TrafficLine {
    bool fromFarEnd = false;
    QString text;
};

// The far end of one socket and how far its talk with the node has gone.
struct Conversation {
    FarEnd kind = FarEnd::Telnet;
    QString call;  // the user's own call (for NoCall and LockedOut, not what the node shows)
    QString name;
    QString kelVersion;  // KEL clients only
    int lineNo = 0;      // lines so far; 0 means the node has not greeted it yet
    int serial = 0;
    Rng rng;
};

// The next few lines of a conversation, and how long (ms) until it says something again.
QList<TrafficLine> nextLines(const NodeIdentity& node, Conversation& talk, const SimTime& now);
int nextLineGapMs(Conversation& talk);

// Texts the node makes up for its users and partners.
QString makeCall(Rng& rng);
QString makeName(Rng& rng);
QString makeAddress(Rng& rng);
QString makeHostName(Rng& rng, const QString& address);
QString olderKelVersion(Rng& rng);
QString spotLine(Rng& rng, const SimTime& now);
QString announcement(Rng& rng);
QString wwvLine(Rng& rng, const SimTime& now);

}  // namespace nodesim
