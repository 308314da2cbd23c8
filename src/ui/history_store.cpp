#include "history_store.h"

#include "history/history_recorder.h"
#include "history_location.h"
#include "history_postgres.h"
#include "history_sqlite.h"

#include <QDateTime>
#include <QThread>
#include <QVariant>
#include <algorithm>
#include <chrono>
#include <optional>
#include <type_traits>
#include <variant>

namespace dx::ui {

namespace {

constexpr auto kFlushEvery = std::chrono::milliseconds(1000);
constexpr auto kOldestWaits = std::chrono::milliseconds(850);
// A database held by another writer this long is said to the operator.
constexpr auto kBusyForLong = std::chrono::minutes(1);

QVariant text(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
// Empty is "not (yet) known": NULL in the file.
QVariant textOrNull(const std::string& s) {
    return s.empty() ? QVariant() : text(s);
}

std::string nowText() {
    return QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString();
}

// Binds `values` to the statement in order and runs it.
template <typename... Values>
QSqlQuery& put(HistoryDatabase& db, HistoryStatement s, const Values&... values) {
    QSqlQuery& q = db.statement(s);
    int at = 0;
    (q.bindValue(at++, QVariant(values)), ...);
    db.run(q);
    return q;
}

}  // namespace

HistoryStore::HistoryStore(QString path, std::string node, std::chrono::milliseconds retryEvery)
    : path_(std::move(path)), node_(std::move(node)), retryEvery_(retryEvery) {
    thread_.reset(QThread::create([this] { run(); }));
    thread_->start();
}

HistoryStore::~HistoryStore() {
    stop();
}

void HistoryStore::write(std::vector<HistoryRow> rows) {
    {
        const std::lock_guard lock(mutex_);
        if (stopping_) return;
        if (!queued_.empty()) {
            queued_.push_back(std::move(rows));
            return;
        }
        queued_.push_back(std::move(rows));
        queuedSince_ = Clock::now();
    }
    // The first rows since the last flush: the next is planned by them.
    wake_.notify_all();
}

void HistoryStore::stop() {
    {
        const std::lock_guard lock(mutex_);
        if (stopping_ && !thread_) return;
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_) {
        thread_->wait();
        thread_.reset();
    }
}

std::vector<std::string> HistoryStore::takeNotices() {
    const std::lock_guard lock(mutex_);
    return std::exchange(notices_, {});
}

void HistoryStore::say(std::string text) {
    const std::lock_guard lock(mutex_);
    notices_.push_back(std::move(text));
}

HistoryStore::Clock::time_point HistoryStore::nextFlush() const {
    // The heartbeat is written at least once a second. Rows are written when the oldest has waited
    // kOldestWaits, so that with the commit it takes they are on the disk within a second of being
    // handed over; the recorder hands them over every 200 ms, so in a steady stream the flush
    // falls between two hand-overs and takes five of them: one transaction a second. A flush
    // with rows comes no sooner than a second after the last, unless the oldest would wait
    // longer; rows after a quiet spell go at once.
    Clock::time_point due = lastFlush_ + kFlushEvery;
    if (!queued_.empty())
        due = std::min(
            {due, queuedSince_ + kOldestWaits, std::max(lastRowsFlush_ + kFlushEvery, queuedSince_)});
    return due;
}

void HistoryStore::run() {
    const QString connection = QStringLiteral("history-%1").arg(reinterpret_cast<quintptr>(this));
    QString why;
    const std::optional<HistoryLocation> where = parseHistoryLocation(path_, &why);
    if (!where) {
        say("*** The history " + path_.toStdString() + " cannot be opened: " + why.toStdString() +
            " No history is kept.");
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        queued_ = {};
        return;
    }
    std::unique_ptr<HistoryDatabase> kept;
    if (where->isPostgres())
        kept = std::make_unique<PostgresHistory>(*where, connection);
    else
        kept = std::make_unique<SqliteHistory>(where->file, connection);
    HistoryDatabase& db = *kept;
    const HistoryDatabase::Say tell = [this](std::string text) { say(std::move(text)); };
    bool open = false;
    std::vector<std::vector<HistoryRow>> taken;
    for (bool last = false; !last;) {
        {
            std::unique_lock lock(mutex_);
            for (Clock::time_point due; !stopping_ && Clock::now() < (due = nextFlush());)
                wake_.wait_until(lock, due);
            last = stopping_;
            taken = std::exchange(queued_, {});
        }
        lastFlush_ = Clock::now();
        if (!taken.empty() || !unwritten_.empty()) lastRowsFlush_ = lastFlush_;
        for (std::vector<HistoryRow>& some : taken) unwritten_.add(std::move(some));
        taken.clear();
        // A server out of reach is tried again only now and then, and once more at the end; the
        // rows wait meanwhile.
        if (retryAt_ && Clock::now() < *retryAt_ && !last) {
            unwritten_.bound();
            continue;
        }
        try {
            if (!open && db.open(tell) == HistoryOpened::Never) {
                // No history is kept: what the program goes on queueing is dropped at once.
                const std::lock_guard lock(mutex_);
                stopping_ = true;
                queued_ = {};
                return;
            }
            open = true;
            flush(db, unwritten_.rows());
            unwritten_.clear();
            retryAt_.reset();
            written(db);
        } catch (HistoryFailure& f) {
            // A connection that no longer answers is made anew at the next try.
            if (open && !f.unreachable) f.unreachable = !db.answers();
            if (f.unreachable) {
                open = false;
                retryAt_ = Clock::now() + retryEvery_;
            }
            failed(db, f);
            unwritten_.bound();
        }
    }
}

void HistoryStore::failed(const HistoryDatabase& db, const HistoryFailure& f) {
    // Another monitor's transaction, or a reader's, is waited for: only one that holds the file
    // for long is said.
    if (f.busy) {
        const auto now = std::chrono::steady_clock::now();
        if (!busySince_) busySince_ = now;
        if (now - *busySince_ < kBusyForLong) return;
    }
    if (failing_) return;
    failing_ = true;
    const UnwrittenRows::Bounds most;
    const std::string kept = "What it has not written is kept, up to a day of counts and " +
                             std::to_string(most.sessions) + " sessions, and written when it ";
    if (f.unreachable) {
        const auto seconds =
            std::max<long long>(1, std::chrono::round<std::chrono::seconds>(retryEvery_).count());
        say("*** The history " + db.name() + " cannot be reached: " + f.why + ". " + kept +
            "is back; it is tried again every " + std::to_string(seconds) + " s.");
        return;
    }
    say("*** The history " + db.name() + " cannot be written: " + f.why + ". " + kept + "can be.");
}

void HistoryStore::written(const HistoryDatabase& db) {
    busySince_.reset();
    failing_ = false;
    const UnwrittenRows::Lost lost = unwritten_.takeLost();
    if (!lost.any()) return;
    std::vector<std::string> parts;
    const auto count = [&parts](std::uint64_t n, const char* one, const char* many) {
        if (n) parts.push_back(std::to_string(n) + " " + (n == 1 ? one : many));
    };
    count(lost.sessions, "session", "sessions");
    count(lost.minutes, "minute of counts", "minutes of counts");
    count(lost.links, "stretch of the link", "stretches of the link");
    std::string went = parts[0];
    for (std::size_t i = 1; i < parts.size(); ++i)
        went += (i + 1 == parts.size() ? " and " : ", ") + parts[i];
    say("*** The history " + db.name() +
        " is written again. While it could not be, the oldest of what it had "
        "not written went: " +
        went + ".");
}

void HistoryStore::closeLeftOpen(HistoryDatabase& db, const std::string& node) {
    // Rows of this node still open, other than this program's own, were left so by a crash.
    put(db, HistoryStatement::CloseSessionsLeftOpen, text(node));
    put(db, HistoryStatement::CloseLinksLeftOpen, text(node));
}

void HistoryStore::flush(HistoryDatabase& db, const std::deque<HistoryRow>& rows) {
    // Ids and nodes learnt in this transaction count only once it is committed.
    std::unordered_map<std::uint64_t, QVariant> newSessions, newLinks;
    std::unordered_map<std::uint64_t, std::string> newNodes;
    const auto find = [](const auto& kept, const auto& fresh, std::uint64_t key) {
        using Value = typename std::decay_t<decltype(kept)>::mapped_type;
        if (const auto f = fresh.find(key); f != fresh.end()) return std::optional<Value>(f->second);
        if (const auto k = kept.find(key); k != kept.end()) return std::optional<Value>(k->second);
        return std::optional<Value>();
    };
    std::string heartbeatNode = node_;
    std::vector<std::string> metNow;
    std::vector<std::uint64_t> sessionsEnded, linksEnded;
    const auto meet = [&](const std::string& node) {
        if (!nodesMet_.insert(node).second) return;
        metNow.push_back(node);
        closeLeftOpen(db, node);
    };
    try {
        db.begin();
        try {
            meet(node_);
            for (const HistoryRow& row : rows) {
                if (const auto* r = std::get_if<LinkWentUp>(&row)) {
                    const std::string node = historyText(r->node);
                    meet(node);
                    heartbeatNode = node;
                    QSqlQuery& q = put(db, HistoryStatement::LinkUp, text(node), text(historyTime(r->at)));
                    newLinks[r->key] = db.madeRow(q);
                    newNodes[r->key] = node;
                } else if (const auto* r = std::get_if<LinkWentDown>(&row)) {
                    const auto id = find(linkIds_, newLinks, r->key);
                    if (!id) continue;
                    put(db, HistoryStatement::LinkDown, text(historyTime(r->at)),
                        text(std::string(linkDownReasonName(r->reason))), *id);
                    linksEnded.push_back(r->key);
                } else if (const auto* r = std::get_if<SessionStarted>(&row)) {
                    const auto node = find(linkNodes_, newNodes, r->link);
                    if (!node) continue;
                    QSqlQuery& q = put(db, HistoryStatement::SessionStart, text(*node), r->socket,
                                       text(historyText(r->call)), text(historyText(r->address)),
                                       text(historyText(r->port)), text(std::string(userKindName(r->kind))),
                                       textOrNull(historyText(r->version)), text(historyTime(r->at)));
                    newSessions[r->key] = db.madeRow(q);
                } else if (const auto* r = std::get_if<SessionChanged>(&row)) {
                    const auto id = find(sessionIds_, newSessions, r->key);
                    if (!id) continue;
                    put(db, HistoryStatement::SessionChange, text(std::string(userKindName(r->kind))),
                        textOrNull(historyText(r->call)), textOrNull(historyText(r->version)), *id);
                } else if (const auto* r = std::get_if<SessionEnded>(&row)) {
                    const auto id = find(sessionIds_, newSessions, r->key);
                    if (!id) continue;
                    put(db, HistoryStatement::SessionEnd, text(historyTime(r->at)),
                        text(std::string(sessionEndName(r->reason))), *id);
                    sessionsEnded.push_back(r->key);
                } else if (const auto* r = std::get_if<MinuteCounted>(&row)) {
                    const auto node = find(linkNodes_, newNodes, r->link);
                    if (!node) continue;
                    put(db, HistoryStatement::MinuteCount, text(*node), text(historyMinute(r->minute)),
                        r->users, r->maxUsers, r->kelLatest, r->kelOlder, r->kelUnknown, r->plain, r->nodes,
                        r->nocall, r->unclassified);
                }
            }
            put(db, HistoryStatement::Heartbeat, text(heartbeatNode), text(nowText()));
            db.commit();
        } catch (const HistoryFailure&) {
            db.rollback();
            throw;
        }
    } catch (const HistoryFailure&) {
        // Their left-open rows are closed when the rows are tried again.
        for (const std::string& node : metNow) nodesMet_.erase(node);
        throw;
    }
    node_ = heartbeatNode;
    sessionIds_.merge(newSessions);
    linkIds_.merge(newLinks);
    linkNodes_.merge(newNodes);
    // Ended rows are never written again: their ids are no longer needed. A link's node is kept:
    // the counters of its last minute may still come.
    for (const std::uint64_t key : sessionsEnded) sessionIds_.erase(key);
    for (const std::uint64_t key : linksEnded) linkIds_.erase(key);
}

}  // namespace dx::ui
