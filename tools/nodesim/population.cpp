#include "population.h"

#include <algorithm>
#include <array>
#include <utility>

namespace nodesim {
namespace {

using namespace sentence;

constexpr Kind kRecordAny = Kind::SocketRecord;
constexpr Kind kRecordMonitored = Kind::MonitoredSocketRecord;
constexpr int kMaxLinesPerBatch = 3;  // per socket, so that a late batch does not flood

// The first arrivals of a session, so that every kind shows up early; random ones follow.
constexpr std::array kFirstArrivals{FarEnd::KelLatest, FarEnd::LockedOut, FarEnd::Telnet, FarEnd::Probe,
                                    FarEnd::KelOlder};
// Sockets already online when the monitor connects; the rest of them are drawn at random.
constexpr std::array kFirstOnline{FarEnd::NodePeer, FarEnd::KelLatest, FarEnd::Telnet,
                                  FarEnd::KelOlder, FarEnd::NoCall,    FarEnd::Echo,
                                  FarEnd::NodePeer, FarEnd::KelLatest, FarEnd::Telnet};

struct Weighted {
    FarEnd kind;
    int weight;
};
constexpr std::array kArrivalMix{Weighted{FarEnd::Telnet, 34},   Weighted{FarEnd::KelLatest, 22},
                                 Weighted{FarEnd::KelOlder, 14}, Weighted{FarEnd::Probe, 10},
                                 Weighted{FarEnd::NoCall, 6},    Weighted{FarEnd::LockedOut, 6},
                                 Weighted{FarEnd::Echo, 4},      Weighted{FarEnd::NodePeer, 4}};

FarEnd draw(Rng& rng, bool onlineKindsOnly) {
    int total = 0;
    for (const auto& w : kArrivalMix)
        if (!onlineKindsOnly || (w.kind != FarEnd::Probe && w.kind != FarEnd::LockedOut)) total += w.weight;
    int r = rng.range(1, total);
    for (const auto& w : kArrivalMix) {
        if (onlineKindsOnly && (w.kind == FarEnd::Probe || w.kind == FarEnd::LockedOut)) continue;
        if ((r -= w.weight) <= 0) return w.kind;
    }
    return FarEnd::Telnet;
}

bool isKel(FarEnd kind) {
    return kind == FarEnd::KelLatest || kind == FarEnd::KelOlder;
}

}  // namespace

Population::Population(const PopulationConfig& config)
    : node_(makeIdentity(config.type)),
      seed_(config.seed),
      story_(mixSeed(config.seed, 1)),
      now_(config.clockStartMs) {
    boxes_ = {
        {"23", kPortUsers, {}}, {"7300", kPortUsers, {}}, {"8000", kPortUsers, {}}, {"7373", kPortNodes, {}}};
    const int users = std::max(1, config.userSockets);
    slots_.resize(static_cast<std::size_t>(users));
    for (int i = 0; i < users; ++i) slots_[static_cast<std::size_t>(i)].number = portCount() + 1 + i;

    startedAt_ = now_ - 1000LL * story_.range(3600, 3 * 24 * 3600);
    linkTime_ = story_.range(80, 900) / 1000.0;

    // Who is online already: about two thirds of the sockets, in random places.
    std::vector<std::size_t> order(slots_.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    for (std::size_t i = order.size(); i > 1; --i)
        std::swap(order[i - 1], order[static_cast<std::size_t>(story_.range(0, static_cast<int>(i) - 1))]);
    const std::size_t online = std::clamp<std::size_t>((slots_.size() * 65 + 50) / 100, 1, slots_.size());
    int oddOnes = 0;  // drawn no-call sockets and echo scripts: two make the point
    for (std::size_t k = 0; k < online; ++k) {
        const bool drawn = k >= kFirstOnline.size();
        FarEnd kind = drawn ? draw(story_, true) : kFirstOnline[k];
        if (drawn && (kind == FarEnd::NoCall || kind == FarEnd::Echo) && ++oddOnes > 2) kind = FarEnd::Telnet;
        occupy(slots_[order[k]], kind, true);
    }
    out_.clear();  // the opening reports them

    // The node monitors the socket that logged in last.
    std::int64_t latest = 0;
    for (const Slot& s : slots_)
        if (s.phase == Phase::Online && s.shownCall != "nocall" && (monitored_ == 0 || s.since > latest)) {
            monitored_ = s.number;
            latest = s.since;
        }

    sessionHigh_ = onlineUsers() + story_.range(0, 8);
    const SimTime sessionHighAt{startedAt_ + (now_ - startedAt_) / 2};
    sessionHighWhen_ = sessionHighAt.date() + " " + sessionHighAt.hhmm() + "Z";
    allTimeHigh_ = sessionHigh_ + story_.range(5, 40);
    const SimTime allTime{now_ - 1000LL * 86400 * story_.range(30, 900)};
    allTimeHighWhen_ = allTime.date() + " " + allTime.hhmm() + "Z";

    nextArrivalAt_ = now_ + story_.range(4000, 10000);
    nextAnnouncementAt_ = now_ + story_.range(60000, 180000);
    nextWwvAt_ = now_ + story_.range(120000, 400000);
    nextKeepAliveAt_ = now_ + 30000;
    intervalMs_ = story_.range(500, 3000);
}

// ---- What the monitor is sent ----

QList<QByteArray> Population::opening() {
    for (int i = 0; i < portCount(); ++i) {
        const ListenPort& b = boxes_[static_cast<std::size_t>(i)];
        out_.append(sentence::portBox(i + 1, b.colour, b.name));
    }
    reportCounts(true);
    out_.append(startTime("Up since " + SimTime{startedAt_}.date() + " " + SimTime{startedAt_}.hhmm() + "Z"));
    out_.append(highWater(true, allTimeHigh_, allTimeHighWhen_));
    out_.append(highWater(false, sessionHigh_, sessionHighWhen_));
    note("Monitor connected to " + node_.call + ", " + node_.software + ", socket server " + kServerVersion);
    out_.append(keepAlive());
    for (int i = 0; i < portCount(); ++i) {
        SocketRecord listener;
        listener.socket = i + 1;
        listener.address = "0.0.0.0";
        listener.port = boxes_[static_cast<std::size_t>(i)].name;
        listener.addressTip = "Listening on port " + listener.port;
        out_.append(fullRecord(kRecordAny, listener));
    }
    for (const Slot& s : slots_)
        if (s.phase != Phase::Free) out_.append(fullRecord(kRecordAny, record(s)));
    if (const Slot* m = slotFor(monitored_); m != nullptr && m->phase != Phase::Free)
        out_.append(fullRecord(kRecordMonitored, record(*m)));
    return std::exchange(out_, {});
}

QList<QByteArray> Population::advance() {
    now_ += intervalMs_;

    if (now_ >= nextArrivalAt_) {
        arrive();
        // Arrivals keep pace with the size of the node, so that about as many users stay online
        // as at the start (the gaps suit the default 40 sockets; a bigger node has more callers).
        const std::int64_t gap = story_.range(15000, 150000);
        nextArrivalAt_ =
            now_ + gap * 40 / std::max<std::int64_t>(40, static_cast<std::int64_t>(slots_.size()));
    }
    for (Slot& s : slots_)
        if (s.phase != Phase::Free && now_ >= s.nextStepAt) step(s);
    for (Slot& s : slots_)
        if (s.phase == Phase::Online) converse(s);

    if (now_ >= nextAnnouncementAt_) {
        out_.append(statusText(Kind::Broadcast, announcement(story_)));
        nextAnnouncementAt_ = now_ + story_.range(90000, 240000);
    }
    if (now_ >= nextWwvAt_) {
        out_.append(statusText(Kind::Broadcast, wwvLine(story_, time())));
        nextWwvAt_ = now_ + story_.range(300000, 900000);
    }
    reportCounts(false);

    linkTime_ = std::clamp(linkTime_ + story_.range(-25, 25) / 1000.0, 0.05, 2.5);
    if (out_.isEmpty() || now_ >= nextKeepAliveAt_) {
        out_.append(keepAlive());
        nextKeepAliveAt_ = now_ + 60000;
    }
    intervalMs_ = story_.range(500, 3000);
    return std::exchange(out_, {});
}

QByteArray Population::keepAlive() const {
    // No capital V before the version: the monitor reads the version after the first one.
    return statusText(
        Kind::FromMonitoredSocket,
        "KeepAlive " + time().hhmm() + "Z " + QString::number(onlineUsers()) + " users V" + kServerVersion);
}

QByteArray Population::batchTail() const {
    const QStringList& partners = node_.partners;
    return linkTime(linkTime_, partners.isEmpty() ? node_.call : partners.first());
}

// ---- The monitor's commands ----

QString Population::watch(int socket) {
    Slot* s = slotFor(socket);
    if (s == nullptr)
        return socket >= 1 && socket <= portCount() ? QStringLiteral("listening port, no traffic")
                                                    : QStringLiteral("no such socket");
    s->watched = true;
    return s->phase == Phase::Free ? QStringLiteral("socket not in use") : "watching " + describe(socket);
}

QString Population::watchAll() {
    int n = 0;
    for (Slot& s : slots_)
        if (s.phase != Phase::Free) {
            s.watched = true;
            ++n;
        }
    return "watching all " + QString::number(n) + " sockets in use";
}

QString Population::stopWatch(int socket) {
    Slot* s = slotFor(socket);
    if (s == nullptr) return QStringLiteral("no such user socket");
    s->watched = false;
    return "stopped " + describe(socket);
}

QString Population::stopAll() {
    for (Slot& s : slots_) s.watched = false;
    return QStringLiteral("stopped all traffic");
}

QString Population::select(int socket) {
    Slot* s = slotFor(socket);
    if (s == nullptr || s->phase == Phase::Free) return QStringLiteral("no user on that socket");
    autoSelect_ = false;
    monitored_ = socket;
    out_.append(fullRecord(kRecordMonitored, record(*s)));
    note("Monitoring socket " + QString::number(socket) + " " + s->shownCall);
    return "monitoring " + describe(socket);
}

QString Population::autoSelect() {
    autoSelect_ = true;
    note(QStringLiteral("Monitor selects the newest login"));
    return QStringLiteral("automatic selection");
}

QString Population::operatorLine(const QString& text) {
    note("Command from monitor: " + text.simplified());
    return QStringLiteral("operator line");
}

QString Population::describe(int socket) const {
    const Slot* s = slotFor(socket);
    if (s == nullptr) return "socket " + QString::number(socket);
    if (s->phase == Phase::Free) return "socket " + QString::number(socket) + " (free)";
    return "socket " + QString::number(socket) + " " + (s->shownCall.isEmpty() ? s->address : s->shownCall) +
           " (" + farEndName(s->talk.kind) + ")";
}

// ---- The sockets' lives ----

Population::Slot* Population::slotFor(int socket) {
    const int i = socket - portCount() - 1;
    return i >= 0 && i < static_cast<int>(slots_.size()) ? &slots_[static_cast<std::size_t>(i)] : nullptr;
}

const Population::Slot* Population::slotFor(int socket) const {
    return const_cast<Population*>(this)->slotFor(socket);
}

QString Population::stamp() const {
    return "[" + time().hhmm() + "Z]";
}

void Population::note(const QString& text) {
    out_.append(statusText(Kind::NodeEvent, stamp() + " " + text));
}

SocketRecord Population::record(const Slot& s) const {
    SocketRecord r;
    r.socket = s.number;
    r.address = s.address;
    r.addressColour = s.addressColour;
    r.port = s.remotePort;
    r.call = s.shownCall;
    r.callColour = s.callColour;
    r.addressTip = s.tip;
    return r;
}

FarEnd Population::nextArrivalKind() {
    const int n = arrivalsSoFar_++;
    return n < static_cast<int>(kFirstArrivals.size()) ? kFirstArrivals[static_cast<std::size_t>(n)]
                                                       : draw(story_, false);
}

// Puts a new far end on a free socket: connecting (address yellow, no call yet) or, for the
// sockets found online when the session starts, logged in for a while already.
void Population::occupy(Slot& s, FarEnd kind, bool online) {
    ++s.arrivals;
    s.talk = Conversation{};
    s.talk.rng = Rng(mixSeed(
        seed_, static_cast<std::uint64_t>(s.number) * 100003u + static_cast<std::uint64_t>(s.arrivals)));
    Rng& rng = s.talk.rng;
    s.talk.kind = kind;
    s.talk.call = kind == FarEnd::NodePeer ? freePartner(rng) : uniqueCall(rng);
    s.talk.name = makeName(rng);
    s.talk.kelVersion = kind == FarEnd::KelLatest ? QString::fromLatin1(kKelLatest) : olderKelVersion(rng);
    s.box = boxFor(kind, rng);
    s.address = makeAddress(rng);
    s.remotePort = QString::number(rng.range(1025, 65535));
    s.probeMarked = false;
    s.watched = false;
    const QString& boxName = boxes_[static_cast<std::size_t>(s.box - 1)].name;
    if (online) {
        s.phase = Phase::Online;
        s.since = now_ - 1000LL * rng.range(30, 4 * 3600);
        s.tip =
            makeHostName(rng, s.address) + "  port " + boxName + "  since " + SimTime{s.since}.hhmm() + "Z";
        s.addressColour = kWhite;
        s.shownCall = kind == FarEnd::NoCall ? QStringLiteral("nocall") : s.talk.call;
        s.callColour = callColourFor(kind, rng);
        s.nextStepAt = now_ + stayMs(kind, rng) / 2;
        s.nextLineAt = now_ + rng.range(200, 5000);
        s.talk.lineNo = kind == FarEnd::Telnet || isKel(kind) ? 1 : 0;  // greeted long ago
        s.watched = true;  // a fresh monitor session gets every socket's traffic
        return;
    }
    s.phase = Phase::Connecting;
    s.since = now_;
    s.tip = makeHostName(rng, s.address) + "  port " + boxName + "  since " + time().hhmm() + "Z";
    s.addressColour = kYellow;
    s.shownCall.clear();
    s.callColour = kWhite;
    s.nextStepAt = now_ + (kind == FarEnd::Probe ? rng.range(300, 1500) : rng.range(1000, 4000));
}

void Population::arrive() {
    const FarEnd kind = nextArrivalKind();
    auto free =
        std::find_if(slots_.begin(), slots_.end(), [](const Slot& s) { return s.phase == Phase::Free; });
    if (free == slots_.end()) return;  // node full: the connection is refused
    occupy(*free, kind, false);
    note("Socket " + QString::number(free->number) + " connect from " + free->address + ":" +
         free->remotePort + " on port " + boxes_[static_cast<std::size_t>(free->box - 1)].name);
    out_.append(fullRecord(kRecordAny, record(*free)));
}

void Population::step(Slot& s) {
    if (s.phase == Phase::Online) {
        leave(s);
        return;
    }
    // Connecting.
    switch (s.talk.kind) {
        case FarEnd::Probe:
            if (!s.probeMarked) {
                s.probeMarked = true;
                s.callColour = kProbePink;
                out_.append(fieldUpdate(kRecordAny, s.number, 7, QString::number(kProbePink)));
                s.nextStepAt = now_ + s.talk.rng.range(1500, 5000);
            } else {
                leave(s);
            }
            return;
        case FarEnd::LockedOut:
            lockOut(s);
            return;
        default:
            logIn(s);
            return;
    }
}

void Population::logIn(Slot& s) {
    Rng& rng = s.talk.rng;
    s.phase = Phase::Online;
    s.shownCall = s.talk.kind == FarEnd::NoCall ? QStringLiteral("nocall") : s.talk.call;
    s.callColour = callColourFor(s.talk.kind, rng);
    s.addressColour = kWhite;
    s.since = now_;
    s.nextStepAt = now_ + stayMs(s.talk.kind, rng);
    s.nextLineAt = now_ + rng.range(300, 1200);
    if (rng.chance(70)) {
        // The address leaving yellow is what makes the monitor ask for the traffic.
        out_.append(fieldUpdate(kRecordAny, s.number, 3, QString::number(kWhite)));
        out_.append(fieldUpdate(kRecordAny, s.number, 6, s.shownCall));
        out_.append(fieldUpdate(kRecordAny, s.number, 7, QString::number(s.callColour)));
    } else {
        out_.append(fullRecord(kRecordAny, record(s)));
    }
    note(s.talk.kind == FarEnd::NoCall ? "Socket " + QString::number(s.number) + " login without a call"
                                       : "Socket " + QString::number(s.number) + " login " + s.shownCall);
    if (autoSelect_) {
        monitored_ = s.number;
        out_.append(fullRecord(kRecordMonitored, record(s)));
    }
}

void Population::lockOut(Slot& s) {
    Rng& rng = s.talk.rng;
    s.phase = Phase::Online;
    s.addressColour = kRed;
    out_.append(fieldUpdate(kRecordAny, s.number, 3, QString::number(kRed)));
    s.shownCall = QStringLiteral("LockedOut");
    s.callColour = kCallRestricted;
    out_.append(fullRecord(kRecordAny, record(s)));
    note("Socket " + QString::number(s.number) + " " + s.talk.call + " is locked out");
    s.since = now_;
    s.nextStepAt = now_ + rng.range(4000, 9000);
    s.nextLineAt = now_ + rng.range(300, 800);
}

void Population::leave(Slot& s) {
    const QString who = s.shownCall.isEmpty() ? QStringLiteral("before login") : s.shownCall;
    note("Socket " + QString::number(s.number) + " disconnect " + who);
    if (s.talk.kind == FarEnd::Probe || s.talk.rng.chance(60)) {
        SocketRecord blank;
        blank.socket = s.number;
        out_.append(fullRecord(kRecordAny, blank));
    } else {
        out_.append(fieldUpdate(kRecordAny, s.number, 6, QString()));
        out_.append(fieldUpdate(kRecordAny, s.number, 7, QString::number(kWhite)));
        out_.append(fieldUpdate(kRecordAny, s.number, 3, QString::number(kWhite)));
        out_.append(fieldUpdate(kRecordAny, s.number, 2, QString()));
        out_.append(fieldUpdate(kRecordAny, s.number, 4, QString()));
    }
    if (monitored_ == s.number) monitored_ = 0;
    const int arrivals = s.arrivals;
    const int number = s.number;
    s = Slot{};
    s.number = number;
    s.arrivals = arrivals;
}

// The lines a socket says or is told now. Watched sockets have them sent as traffic; the
// socket the node monitors has them shown as the node's own text lines as well.
void Population::converse(Slot& s) {
    for (int n = 0; n < kMaxLinesPerBatch && now_ >= s.nextLineAt; ++n) {
        for (const TrafficLine& line : nextLines(node_, s.talk, time())) {
            if (line.text.isEmpty()) continue;
            if (s.watched) out_.append(traffic(s.number, line.text));
            if (s.number == monitored_ && !line.text.startsWith(QLatin1String("ZQ11^")))
                out_.append(statusText(line.fromFarEnd ? Kind::FromMonitoredSocket : Kind::ToMonitoredSocket,
                                       line.text));
        }
        s.nextLineAt += nextLineGapMs(s.talk);
    }
    if (s.nextLineAt < now_) s.nextLineAt = now_;  // do not owe lines for long
}

// Users per listening port in the port strip, and the high-water marks.
void Population::reportCounts(bool always) {
    std::vector<int> perBox(boxes_.size(), 0);
    for (const Slot& s : slots_)
        if (s.phase == Phase::Online && s.box >= 1) ++perBox[static_cast<std::size_t>(s.box - 1)];
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        const QString text = QString::number(perBox[i]);
        if (always || text != boxes_[i].shownText) {
            boxes_[i].shownText = text;
            out_.append(portBoxText(static_cast<int>(i) + 1, text));
        }
    }
    const int users = onlineUsers();
    if (users > sessionHigh_) {
        sessionHigh_ = users;
        sessionHighWhen_ = time().date() + " " + time().hhmm() + "Z";
        out_.append(highWater(false, sessionHigh_, sessionHighWhen_));
        if (users > allTimeHigh_) {
            allTimeHigh_ = users;
            allTimeHighWhen_ = sessionHighWhen_;
            out_.append(highWater(true, allTimeHigh_, allTimeHighWhen_));
        }
    }
}

int Population::onlineUsers() const {
    return static_cast<int>(std::count_if(slots_.begin(), slots_.end(), [](const Slot& s) {
        return s.phase == Phase::Online && s.talk.kind != FarEnd::LockedOut;
    }));
}

QString Population::uniqueCall(Rng& rng) const {
    QString call = makeCall(rng);
    for (int tries = 0; tries < 10; ++tries) {
        const bool taken = std::any_of(slots_.begin(), slots_.end(), [&](const Slot& s) {
            return s.phase != Phase::Free && s.talk.call == call;
        });
        if (!taken) break;
        call = makeCall(rng);
    }
    return call;
}

QString Population::freePartner(Rng& rng) const {
    QStringList free;
    for (const QString& p : node_.partners) {
        const bool taken = std::any_of(slots_.begin(), slots_.end(), [&](const Slot& s) {
            return s.phase != Phase::Free && s.talk.call == p;
        });
        if (!taken) free.append(p);
    }
    return free.isEmpty() ? makeCall(rng) : rng.pick(free);
}

int Population::boxFor(FarEnd kind, Rng& rng) const {
    switch (kind) {
        case FarEnd::KelLatest:
        case FarEnd::KelOlder:
            return 3;
        case FarEnd::NodePeer:
            return 4;
        default:
            return rng.range(1, 2);
    }
}

int Population::callColourFor(FarEnd kind, Rng& rng) const {
    switch (kind) {
        case FarEnd::KelLatest:
        case FarEnd::KelOlder:
            return rng.chance(80) ? kCallKelPort : kCallRegistered;
        case FarEnd::Telnet:
            return rng.chance(80) ? kCallUser : kCallRegistered;
        case FarEnd::NodePeer:
            return kCallNode;
        case FarEnd::Echo:
            return kCallRegistered;
        case FarEnd::NoCall:
        case FarEnd::LockedOut:
            return kCallRestricted;
        case FarEnd::Probe:
            return kProbePink;
    }
    return kCallUser;
}

std::int64_t Population::stayMs(FarEnd kind, Rng& rng) const {
    switch (kind) {
        case FarEnd::KelLatest:
        case FarEnd::KelOlder:
            return 1000LL * rng.range(600, 5400);
        case FarEnd::Telnet:
            return 1000LL * rng.range(180, 2400);
        case FarEnd::NodePeer:
            return 1000LL * rng.range(7200, 28800);
        case FarEnd::NoCall:
            return 1000LL * rng.range(60, 300);
        case FarEnd::Echo:
            return 1000LL * rng.range(60, 300);
        case FarEnd::LockedOut:
            return 1000LL * rng.range(4, 9);
        case FarEnd::Probe:
            return 1000LL * rng.range(1, 4);
    }
    return 60000;
}

}  // namespace nodesim
