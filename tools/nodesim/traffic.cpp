#include "traffic.h"

#include <QDateTime>
#include <QTimeZone>
#include <array>

namespace nodesim {
namespace {

constexpr std::array kMonths{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

QDateTime utc(std::int64_t ms) {
    return QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc());
}

// Call patterns: '#' is the area digit.
constexpr std::array kUserPrefixes{"G#",  "M0",  "2E0", "DL#", "F#",  "EA#", "I#",  "ON#", "PA#",
                                   "OZ#", "SM#", "LA#", "OH#", "K#",  "W#",  "N#",  "VE#", "JA#",
                                   "VK#", "ZL#", "HB9", "OE#", "SP#", "OK#", "YO#", "LZ#", "9A#",
                                   "S5#", "UR#", "EI#", "GM#", "GW#", "AA#", "KD#"};
constexpr std::array kDxPrefixes{"JA#", "VK#", "ZL#", "PY#", "LU#", "ZS#", "3B8", "5B4", "9M2", "A7#",
                                 "VP8", "KH6", "FK8", "E5#", "T3#", "YB#", "HS#", "4X#", "CE#", "XE#",
                                 "TI#", "V5#", "ZD8", "FR#", "D4#", "C6A", "J6#", "P4#", "9G#", "EP#"};
constexpr std::array kNames{"John", "Peter", "Hans", "Marc",  "Luis", "Ken",  "Steve",
                            "Dave", "Bob",   "Ann",  "Maria", "Jan",  "Piet", "Sven",
                            "Ole",  "Yuki",  "Tom",  "Mike",  "Andy", "Kurt"};
constexpr std::array kOlderKel{"1.72", "1.85", "1.90", "1.91", "1.92"};
constexpr std::array kFirstOctets{2,   5,   24,  31,  37,  46,  62,  77,  78,  79,  80,  81, 82,
                                  83,  84,  85,  86,  87,  88,  89,  90,  91,  92,  93,  94, 95,
                                  109, 151, 176, 178, 185, 188, 193, 194, 195, 212, 213, 217};

struct Band {
    int low;
    int high;
};
constexpr std::array kBands{Band{1810, 1840},   Band{3500, 3580},   Band{7000, 7040},   Band{10100, 10140},
                            Band{14000, 14070}, Band{18068, 18100}, Band{21000, 21070}, Band{24890, 24920},
                            Band{28000, 28070}, Band{50080, 50150}};
constexpr std::array kSpotComments{"CW 599", "up 1",      "loud",        "tnx QSO", "QSX 7015",
                                   "SSB 59", "FT8 -12dB", "big pileup",  "",        "weak but ok",
                                   "RTTY",   "up 5 CW",   "tnx new one", "via LP",  "599 in G"};
constexpr std::array kUserCommands{"sh/dx",    "sh/dx 20", "sh/wwv",   "sh/users",
                                   "sh/ann 5", "set/beep", "sh/dx 14", "sh/qrz 9M2A"};
constexpr std::array kKelRequests{"SH/DX 10", "SH/WWV 3", "SH/USERS", "SH/ANN 5", "DX? 14", "SET/KEL"};
constexpr std::array kAnnouncements{
    "anyone hearing 3B8 on 30m?", "40m wide open to JA now", "contest this weekend, pse QSY",
    "node restart at 2300Z",      "tnx for the spots",       "6m Es to EA at the moment"};
constexpr std::array kNoCallTries{"root", "admin", "guest", "help", "hello", "GET / HTTP/1.1", "user"};
constexpr std::array kNoCallPrompts{
    "login: ", "Please enter your call: ", "Sorry, that is not a valid call."};

QString fromPattern(Rng& rng, const char* pattern) {
    QString s;
    for (const char* p = pattern; *p != '\0'; ++p)
        s += *p == '#' ? QChar(u'0' + rng.range(0, 9)) : QChar::fromLatin1(*p);
    return s;
}

QString letters(Rng& rng, int count) {
    QString s;
    for (int i = 0; i < count; ++i) s += QChar(u'A' + rng.range(0, 25));
    return s;
}

// The node's prompt. A zq node puts its program's mark in the prompts of KEL sessions; on a
// dxspider node a KEL client has its version shown in the prompt just before "dxspider >".
QString prompt(const NodeIdentity& node, const Conversation& talk, const SimTime& now) {
    const bool kel = talk.kind == FarEnd::KelLatest || talk.kind == FarEnd::KelOlder;
    switch (node.type) {
        case NodeType::Zq:
            return talk.call + " de " + node.call + " " + now.date() + " " + now.hhmm() +
                   (kel ? QStringLiteral("Z ZQC >") : QStringLiteral("Z >"));
        case NodeType::DxSpider: {
            const QString head =
                talk.call + " de " + node.call + " " + now.date(false) + " " + now.hhmm() + "Z";
            if (!kel) return head + " dxspider >";
            // Padded so the mark never starts before column 38.
            return head.leftJustified(31) + talk.kelVersion.rightJustified(6) + "  dxspider >";
        }
        case NodeType::Arc:
        case NodeType::ArcPassive:
            return talk.call + " de " + node.call + " " + now.date() + " " + now.hhmm() + "Z arc >";
    }
    return {};
}

QString banner(const NodeIdentity& node, const Conversation& talk) {
    switch (node.type) {
        case NodeType::Zq:
            return "Hello " + talk.name + ", this is " + node.call + " in " + node.qth + "\r\nRunning " +
                   node.software + " with socket server " + kServerVersion +
                   "\r\nPlease report problems to the sysop.";
        case NodeType::DxSpider:
            return "Hello " + talk.name + ", this is " + node.call + " in " + node.qth + "\r\nrunning " +
                   node.software + "\r\nCapabilities: ve7cc rbn";
        case NodeType::Arc:
        case NodeType::ArcPassive:
            return "Welcome to " + node.call + ", " + node.software + " in " + node.qth + "\r\nHello " +
                   talk.name + ", type HELP for a list of commands";
    }
    return {};
}

TrafficLine far(const QString& text) {
    return {true, text};
}
TrafficLine near(const QString& text) {
    return {false, text};
}

QString keepAlive(const Conversation& t, const SimTime& now) {
    // No capital V before the version: the version is read after the first one.
    return "KeepAlive " + now.hhmm() + "Z " + QString::number(t.serial) + " V" + t.kelVersion;
}

// Line n (1 is the first after the greeting) of a KEL client's session.
TrafficLine kelLine(const NodeIdentity& node, Conversation& t, const SimTime& now, int n) {
    const QString serial = QString::number(++t.serial);
    const int r = t.rng.range(1, 100);
    switch (node.type) {
        case NodeType::Zq:
        case NodeType::DxSpider:
            if (n == 1) return near(prompt(node, t, now));
            if (n == 2) return far("ZQ11^" + t.call + "^" + now.hhmm() + "^" + serial + "^SH/DX 10");
            if (n == 3 || n % 9 == 0) return far(keepAlive(t, now));
            if (r <= 55)
                return far("ZQ11^" + t.call + "^" + now.hhmm() + "^" + serial + "^" +
                           t.rng.pick(kKelRequests));
            if (r <= 75) return near("ZQ11^" + node.call + "^" + now.hhmm() + "^" + serial + "^OK");
            return near(prompt(node, t, now));
        case NodeType::Arc:
            if (n == 1) return far("AR17^" + t.call + "^" + t.kelVersion + "^" + now.hhmm() + "^" + serial);
            if (n == 2 || n % 9 == 0) return far(keepAlive(t, now));
            if (r <= 55) return far("AR17^" + t.call + "^" + t.kelVersion + "^" + now.hhmm() + "^" + serial);
            if (r <= 65) return far("Tx " + serial + " " + now.hhmm() + "Z V" + t.kelVersion);
            return near(prompt(node, t, now));
        case NodeType::ArcPassive:
            if (n == 1) return far("Tx " + serial + " " + now.hhmm() + "Z V" + t.kelVersion);
            if (n % 9 == 0) return far(keepAlive(t, now));
            if (r <= 40) return far("Tx " + serial + " " + now.hhmm() + "Z V" + t.kelVersion);
            if (r <= 70) return far("Rx " + serial + " " + now.hhmm() + "Z ok");
            return near(prompt(node, t, now));
    }
    return {};
}

TrafficLine telnetLine(const NodeIdentity& node, Conversation& t, const SimTime& now, int n) {
    if (n == 1) return near(prompt(node, t, now));
    const int r = t.rng.range(1, 100);
    if (r <= 60) return near(spotLine(t.rng, now));
    if (r <= 72) return far(t.rng.pick(kUserCommands));
    if (r <= 82) return near(prompt(node, t, now));
    if (r <= 92) return near(announcement(t.rng));
    return near(wwvLine(t.rng, now));
}

// Line n (from 0) of a node partner's link.
TrafficLine partnerLine(const NodeIdentity& node, Conversation& t, const SimTime& now, int n) {
    const int secs = QTime(0, 0).secsTo(utc(now.ms).time());
    const QString pc92 =
        "PC92^" + t.call + "^" + QString::number(secs) + ".01^A^^5" + makeCall(t.rng) + "^H99^";
    // An AR-Cluster node in passive mode links with its own protocol.
    if (node.type == NodeType::ArcPassive && (n == 0 || t.rng.chance(40)))
        return far("AR1^" + t.call + "^" + QString::number(++t.serial) + "^" + now.hhmm() + "^");
    if (n == 0) return far(pc92);
    const int r = t.rng.range(1, 100);
    if (r <= 35) return far(pc92);
    if (r <= 60) {
        const Band& band = t.rng.pick(kBands);
        const QString freq = QString::number(t.rng.range(band.low, band.high)) + ".0";
        QString dx = fromPattern(t.rng, t.rng.pick(kDxPrefixes)) + letters(t.rng, t.rng.range(1, 3));
        return far("PC11^" + freq + "^" + dx + "^" + now.date(false) + "^" + now.hhmm() + "Z^" +
                   t.rng.pick(kSpotComments) + "^" + makeCall(t.rng) + "^" + t.call + "^H95^~");
    }
    if (r <= 75) return far("PC51^" + node.call + "^" + t.call + "^1^");
    if (r <= 85) return far("PC16^" + t.call + "^" + makeCall(t.rng) + " - 1^H96^");
    return near("PC51^" + t.call + "^" + node.call + "^0^");
}

}  // namespace

const char* farEndName(FarEnd kind) {
    switch (kind) {
        case FarEnd::KelLatest:
            return "KEL client (latest)";
        case FarEnd::KelOlder:
            return "KEL client (older)";
        case FarEnd::Telnet:
            return "telnet user";
        case FarEnd::NodePeer:
            return "node partner";
        case FarEnd::NoCall:
            return "no call";
        case FarEnd::Echo:
            return "echo script";
        case FarEnd::LockedOut:
            return "locked out";
        case FarEnd::Probe:
            return "probe";
    }
    return "?";
}

QString SimTime::hhmm() const {
    return utc(ms).toString(QStringLiteral("HHmm"));
}

QString SimTime::clock() const {
    return utc(ms).toString(QStringLiteral("HH:mm:ss"));
}

QString SimTime::date(bool twoDigitDay) const {
    const QDate d = utc(ms).date();
    const QString day = twoDigitDay ? QString::asprintf("%02d", d.day()) : QString::number(d.day());
    return day + "-" + kMonths[static_cast<std::size_t>(d.month() - 1)] + "-" + QString::number(d.year());
}

NodeIdentity makeIdentity(NodeType type) {
    NodeIdentity id;
    id.type = type;
    switch (type) {
        case NodeType::Zq:
            id.call = "GB7RDX";
            id.qth = "Harrow, Middlesex";
            id.software = "RE Ridavir 4.17";
            break;
        case NodeType::DxSpider:
            id.call = "GB7DXS";
            id.qth = "Leeds, Yorkshire";
            id.software = "DXSpider v1.57 build 541";
            break;
        case NodeType::Arc:
            id.call = "W3ARC";
            id.qth = "Baltimore, MD";
            id.software = "AR-Cluster 6.1 build 4920";
            break;
        case NodeType::ArcPassive:
            id.call = "W3ARC-2";
            id.qth = "Baltimore, MD";
            id.software = "AR-Cluster 6.1 build 4920 (passive)";
            break;
    }
    id.partners = {"GB7NOD", "EI7NOD", "DB0NOD-7", "PI4NOD", "OH8NOD", "F5NOD-9"};
    return id;
}

QList<TrafficLine> nextLines(const NodeIdentity& node, Conversation& talk, const SimTime& now) {
    QList<TrafficLine> out;
    const int n = talk.lineNo++;
    switch (talk.kind) {
        case FarEnd::KelLatest:
        case FarEnd::KelOlder:
            out.append(n == 0 ? near(banner(node, talk)) : kelLine(node, talk, now, n));
            break;
        case FarEnd::Telnet:
            out.append(n == 0 ? near(banner(node, talk)) : telnetLine(node, talk, now, n));
            break;
        case FarEnd::NodePeer:
            out.append(partnerLine(node, talk, now, n));  // partners are not greeted
            break;
        case FarEnd::NoCall:
            if (n % 2 == 0)
                out.append(near(talk.rng.pick(kNoCallPrompts)));
            else
                out.append(far(talk.rng.pick(kNoCallTries)));
            break;
        case FarEnd::Echo:
            if (n % 2 == 0) {
                ++talk.serial;
                out.append(far("echo #" + QString::number(talk.serial) + " " + now.hhmm() + "Z"));
            } else {
                out.append(near("#" + QString::number(talk.serial) + " " + now.hhmm() + "Z ok"));
            }
            break;
        case FarEnd::LockedOut:
            if (n == 0) out.append(near("Sorry " + talk.call + ", you are locked out of " + node.call + "."));
            if (n == 1) out.append(near(QStringLiteral("Disconnecting.")));
            break;
        case FarEnd::Probe:
            break;
    }
    return out;
}

int nextLineGapMs(Conversation& talk) {
    Rng& r = talk.rng;
    if (talk.lineNo == 1 && talk.kind != FarEnd::Echo) return r.range(400, 1500);  // just after the greeting
    switch (talk.kind) {
        case FarEnd::KelLatest:
        case FarEnd::KelOlder:
            return r.range(2000, 9000);
        case FarEnd::Telnet:
            return r.range(3000, 15000);
        case FarEnd::NodePeer:
            return r.range(1500, 6000);
        case FarEnd::NoCall:
            return r.range(4000, 12000);
        case FarEnd::Echo:
            return talk.lineNo % 2 == 1 ? r.range(200, 800) : r.range(8000, 25000);
        case FarEnd::LockedOut:
            return r.range(800, 1500);
        case FarEnd::Probe:
            return 3600 * 1000;
    }
    return 5000;
}

QString makeCall(Rng& rng) {
    QString call = fromPattern(rng, rng.pick(kUserPrefixes)) + letters(rng, rng.range(2, 3));
    if (rng.chance(10)) call += "-" + QString::number(rng.range(1, 9));
    return call;
}

QString makeName(Rng& rng) {
    return QString::fromLatin1(rng.pick(kNames));
}

QString makeAddress(Rng& rng) {
    return QString::number(rng.pick(kFirstOctets)) + "." + QString::number(rng.range(1, 254)) + "." +
           QString::number(rng.range(0, 255)) + "." + QString::number(rng.range(1, 254));
}

QString makeHostName(Rng& rng, const QString& address) {
    static constexpr std::array kKinds{"dsl", "cable", "ip", "host", "dyn"};
    static constexpr std::array kDomains{"example.net", "example.org", "example.com"};
    QString dashed = address;
    dashed.replace(u'.', u'-');
    return QString::fromLatin1(rng.pick(kKinds)) + "-" + dashed + "." + rng.pick(kDomains);
}

QString olderKelVersion(Rng& rng) {
    return QString::fromLatin1(rng.pick(kOlderKel));
}

QString spotLine(Rng& rng, const SimTime& now) {
    const Band& band = rng.pick(kBands);
    const QString freq =
        QString::number(rng.range(band.low, band.high)) + "." + QString::number(rng.range(0, 9));
    const QString dx = fromPattern(rng, rng.pick(kDxPrefixes)) + letters(rng, rng.range(1, 3));
    const QString spotter = makeCall(rng) + ":";
    return "DX de " + spotter.leftJustified(10) + freq.rightJustified(8) + "  " + dx.leftJustified(13) +
           QString::fromLatin1(rng.pick(kSpotComments)).leftJustified(30) + " " + now.hhmm() + "Z";
}

QString announcement(Rng& rng) {
    return "To ALL de " + makeCall(rng) + ": " + rng.pick(kAnnouncements);
}

QString wwvLine(Rng& rng, const SimTime& now) {
    return "WWV de " + makeCall(rng) + " <" + now.hhmm().left(2) +
           ">:   SFI=" + QString::number(rng.range(70, 220)) + ", A=" + QString::number(rng.range(2, 30)) +
           ", K=" + QString::number(rng.range(0, 6)) + ", No Storms -> No Storms";
}

}  // namespace nodesim
