// history_year: writes a history file as a busy node's monitor leaves it after a year (or --days
// N), to measure the History window and the export against. The node has about 3 000 sessions a
// day and some 500 users online at the evening peak: amateur calls of which some come back day
// after day, KEL clients (some upgrading during the year), plain users, a few node partners that
// stay for days, "nocall" logins and users gone before they were classified. The link goes down a
// few times (failed, closed by the node, silent, Connect pressed, the program restarted, once a
// crash); the users still there when it comes back start new sessions. Every minute the link is
// up has its row of counts.
//
// Usage: history_year FILE [--days N] [--node ADDRESS:PORT] [--end "YYYY-MM-DD HH:MM"] [--seed N]
//
// FILE must not exist yet: it is made by the program's own history store, so it has exactly the
// store's tables. Without --end the history ends at the current minute, with the users then online
// in open sessions and the link up, as a running monitor leaves it.
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <numeric>
#include <queue>
#include <set>
#include <string>
#include <vector>

#include "history/history_recorder.h"
#include "history_store.h"
#include "rng.h"

namespace {

using dx::UserKind;
using Seconds = std::int64_t;  // since the epoch, UTC
constexpr Seconds kMinute = 60, kHour = 3600, kDay = 86400;
constexpr Seconds kNever = std::numeric_limits<Seconds>::max();

// nodesim's generator (splitmix64: the same seed gives the same history on every machine), with
// the draws a year of stays needs besides.
class Rng : public nodesim::Rng {
  public:
    using nodesim::Rng::Rng;
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    bool chance(double p) { return uniform() < p; }
    double normal() {
        const double u = 1.0 - uniform();
        return std::sqrt(-2.0 * std::log(u)) * std::cos(2.0 * M_PI * uniform());
    }
    // A stay whose median is `median` seconds, spread as stays on a node are: most near it, a few
    // many times longer.
    Seconds logNormal(double median, double sigma, Seconds shortest, Seconds longest) {
        const auto s = static_cast<Seconds>(median * std::exp(sigma * normal()));
        return std::clamp(s, shortest, longest);
    }
    int poisson(double mean) {
        const double limit = std::exp(-mean);
        int k = 0;
        for (double p = uniform(); p > limit; p *= uniform()) ++k;
        return k;
    }

  private:
    std::uint64_t state_;
};

constexpr std::array kUserPrefixes{"G#",  "M0",  "2E0", "DL#", "F#",  "EA#", "I#",  "ON#", "PA#",
                                   "OZ#", "SM#", "LA#", "OH#", "K#",  "W#",  "N#",  "VE#", "JA#",
                                   "VK#", "ZL#", "HB9", "OE#", "SP#", "OK#", "YO#", "LZ#", "9A#",
                                   "S5#", "UR#", "EI#", "GM#", "GW#", "AA#", "KD#", "IK#", "EA#"};
constexpr std::array kNodePrefixes{"GB7", "DB0", "PI4", "ON0", "OH#", "K#", "VE#", "HB9", "OE#", "SK#"};
constexpr std::array kFirstOctets{2,   5,   24,  31,  37,  46,  62,  77,  78,  79,  80,  81, 82,
                                  83,  84,  85,  86,  87,  88,  89,  90,  91,  92,  93,  94, 95,
                                  109, 151, 176, 178, 185, 188, 193, 194, 195, 212, 213, 217};
constexpr const char* kKelLatest = "1.93";
constexpr std::array kKelOlder{"1.72", "1.85", "1.90", "1.91", "1.92"};

std::string fromPattern(Rng& rng, const char* pattern) {
    std::string s;
    for (const char* p = pattern; *p != '\0'; ++p)
        s += *p == '#' ? static_cast<char>('0' + rng.range(0, 9)) : *p;
    return s;
}
std::string letters(Rng& rng, int count) {
    std::string s;
    for (int i = 0; i < count; ++i) s += static_cast<char>('A' + rng.range(0, 25));
    return s;
}
std::string address(Rng& rng) {
    return std::to_string(rng.pick(kFirstOctets)) + "." + std::to_string(rng.range(1, 254)) + "." +
           std::to_string(rng.range(0, 255)) + "." + std::to_string(rng.range(1, 254));
}
std::string text(Seconds t) {
    return dx::historyTime(dx::UtcTime(std::chrono::seconds(t)));
}
std::string minuteText(Seconds t) {
    return dx::historyMinute(std::chrono::floor<std::chrono::minutes>(dx::UtcTime(std::chrono::seconds(t))));
}
QVariant q(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Who comes to the node: each user with a call, a usual address and a program, some far more
// often than others.
struct User {
    std::string call;
    std::string address;
    bool kel = false;
    std::string version;         // a KEL client's version at the start
    Seconds upgradeAt = kNever;  // when an older KEL client moves to the latest
    bool online = false;
};

struct Stay {
    int user = -1;  // -1: a "nocall" login
    bool node = false;
    std::string call, address, port, version;
    UserKind kind = UserKind::Unclassified;
    int socket = 0;
    Seconds leaves = 0;
    bool present = false;
};

// A stretch of the link down: how it went down, and how the monitor ended its sessions.
struct Outage {
    Seconds down = 0, up = 0;
    const char* reason = "error";
    const char* sessionsEnd = "link-lost";
};

struct Counts {
    std::array<int, 7> byKind{};  // indexed by UserKind (NoCall .. Unclassified)
    int users() const { return std::accumulate(byKind.begin(), byKind.end(), 0) - byKind[0]; }
};

class Year {
  public:
    Year(QSqlDatabase& db, std::string node, Seconds start, Seconds end, std::uint64_t seed)
        : db_(db), node_(std::move(node)), start_(start), end_(end), rng_(seed) {
        makeUsers();
        makeOutages();
        session_ = prepared(
            "INSERT INTO sessions (node, socket, call, address, port, kind, version, started, ended, "
            "end_reason) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        countsRow_ = prepared(
            "INSERT INTO user_counts (node, minute, users, max_users, kel_latest, kel_older, kel_unknown, "
            "plain, nodes, nocall, unclassified) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        link_ = prepared("INSERT INTO links (node, up, down, reason) VALUES (?, ?, ?, ?)");
    }

    // The node runs for two weeks unwatched first, so that the history begins on a node as full as
    // it is later.
    void run() {
        const Seconds warmUp = start_ - 14 * kDay;
        for (std::size_t n = 0; n < nodePartners_.size(); ++n) due_.push({warmUp + rng_.range(0, 3600), n});
        linkUp_ = false;
        if (!db_.transaction()) fail("a transaction", db_.lastError().text());
        for (Seconds minute = warmUp; minute < end_; minute += kMinute) {
            if (minute >= start_ && (minute - start_) % kDay == 0) {
                if (!db_.commit() || !db_.transaction()) fail("a day's commit", db_.lastError().text());
            }
            runMinute(minute);
        }
        if (linkUp_) writeLink(linkSince_, kNever, nullptr);
        QSqlQuery beat(db_);
        beat.prepare(QStringLiteral("INSERT INTO monitors (node, last_seen) VALUES (?, ?)"));
        beat.addBindValue(q(node_));
        beat.addBindValue(q(text(end_)));
        exec(QStringLiteral("DELETE FROM monitors"));
        if (!beat.exec()) fail("the heartbeat", beat.lastError().text());
        if (!db_.commit()) fail("the last commit", db_.lastError().text());
    }

    long sessions = 0, countRows = 0, links = 0;
    int peak = 0;
    std::string peakAt;

  private:
    QSqlQuery prepared(const char* sql) {
        QSqlQuery query(db_);
        if (!query.prepare(QString::fromLatin1(sql))) fail(sql, query.lastError().text());
        return query;
    }
    void exec(const QString& sql) {
        QSqlQuery query(db_);
        if (!query.exec(sql)) fail(sql.toStdString().c_str(), query.lastError().text());
    }
    [[noreturn]] static void fail(const char* what, const QString& why) {
        std::fprintf(stderr, "history_year: %s failed: %s\n", what, why.toLocal8Bit().constData());
        std::exit(1);
    }

    void makeUsers() {
        std::set<std::string> calls;
        constexpr int kUsers = 15000;
        double total = 0;
        while (users_.size() < kUsers) {
            User u;
            u.call = fromPattern(rng_, rng_.pick(kUserPrefixes)) + letters(rng_, rng_.range(2, 3));
            if (rng_.chance(0.1)) u.call += "-" + std::to_string(rng_.range(1, 9));
            if (!calls.insert(u.call).second) continue;
            u.address = address(rng_);
            u.kel = rng_.chance(0.45);
            if (u.kel) {
                u.version = rng_.chance(0.55) ? kKelLatest : rng_.pick(kKelOlder);
                if (u.version != kKelLatest && rng_.chance(0.5))
                    u.upgradeAt =
                        start_ + static_cast<Seconds>(rng_.uniform() * static_cast<double>(end_ - start_));
            }
            // Regulars and occasional visitors: the n-th user comes about 1/n^0.9 as often as the first.
            total += 1.0 / std::pow(static_cast<double>(users_.size() + 10), 0.9);
            cumulative_.push_back(total);
            users_.push_back(std::move(u));
        }
        while (nodePartners_.size() < 25) {
            User n;
            n.call = fromPattern(rng_, rng_.pick(kNodePrefixes)) + letters(rng_, 3);
            if (rng_.chance(0.3)) n.call += "-" + std::to_string(rng_.range(2, 9));
            if (!calls.insert(n.call).second) continue;
            n.address = address(rng_);
            nodePartners_.push_back(std::move(n));
        }
    }

    void makeOutages() {
        // Where in the range each stretch falls, how long it lasts, and why.
        struct Plan {
            double at;
            Seconds length;
            const char* reason;
            const char* sessionsEnd;
        };
        const Plan plans[] = {
            {0.07, 3 * kMinute + 20, "error", "link-lost"},
            {0.19, 47 * kMinute, "error", "link-lost"},
            {0.33, 2 * kMinute + 5, "connect-pressed", "link-lost"},
            {0.48, 3 * kHour + 12 * kMinute, "silence", "link-lost"},
            {0.61, 4 * kMinute + 40, "program-ended", "program-ended"},
            {0.74, 26 * kMinute, "closed", "link-lost"},
            {0.86, 14 * kMinute + 30, "unknown", "unknown"},
            {0.95, 9 * kMinute, "error", "link-lost"},
        };
        for (const Plan& p : plans) {
            const Seconds down = start_ + static_cast<Seconds>(p.at * static_cast<double>(end_ - start_)) +
                                 rng_.range(0, 3599);
            if (down + p.length < end_) outages_.push_back({down, down + p.length, p.reason, p.sessionsEnd});
        }
    }

    // Arrivals a minute: about 3 000 a day, most in the European evening, a little more at weekends.
    double arrivalsPerMinute(Seconds t) const {
        const double hour = static_cast<double>(t % kDay) / kHour;
        const Seconds weekday = (t / kDay + 4) % 7;  // 1970-01-01 was a Thursday: 0 is Sunday
        const double week = weekday == 0 || weekday == 6 ? 1.1 : 0.97;
        return 3000.0 / 1440.0 * week * (1.0 + 0.75 * std::cos(2.0 * M_PI * (hour - 19.0) / 24.0));
    }

    Seconds stayFor(const Stay& s) {
        switch (s.kind) {
            case UserKind::Node:
                return rng_.logNormal(1.5 * kDay, 0.9, 10 * kMinute, 20 * kDay);
            case UserKind::NoCall:
                return rng_.logNormal(70, 1.0, 5, kHour);
            case UserKind::Unclassified:
                return rng_.logNormal(25, 0.8, 3, 10 * kMinute);
            case UserKind::KelUnknown:
                return rng_.logNormal(4 * kMinute, 1.0, 20, 2 * kHour);
            case UserKind::KelLatest:
            case UserKind::KelOther: {
                const double r = rng_.uniform();
                if (r < 0.55) return rng_.logNormal(40 * kMinute, 1.0, kMinute, 12 * kHour);
                if (r < 0.93) return rng_.logNormal(5 * kHour, 0.7, 10 * kMinute, 2 * kDay);
                return rng_.logNormal(1.3 * kDay, 0.6, 4 * kHour, 8 * kDay);
            }
            default:
                if (rng_.chance(0.85)) return rng_.logNormal(15 * kMinute, 1.1, 20, 8 * kHour);
                return rng_.logNormal(3 * kHour, 0.8, 10 * kMinute, 3 * kDay);
        }
    }

    int pickUser() {
        // A user already on the node is passed over, but a few tries on, someone comes twice.
        int u = 0;
        for (int tries = 0; tries < 8; ++tries) {
            const double at = rng_.uniform() * cumulative_.back();
            u = static_cast<int>(std::upper_bound(cumulative_.begin(), cumulative_.end(), at) -
                                 cumulative_.begin());
            u = std::min(u, static_cast<int>(users_.size()) - 1);
            if (!users_[static_cast<std::size_t>(u)].online) break;
        }
        return u;
    }

    void arrive(Seconds t, int partner) {
        Stay s;
        if (partner >= 0) {
            const User& n = nodePartners_[static_cast<std::size_t>(partner)];
            s.user = partner;
            s.node = true;
            s.call = n.call;
            s.address = n.address;
            s.kind = UserKind::Node;
        } else if (rng_.chance(0.08)) {
            s.call = "nocall";
            s.address = address(rng_);
            s.kind = UserKind::NoCall;
        } else {
            s.user = pickUser();
            User& u = users_[static_cast<std::size_t>(s.user)];
            u.online = true;
            s.call = u.call;
            s.address = rng_.chance(0.2) ? address(rng_) : u.address;
            if (rng_.chance(0.05)) {
                s.kind = UserKind::Unclassified;
            } else if (!u.kel) {
                s.kind = UserKind::NonKel;
            } else if (rng_.chance(0.05)) {
                s.kind = UserKind::KelUnknown;
            } else {
                s.version = t >= u.upgradeAt ? kKelLatest : u.version;
                s.kind = s.version == kKelLatest ? UserKind::KelLatest : UserKind::KelOther;
            }
        }
        s.port = std::to_string(rng_.range(1024, 65535));
        s.socket = takeSocket();
        s.leaves = t + stayFor(s);
        s.present = true;
        ++online_.byKind[kindIndex(s.kind)];
        std::size_t slot = stays_.size();
        if (!freeSlots_.empty()) {
            slot = freeSlots_.back();
            freeSlots_.pop_back();
            stays_[slot] = std::move(s);
        } else {
            stays_.push_back(std::move(s));
        }
        leaving_.push({stays_[slot].leaves, slot});
        if (linkUp_ && t >= start_) startSession(stays_[slot], t);
    }

    void leave(std::size_t slot) {
        Stay& s = stays_[slot];
        s.present = false;
        --online_.byKind[kindIndex(s.kind)];
        freeSockets_.push(s.socket);
        if (s.node)
            due_.push({s.leaves + rng_.logNormal(3 * kMinute, 1.2, 10, 6 * kHour),
                       static_cast<std::size_t>(s.user)});
        else if (s.user >= 0)
            users_[static_cast<std::size_t>(s.user)].online = false;
        freeSlots_.push_back(slot);
    }

    // The session is written whole as it starts: when and why it ends is already known.
    void startSession(const Stay& s, Seconds t) {
        const Outage* next = nullptr;
        for (const Outage& o : outages_)
            if (o.down >= t) {
                next = &o;
                break;
            }
        const Seconds linkEnds = next ? next->down : kNever;
        QVariant ended, reason;
        if (s.leaves < std::min(linkEnds, end_)) {
            ended = q(text(s.leaves));
            reason = QStringLiteral("left");
        } else if (linkEnds < end_) {
            ended = q(text(linkEnds));
            reason = QString::fromLatin1(next->sessionsEnd);
        }
        session_.bindValue(0, q(node_));
        session_.bindValue(1, s.socket);
        session_.bindValue(2, q(s.call));
        session_.bindValue(3, q(s.address));
        session_.bindValue(4, q(s.port));
        session_.bindValue(5, q(std::string(dx::userKindName(s.kind))));
        session_.bindValue(6, s.version.empty() ? QVariant() : q(s.version));
        session_.bindValue(7, q(text(t)));
        session_.bindValue(8, ended);
        session_.bindValue(9, reason);
        if (!session_.exec()) fail("a session", session_.lastError().text());
        ++sessions;
    }

    void writeLink(Seconds up, Seconds down, const char* reason) {
        link_.bindValue(0, q(node_));
        link_.bindValue(1, q(text(up)));
        link_.bindValue(2, down == kNever ? QVariant() : q(text(down)));
        link_.bindValue(3, reason ? QVariant(QString::fromLatin1(reason)) : QVariant());
        if (!link_.exec()) fail("a link", link_.lastError().text());
        ++links;
    }

    void writeCounts(Seconds minute, const Counts& c, int maxUsers) {
        const auto& k = c.byKind;
        countsRow_.bindValue(0, q(node_));
        countsRow_.bindValue(1, q(minuteText(minute)));
        countsRow_.bindValue(2, c.users());
        countsRow_.bindValue(3, maxUsers);
        countsRow_.bindValue(4, k[kindIndex(UserKind::KelLatest)]);
        countsRow_.bindValue(5, k[kindIndex(UserKind::KelOther)]);
        countsRow_.bindValue(6, k[kindIndex(UserKind::KelUnknown)]);
        countsRow_.bindValue(7, k[kindIndex(UserKind::NonKel)]);
        countsRow_.bindValue(8, k[kindIndex(UserKind::Node)]);
        countsRow_.bindValue(9, k[kindIndex(UserKind::NoCall)]);
        countsRow_.bindValue(10, k[kindIndex(UserKind::Unclassified)]);
        if (!countsRow_.exec()) fail("a minute's counts", countsRow_.lastError().text());
        ++countRows;
        if (maxUsers > peak) {
            peak = maxUsers;
            peakAt = minuteText(minute);
        }
    }

    void linkGoesUp(Seconds t) {
        linkUp_ = true;
        linkSince_ = t;
        for (const Stay& s : stays_)
            if (s.present) startSession(s, t);
    }

    void runMinute(Seconds minute) {
        const Seconds next = minute + kMinute;
        if (minute == start_) linkGoesUp(minute);
        bool seen = linkUp_;  // the link was up at some time within the minute
        Counts atEnd;
        int most = online_.users();
        // What happens within the minute, in time order: arrivals, node partners coming back,
        // departures and the link's changes.
        struct Happening {
            Seconds at;
            int what;  // 0 an arrival, 1 a partner's return, 2 a departure, 3 link down, 4 link up
            std::size_t which;
        };
        std::vector<Happening> happenings;
        for (int n = rng_.poisson(arrivalsPerMinute(minute)); n > 0; --n)
            happenings.push_back({minute + rng_.range(0, 59), 0, 0});
        for (; !due_.empty() && due_.top().first < next; due_.pop())
            happenings.push_back({due_.top().first, 1, due_.top().second});
        for (; !leaving_.empty() && leaving_.top().first < next; leaving_.pop())
            happenings.push_back({leaving_.top().first, 2, leaving_.top().second});
        for (std::size_t i = 0; i < outages_.size(); ++i) {
            if (outages_[i].down >= minute && outages_[i].down < next)
                happenings.push_back({outages_[i].down, 3, i});
            if (outages_[i].up >= minute && outages_[i].up < next)
                happenings.push_back({outages_[i].up, 4, i});
        }
        std::stable_sort(happenings.begin(), happenings.end(),
                         [](const Happening& a, const Happening& b) { return a.at < b.at; });
        for (const Happening& h : happenings) {
            switch (h.what) {
                case 0:
                    arrive(h.at, -1);
                    break;
                case 1:
                    arrive(h.at, static_cast<int>(h.which));
                    break;
                case 2:
                    leave(h.which);
                    break;
                case 3:
                    atEnd = online_;
                    linkUp_ = false;
                    writeLink(linkSince_, h.at, outages_[h.which].reason);
                    break;
                case 4:
                    linkGoesUp(h.at);
                    if (!seen) most = online_.users();
                    seen = true;
                    break;
            }
            if (linkUp_) most = std::max(most, online_.users());
        }
        if (linkUp_) atEnd = online_;
        if (seen && minute >= start_) writeCounts(minute, atEnd, most);
    }

    int takeSocket() {
        if (freeSockets_.empty()) return ++highestSocket_;
        const int s = freeSockets_.top();
        freeSockets_.pop();
        return s;
    }
    static std::size_t kindIndex(UserKind k) { return static_cast<std::size_t>(static_cast<int>(k)); }

    QSqlDatabase& db_;
    const std::string node_;
    const Seconds start_, end_;
    Rng rng_;
    std::vector<User> users_, nodePartners_;
    std::vector<double> cumulative_;
    std::vector<Outage> outages_;
    std::vector<Stay> stays_;
    std::vector<std::size_t> freeSlots_;
    using Due = std::pair<Seconds, std::size_t>;
    std::priority_queue<Due, std::vector<Due>, std::greater<>> leaving_, due_;
    std::priority_queue<int, std::vector<int>, std::greater<>> freeSockets_;
    int highestSocket_ = 0;
    Counts online_;  // who is on the node now, by kind
    bool linkUp_ = false;
    Seconds linkSince_ = 0;
    QSqlQuery session_, countsRow_, link_;
};

int usage(const char* why) {
    std::fprintf(stderr,
                 "history_year: %s\nUsage: history_year FILE [--days N] [--node ADDRESS:PORT] "
                 "[--end \"YYYY-MM-DD HH:MM\"] [--seed N]\n",
                 why);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString file;
    int days = 365;
    std::string node = "dx.example.net:7300";
    std::uint64_t seed = 21;
    Seconds end =
        std::chrono::floor<std::chrono::minutes>(std::chrono::system_clock::now()).time_since_epoch() /
        std::chrono::seconds(1);
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QStringLiteral("--days") && hasValue) {
            bool ok = false;
            days = args[++i].toInt(&ok);
            if (!ok || days < 1 || days > 3650) return usage("--days takes 1 to 3650");
        } else if (a == QStringLiteral("--node") && hasValue) {
            node = args[++i].toStdString();
        } else if (a == QStringLiteral("--seed") && hasValue) {
            seed = args[++i].toULongLong();
        } else if (a == QStringLiteral("--end") && hasValue) {
            const QDateTime t = QDateTime::fromString(args[++i], QStringLiteral("yyyy-MM-dd HH:mm"));
            if (!t.isValid()) return usage("--end takes \"YYYY-MM-DD HH:MM\"");
            end = QDateTime(t.date(), t.time(), Qt::UTC).toSecsSinceEpoch();
        } else if (file.isEmpty() && !a.startsWith(u'-')) {
            file = a;
        } else {
            return usage(("unexpected " + a.toStdString()).c_str());
        }
    }
    if (file.isEmpty()) return usage("no file named");
    if (QFileInfo::exists(file)) return usage("the file exists already; it is left as it is");

    const auto began = std::chrono::steady_clock::now();
    {
        // The store makes the file with its own tables and version.
        dx::ui::HistoryStore store(file, node);
        store.stop();
        for (const std::string& notice : store.takeNotices()) {
            std::fprintf(stderr, "history_year: %s\n", notice.c_str());
            return 1;
        }
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("year"));
        db.setDatabaseName(file);
        if (!db.open()) return usage(db.lastError().text().toLocal8Bit().constData());
        // A file being made from nothing needs no protection from a power cut.
        QSqlQuery(db).exec(QStringLiteral("PRAGMA synchronous=OFF"));
        Year year(db, node, end - days * kDay, end, seed);
        year.run();
        // The file whole, without its write-ahead log, for its size to be read.
        QSqlQuery(db).exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
        std::printf(
            "history_year: %d days of %s: %ld sessions, %ld rows of counts, %ld link stretches; the most "
            "users in a minute %d (%s); written in %.1f s, %.1f MB\n",
            days, node.c_str(), year.sessions, year.countRows, year.links, year.peak, year.peakAt.c_str(),
            seconds, static_cast<double>(QFileInfo(file).size()) / 1e6);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("year"));
    return 0;
}
