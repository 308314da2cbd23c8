#include "history_store.h"

#include "history/history_recorder.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>
#include <chrono>
#include <optional>
#include <type_traits>
#include <variant>

namespace dx::ui {

namespace {

constexpr auto kFlushEvery = std::chrono::seconds(1);
constexpr int kBusyTimeoutMs = 5000;

const char* const kSchema[] = {
    "CREATE TABLE schema_version (version INTEGER NOT NULL)",
    "CREATE TABLE sessions (id INTEGER PRIMARY KEY, node TEXT NOT NULL, socket INTEGER NOT NULL, "
    "call TEXT NOT NULL, address TEXT NOT NULL, port TEXT NOT NULL, kind TEXT NOT NULL, version TEXT, "
    "started TEXT NOT NULL, ended TEXT, end_reason TEXT)",
    "CREATE INDEX sessions_by_start ON sessions (node, started)",
    "CREATE INDEX sessions_by_end ON sessions (node, ended)",
    "CREATE INDEX sessions_by_call ON sessions (call COLLATE NOCASE)",
    "CREATE TABLE user_counts (node TEXT NOT NULL, minute TEXT NOT NULL, users INTEGER NOT NULL, "
    "max_users INTEGER NOT NULL, kel_latest INTEGER NOT NULL, kel_older INTEGER NOT NULL, "
    "kel_unknown INTEGER NOT NULL, plain INTEGER NOT NULL, nodes INTEGER NOT NULL, nocall INTEGER NOT NULL, "
    "unclassified INTEGER NOT NULL, PRIMARY KEY (node, minute))",
    "CREATE INDEX user_counts_by_minute ON user_counts (minute)",
    "CREATE TABLE links (node TEXT NOT NULL, up TEXT NOT NULL, down TEXT, reason TEXT)",
    "CREATE INDEX links_by_up ON links (node, up)",
    "CREATE TABLE monitors (node TEXT PRIMARY KEY, last_seen TEXT NOT NULL)",
};

QVariant text(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
// Empty is "not (yet) known": NULL in the file.
QVariant textOrNull(const std::string& s) {
    return s.empty() ? QVariant() : text(s);
}

std::string why(const QSqlError& error) {
    const QString t = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return t.toStdString();
}

std::string nowText() {
    return QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString();
}

struct Failed {
    std::string why;
};

// Runs one statement; a failure ends the transaction it is part of.
void execute(QSqlQuery& q) {
    if (!q.exec()) throw Failed{why(q.lastError())};
}
void execute(QSqlDatabase& db, const QString& sql) {
    QSqlQuery q(db);
    if (!q.exec(sql)) throw Failed{why(q.lastError())};
}
QSqlQuery prepared(QSqlDatabase& db, const char* sql) {
    QSqlQuery q(db);
    if (!q.prepare(QString::fromLatin1(sql))) throw Failed{why(q.lastError())};
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
    const QString name = QStringLiteral("history-%1").arg(reinterpret_cast<quintptr>(this));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path_);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
        const bool opened = open(db);
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
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

bool HistoryStore::open(QSqlDatabase& db) {
    const std::string file = path_.toStdString();
    try {
        if (!db.open()) throw Failed{why(db.lastError())};
        // The first read of a file that is no database fails here. Turning a file to WAL needs it
        // to itself for a moment: a reader of the file (sqlite3, a dashboard) is waited for.
        for (int tries = 0;; ++tries) {
            QSqlQuery q(db);
            if (!q.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !q.next())
                throw Failed{why(q.lastError())};
            if (q.value(0).toString() == QStringLiteral("wal")) break;
            if (tries * 100 >= kBusyTimeoutMs)
                throw Failed{"it cannot be turned to write-ahead logging (WAL)"};
            QThread::msleep(100);
        }
        execute(db, QStringLiteral("PRAGMA synchronous=FULL"));
        execute(db, QStringLiteral("PRAGMA busy_timeout=%1").arg(kBusyTimeoutMs));
        if (!db.transaction()) throw Failed{why(db.lastError())};
        try {
            int version = 0;
            if (db.tables().contains(QStringLiteral("schema_version"))) {
                QSqlQuery v(db);
                if (!v.exec(QStringLiteral("SELECT version FROM schema_version")) || !v.next())
                    throw Failed{"its schema_version table is empty"};
                version = v.value(0).toInt();
            }
            if (version > kSchemaVersion) {
                db.rollback();
                say("*** The history " + file + " was written by a newer version of the program (schema " +
                    std::to_string(version) + "): it is left as it is, and no history is kept.");
                return false;
            }
            if (version == 0) {
                for (const char* sql : kSchema) execute(db, QString::fromLatin1(sql));
                execute(
                    db,
                    QStringLiteral("INSERT INTO schema_version (version) VALUES (%1)").arg(kSchemaVersion));
            }
            nodesMet_.insert(node_);
            if (!closeLeftOpen(db, node_)) throw Failed{why(db.lastError())};
            if (!db.commit()) throw Failed{why(db.lastError())};
        } catch (const Failed&) {
            db.rollback();
            throw;
        }
        return true;
    } catch (const Failed& f) {
        say("*** The history " + file + " cannot be opened: " + f.why + ". No history is kept.");
        return false;
    }
}

bool HistoryStore::closeLeftOpen(QSqlDatabase& db, const std::string& node) {
    // Rows of this node still open, other than this program's own, were left so by a crash.
    QSqlQuery sessions = prepared(
        db,
        "UPDATE sessions SET end_reason = 'unknown', ended = COALESCE((SELECT last_seen FROM monitors "
        "WHERE monitors.node = sessions.node), started) WHERE node = ? AND ended IS NULL");
    sessions.addBindValue(text(node));
    execute(sessions);
    QSqlQuery links =
        prepared(db,
                 "UPDATE links SET reason = 'unknown', down = COALESCE((SELECT last_seen FROM "
                 "monitors WHERE monitors.node = links.node), up) WHERE node = ? AND down IS NULL");
    links.addBindValue(text(node));
    execute(links);
    return true;
}

bool HistoryStore::flush(QSqlDatabase& db, const std::deque<HistoryRow>& rows) {
    // Ids and nodes learnt in this transaction count only once it is committed.
    std::unordered_map<std::uint64_t, qint64> newSessions, newLinks;
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
    try {
        if (!db.transaction()) throw Failed{why(db.lastError())};
        try {
            for (const HistoryRow& row : rows) {
                if (const auto* r = std::get_if<LinkWentUp>(&row)) {
                    const std::string node = historyText(r->node);
                    if (nodesMet_.insert(node).second) {
                        metNow.push_back(node);
                        closeLeftOpen(db, node);
                    }
                    heartbeatNode = node;
                    QSqlQuery q = prepared(db, "INSERT INTO links (node, up) VALUES (?, ?)");
                    q.addBindValue(text(node));
                    q.addBindValue(text(historyTime(r->at)));
                    execute(q);
                    newLinks[r->key] = q.lastInsertId().toLongLong();
                    newNodes[r->key] = node;
                } else if (const auto* r = std::get_if<LinkWentDown>(&row)) {
                    const auto id = find(linkIds_, newLinks, r->key);
                    if (!id) continue;
                    QSqlQuery q = prepared(db, "UPDATE links SET down = ?, reason = ? WHERE rowid = ?");
                    q.addBindValue(text(historyTime(r->at)));
                    q.addBindValue(text(std::string(linkDownReasonName(r->reason))));
                    q.addBindValue(*id);
                    execute(q);
                    linksEnded.push_back(r->key);
                } else if (const auto* r = std::get_if<SessionStarted>(&row)) {
                    const auto node = find(linkNodes_, newNodes, r->link);
                    if (!node) continue;
                    QSqlQuery q = prepared(db,
                                           "INSERT INTO sessions (node, socket, call, address, port, kind, "
                                           "version, started) VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
                    q.addBindValue(text(*node));
                    q.addBindValue(r->socket);
                    q.addBindValue(text(historyText(r->call)));
                    q.addBindValue(text(historyText(r->address)));
                    q.addBindValue(text(historyText(r->port)));
                    q.addBindValue(text(std::string(userKindName(r->kind))));
                    q.addBindValue(textOrNull(historyText(r->version)));
                    q.addBindValue(text(historyTime(r->at)));
                    execute(q);
                    newSessions[r->key] = q.lastInsertId().toLongLong();
                } else if (const auto* r = std::get_if<SessionChanged>(&row)) {
                    const auto id = find(sessionIds_, newSessions, r->key);
                    if (!id) continue;
                    QSqlQuery q =
                        prepared(db,
                                 "UPDATE sessions SET kind = ?, call = coalesce(?, call), version = "
                                 "coalesce(?, version) WHERE id = ?");
                    q.addBindValue(text(std::string(userKindName(r->kind))));
                    q.addBindValue(textOrNull(historyText(r->call)));
                    q.addBindValue(textOrNull(historyText(r->version)));
                    q.addBindValue(*id);
                    execute(q);
                } else if (const auto* r = std::get_if<SessionEnded>(&row)) {
                    const auto id = find(sessionIds_, newSessions, r->key);
                    if (!id) continue;
                    QSqlQuery q = prepared(db, "UPDATE sessions SET ended = ?, end_reason = ? WHERE id = ?");
                    q.addBindValue(text(historyTime(r->at)));
                    q.addBindValue(text(std::string(sessionEndName(r->reason))));
                    q.addBindValue(*id);
                    execute(q);
                    sessionsEnded.push_back(r->key);
                } else if (const auto* r = std::get_if<MinuteCounted>(&row)) {
                    const auto node = find(linkNodes_, newNodes, r->link);
                    if (!node) continue;
                    QSqlQuery q = prepared(
                        db,
                        "INSERT INTO user_counts (node, minute, users, max_users, kel_latest, kel_older, "
                        "kel_unknown, plain, nodes, nocall, unclassified) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, "
                        "?, "
                        "?) ON CONFLICT (node, minute) DO UPDATE SET users = excluded.users, max_users = "
                        "max(max_users, excluded.max_users), kel_latest = excluded.kel_latest, kel_older = "
                        "excluded.kel_older, kel_unknown = excluded.kel_unknown, plain = excluded.plain, "
                        "nodes "
                        "= excluded.nodes, nocall = excluded.nocall, unclassified = excluded.unclassified");
                    q.addBindValue(text(*node));
                    q.addBindValue(text(historyMinute(r->minute)));
                    for (const std::int32_t n :
                         {r->users, r->maxUsers, r->kelLatest, r->kelOlder, r->kelUnknown, r->plain, r->nodes,
                          r->nocall, r->unclassified})
                        q.addBindValue(n);
                    execute(q);
                }
            }
            QSqlQuery beat =
                prepared(db,
                         "INSERT INTO monitors (node, last_seen) VALUES (?, ?) ON CONFLICT (node) "
                         "DO UPDATE SET last_seen = excluded.last_seen");
            beat.addBindValue(text(heartbeatNode));
            beat.addBindValue(text(nowText()));
            execute(beat);
            if (!db.commit()) throw Failed{why(db.lastError())};
        } catch (const Failed&) {
            db.rollback();
            throw;
        }
    } catch (const Failed& f) {
        if (!failing_)
            say("*** The history " + path_.toStdString() + " cannot be written: " + f.why +
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
