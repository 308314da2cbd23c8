#include "traffic.h"

#include <QDateTime>
#include <QTimeZone>
#include <array>

namespace nodesim {
namespace {

constexpr std::array kMonths{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

QDateTime Utc(std::int64_t ms) {
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

QString FromPattern(Rng& rng, const char* pattern) {
    QString s;
    for (const char* p = pattern; *p != '\0'; ++p)
        s += *p == '#' ? QChar(u'0' + rng.Range(0, 9)) : QChar::fromLatin1(*p);
    return s;
}

QString Letters(Rng& rng, int count) {
    QString s;
    for (int i = 0; i < count; ++i) s += QChar(u'A' + rng.Range(0, 25));
    return s;
}

// The node's prompt. A zq node puts its program's mark in the prompts of KEL sessions; on a
// dxspider node a KEL client has its version shown in the prompt just before "dxspider >".
QString Prompt(const NodeIdentity& node, const Conversation& talk, const SimTime& now) {
    const bool kel = talk.kind == FarEnd::KelLatest || talk.kind == FarEnd::KelOlder;
    switch (node.type) {
        case NodeType::Zq:
            return talk.call + " de " + node.call + " " + now.Date() + " " + now.Hhmm() +
                   (kel ? QStringLiteral("Z ZQC >") : QStringLiteral("Z >"));
        case NodeType::DxSpider: {
            const QString head =
                talk.call + " de " + node.call + " " + now.Date(false) + " " + now.Hhmm() + "Z";
            if (!kel) return head + " dxspider >";
            // Padded so the mark never starts before column 38.
            return head.leftJustified(31) + talk.kelVersion.rightJustified(6) + "  dxspider >";
        }
        case NodeType::Arc:
        case NodeType::ArcPassive:
            return talk.call + " de " + node.call + " " + now.Date() + " " + now.Hhmm() + "Z arc >";
    }
    return {};
}

QString Banner(const NodeIdentity& node, const Conversation& talk) {
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

TrafficLine Far(const QString& text) {
    return {true, text};
}
TrafficLine Near(const QString& text) {
    return {false, text};
}

QString KeepAlive(const Conversation& t, const SimTime& now) {
    // No capital V before the version: the version is read after the first one.
    return "KeepAlive " + now.Hhmm() + "Z " + QString::number(t.serial) + " V" + t.kelVersion;
}

// Line n (1 is the first after the greeting) of a KEL client's session.
TrafficLine KelLine(const NodeIdentity& node, Conversation& t, const SimTime& now, int n) {
    const QString serial = QString::number(++t.serial);
    const int r = t.rng.Range(1, 100);
    switch (node.type) {
        case NodeType::Zq:
        case NodeType::DxSpider:
            if (n == 1) return Near(Prompt(node, t, now));
            if (n == 2) return Far("ZQ11^" + t.call + "^" + now.Hhmm() + "^" + serial + "^SH/DX 10");
            if (n == 3 || n % 9 == 0) return Far(KeepAlive(t, now));
            if (r <= 55)
                return Far("ZQ11^" + t.call + "^" + now.Hhmm() + "^" + serial + "^" +
                           t.rng.Pick(kKelRequests));
            if (r <= 75) return Near("ZQ11^" + node.call + "^" + now.Hhmm() + "^" + serial + "^OK");
            return Near(Prompt(node, t, now));
        case NodeType::Arc:
            if (n == 1) return Far("AR17^" + t.call + "^" + t.kelVersion + "^" + now.Hhmm() + "^" + serial);
            if (n == 2 || n % 9 == 0) return Far(KeepAlive(t, now));
            if (r <= 55) return Far("AR17^" + t.call + "^" + t.kelVersion + "^" + now.Hhmm() + "^" + serial);
            if (r <= 65) return Far("Tx " + serial + " " + now.Hhmm() + "Z V" + t.kelVersion);
            return Near(Prompt(node, t, now));
        case NodeType::ArcPassive:
            if (n == 1) return Far("Tx " + serial + " " + now.Hhmm() + "Z V" + t.kelVersion);
            if (n % 9 == 0) return Far(KeepAlive(t, now));
            if (r <= 40) return Far("Tx " + serial + " " + now.Hhmm() + "Z V" + t.kelVersion);
            if (r <= 70) return Far("Rx " + serial + " " + now.Hhmm() + "Z ok");
            return Near(Prompt(node, t, now));
    }
    return {};
}

TrafficLine TelnetLine(const NodeIdentity& node, Conversation& t, const SimTime& now, int n) {
    if (n == 1) return Near(Prompt(node, t, now));
    const int r = t.rng.Range(1, 100);
    if (r <= 60) return Near(SpotLine(t.rng, now));
    if (r <= 72) return Far(t.rng.Pick(kUserCommands));
    if (r <= 82) return Near(Prompt(node, t, now));
    if (r <= 92) return Near(Announcement(t.rng));
    return Near(WwvLine(t.rng, now));
}

// Line n (from 0) of a node partner's link.
TrafficLine PartnerLine(const NodeIdentity& node, Conversation& t, const SimTime& now, int n) {
    const int secs = QTime(0, 0).secsTo(Utc(now.ms).time());
    const QString pc92 =
        "PC92^" + t.call + "^" + QString::number(secs) + ".01^A^^5" + MakeCall(t.rng) + "^H99^";
    // An AR-Cluster node in passive mode links with its own protocol.
    if (node.type == NodeType::ArcPassive && (n == 0 || t.rng.Chance(40)))
        return Far("AR1^" + t.call + "^" + QString::number(++t.serial) + "^" + now.Hhmm() + "^");
    if (n == 0) return Far(pc92);
    const int r = t.rng.Range(1, 100);
    if (r <= 35) return Far(pc92);
    if (r <= 60) {
        const Band& band = t.rng.Pick(kBands);
        const QString freq = QString::number(t.rng.Range(band.low, band.high)) + ".0";
        QString dx = FromPattern(t.rng, t.rng.Pick(kDxPrefixes)) + Letters(t.rng, t.rng.Range(1, 3));
        return Far("PC11^" + freq + "^" + dx + "^" + now.Date(false) + "^" + now.Hhmm() + "Z^" +
                   t.rng.Pick(kSpotComments) + "^" + MakeCall(t.rng) + "^" + t.call + "^H95^~");
    }
    if (r <= 75) return Far("PC51^" + node.call + "^" + t.call + "^1^");
    if (r <= 85) return Far("PC16^" + t.call + "^" + MakeCall(t.rng) + " - 1^H96^");
    return Near("PC51^" + t.call + "^" + node.call + "^0^");
}

}  // namespace

const char* FarEndName(FarEnd kind) {
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

QString SimTime::Hhmm() const {
    return Utc(ms).toString(QStringLiteral("HHmm"));
}

QString SimTime::Clock() const {
    return Utc(ms).toString(QStringLiteral("HH:mm:ss"));
}

QString SimTime::Date(bool twoDigitDay) const {
    const QDate d = Utc(ms).date();
    const QString day = twoDigitDay ? QString::asprintf("%02d", d.day()) : QString::number(d.day());
    return day + "-" + kMonths[static_cast<std::size_t>(d.month() - 1)] + "-" + QString::number(d.year());
}

NodeIdentity MakeIdentity(NodeType type) {
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

QList<TrafficLine> NextLines(const NodeIdentity& node, Conversation& talk, const SimTime& now) {
    QList<TrafficLine> out;
    const int n = talk.lineNo++;
    switch (talk.kind) {
        case FarEnd::KelLatest:
        case FarEnd::KelOlder:
            out.append(n == 0 ? Near(Banner(node, talk)) : KelLine(node, talk, now, n));
            break;
        case FarEnd::Telnet:
            out.append(n == 0 ? Near(Banner(node, talk)) : TelnetLine(node, talk, now, n));
            break;
        case FarEnd::NodePeer:
            out.append(PartnerLine(node, talk, now, n));  // partners are not greeted
            break;
        case FarEnd::NoCall:
            if (n % 2 == 0)
                out.append(Near(talk.rng.Pick(kNoCallPrompts)));
            else
                out.append(Far(talk.rng.Pick(kNoCallTries)));
            break;
        case FarEnd::Echo:
            if (n % 2 == 0) {
                ++talk.serial;
                out.append(Far("echo #" + QString::number(talk.serial) + " " + now.Hhmm() + "Z"));
            } else {
                out.append(Near("#" + QString::number(talk.serial) + " " + now.Hhmm() + "Z ok"));
            }
            break;
        case FarEnd::LockedOut:
            if (n == 0) out.append(Near("Sorry " + talk.call + ", you are locked out of " + node.call + "."));
            if (n == 1) out.append(Near(QStringLiteral("Disconnecting.")));
            break;
        case FarEnd::Probe:
            break;
    }
    return out;
}

int NextLineGapMs(Conversation& talk) {
    Rng& r = talk.rng;
    if (talk.lineNo == 1 && talk.kind != FarEnd::Echo) return r.Range(400, 1500);  // just after the greeting
    switch (talk.kind) {
        case FarEnd::KelLatest:
        case FarEnd::KelOlder:
            return r.Range(2000, 9000);
        case FarEnd::Telnet:
            return r.Range(3000, 15000);
        case FarEnd::NodePeer:
            return r.Range(1500, 6000);
        case FarEnd::NoCall:
            return r.Range(4000, 12000);
        case FarEnd::Echo:
            return talk.lineNo % 2 == 1 ? r.Range(200, 800) : r.Range(8000, 25000);
        case FarEnd::LockedOut:
            return r.Range(800, 1500);
        case FarEnd::Probe:
            return 3600 * 1000;
    }
    return 5000;
}

QString MakeCall(Rng& rng) {
    QString call = FromPattern(rng, rng.Pick(kUserPrefixes)) + Letters(rng, rng.Range(2, 3));
    if (rng.Chance(10)) call += "-" + QString::number(rng.Range(1, 9));
    return call;
}

QString MakeName(Rng& rng) {
    return QString::fromLatin1(rng.Pick(kNames));
}

QString MakeAddress(Rng& rng) {
    return QString::number(rng.Pick(kFirstOctets)) + "." + QString::number(rng.Range(1, 254)) + "." +
           QString::number(rng.Range(0, 255)) + "." + QString::number(rng.Range(1, 254));
}

QString MakeHostName(Rng& rng, const QString& address) {
    static constexpr std::array kKinds{"dsl", "cable", "ip", "host", "dyn"};
    static constexpr std::array kDomains{"example.net", "example.org", "example.com"};
    QString dashed = address;
    dashed.replace(u'.', u'-');
    return QString::fromLatin1(rng.Pick(kKinds)) + "-" + dashed + "." + rng.Pick(kDomains);
}

QString OlderKelVersion(Rng& rng) {
    return QString::fromLatin1(rng.Pick(kOlderKel));
}

QString SpotLine(Rng& rng, const SimTime& now) {
    const Band& band = rng.Pick(kBands);
    const QString freq =
        QString::number(rng.Range(band.low, band.high)) + "." + QString::number(rng.Range(0, 9));
    const QString dx = FromPattern(rng, rng.Pick(kDxPrefixes)) + Letters(rng, rng.Range(1, 3));
    const QString spotter = MakeCall(rng) + ":";
    return "DX de " + spotter.leftJustified(10) + freq.rightJustified(8) + "  " + dx.leftJustified(13) +
           QString::fromLatin1(rng.Pick(kSpotComments)).leftJustified(30) + " " + now.Hhmm() + "Z";
}

QString Announcement(Rng& rng) {
    return "To ALL de " + MakeCall(rng) + ": " + rng.Pick(kAnnouncements);
}

QString WwvLine(Rng& rng, const SimTime& now) {
    return "WWV de " + MakeCall(rng) + " <" + now.Hhmm().left(2) +
           ">:   SFI=" + QString::number(rng.Range(70, 220)) + ", A=" + QString::number(rng.Range(2, 30)) +
           ", K=" + QString::number(rng.Range(0, 6)) + ", No Storms -> No Storms";
}

}  // namespace nodesim
