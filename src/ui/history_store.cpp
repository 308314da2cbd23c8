#include "history_store.h"

#include "history/history_recorder.h"
#include "history_sqlite.h"

#include <QDateTime>
#include <QThread>
#include <QVariant>
#include <chrono>
#include <optional>
#include <type_traits>
#include <variant>

namespace dx::ui {

namespace {

constexpr auto kFlushEvery = std::chrono::seconds(1);

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

HistoryStore::HistoryStore(QString path, std::string node) : path_(std::move(path)), node_(std::move(node)) {
    thread_.reset(QThread::create([this] { run(); }));
    thread_->start();
}

HistoryStore::~HistoryStore() {
    stop();
}

void HistoryStore::write(std::vector<HistoryRow> rows) {
    const std::lock_guard lock(mutex_);
    if (!stopping_) queued_.push_back(std::move(rows));
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

void HistoryStore::run() {
    SqliteHistory db(path_, QStringLiteral("history-%1").arg(reinterpret_cast<quintptr>(this)));
    const bool opened = db.open([this](std::string text) { say(std::move(text)); }) == HistoryOpened::Ready;
    if (!opened) {
        // No history is kept: what the program goes on queueing is dropped at once.
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        queued_ = {};
    }
    // Rows a failed write left, to go first, in the order they happened.
    std::deque<HistoryRow> rows;
    std::vector<std::vector<HistoryRow>> taken;
    for (bool last = false; opened && !last;) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait_for(lock, kFlushEvery, [this] { return stopping_; });
            last = stopping_;
            taken = std::exchange(queued_, {});
        }
        for (std::vector<HistoryRow>& some : taken)
            for (HistoryRow& row : some) rows.push_back(std::move(row));
        taken.clear();
        if (flush(db, rows)) {
            rows.clear();
            continue;
        }
        // Bounded while the disk refuses: the oldest go. Rows of a session whose start went
        // are then left aside too.
        if (rows.size() > kMostKept) rows.erase(rows.begin(), rows.begin() + (rows.size() - kMostKept));
    }
}

void HistoryStore::closeLeftOpen(HistoryDatabase& db, const std::string& node) {
    // Rows of this node still open, other than this program's own, were left so by a crash.
    put(db, HistoryStatement::CloseSessionsLeftOpen, text(node));
    put(db, HistoryStatement::CloseLinksLeftOpen, text(node));
}

bool HistoryStore::flush(HistoryDatabase& db, const std::deque<HistoryRow>& rows) {
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
    } catch (const HistoryFailure& f) {
        if (!failing_)
            say("*** The history " + db.name() + " cannot be written: " + f.why +
                ". Its rows are kept to be written later.");
        failing_ = true;
        // Their left-open rows are closed when the rows are tried again.
        for (const std::string& node : metNow) nodesMet_.erase(node);
        return false;
    }
    failing_ = false;
    node_ = heartbeatNode;
    sessionIds_.merge(newSessions);
    linkIds_.merge(newLinks);
    linkNodes_.merge(newNodes);
    // Ended rows are never written again: their ids are no longer needed. A link's node is kept:
    // the counters of its last minute may still come.
    for (const std::uint64_t key : sessionsEnded) sessionIds_.erase(key);
    for (const std::uint64_t key : linksEnded) linkIds_.erase(key);
    return true;
}

}  // namespace dx::ui
