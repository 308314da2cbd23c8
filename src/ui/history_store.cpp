#include "history_store.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QVariant>
#include <chrono>

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

void HistoryStore::write(HistoryBatch batch) {
    const std::lock_guard lock(mutex_);
    if (stopping_) return;
    keepForLater(queued_, std::move(batch));
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

void HistoryStore::keepForLater(HistoryBatch& later, HistoryBatch failed) {
    auto append = [](auto& to, auto& from) {
        to.insert(to.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
    };
    append(later.sessions, failed.sessions);
    append(later.counts, failed.counts);
    append(later.links, failed.links);
    // Bounded while the disk refuses: the oldest minutes go first, then the oldest sessions' rows.
    while (later.counts.size() + later.sessions.size() + later.links.size() > kMostKept) {
        if (!later.counts.empty())
            later.counts.erase(later.counts.begin(), later.counts.begin() + 1);
        else if (!later.sessions.empty())
            later.sessions.erase(later.sessions.begin(), later.sessions.begin() + 1);
        else
            later.links.erase(later.links.begin(), later.links.begin() + 1);
    }
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
        HistoryBatch later;
        for (bool last = false; opened && !last;) {
            HistoryBatch batch;
            {
                std::unique_lock lock(mutex_);
                wake_.wait_for(lock, kFlushEvery, [this] { return stopping_; });
                last = stopping_;
                batch = std::exchange(queued_, {});
            }
            // What failed before goes first, in the order it happened.
            keepForLater(later, std::move(batch));
            batch = std::exchange(later, {});
            if (flush(db, batch)) continue;
            later = std::move(batch);
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

bool HistoryStore::flush(QSqlDatabase& db, const HistoryBatch& batch) {
    std::unordered_map<std::uint64_t, qint64> newSessions, newLinks;
    const auto idOf = [](const auto& kept, const auto& fresh, std::uint64_t key) -> std::optional<qint64> {
        if (const auto f = fresh.find(key); f != fresh.end()) return f->second;
        if (const auto k = kept.find(key); k != kept.end()) return k->second;
        return std::nullopt;
    };
    std::string heartbeatNode = node_;
    std::vector<std::string> metNow;
    try {
        if (!db.transaction()) throw Failed{why(db.lastError())};
        try {
            for (const LinkRow& l : batch.links) {
                if (nodesMet_.insert(l.node).second) {
                    metNow.push_back(l.node);
                    closeLeftOpen(db, l.node);
                }
                heartbeatNode = l.node;
                if (const auto id = idOf(linkIds_, newLinks, l.key)) {
                    QSqlQuery q = prepared(db, "UPDATE links SET down = ?, reason = ? WHERE rowid = ?");
                    q.addBindValue(textOrNull(l.down));
                    q.addBindValue(textOrNull(l.reason));
                    q.addBindValue(*id);
                    execute(q);
                } else {
                    QSqlQuery q =
                        prepared(db, "INSERT INTO links (node, up, down, reason) VALUES (?, ?, ?, ?)");
                    q.addBindValue(text(l.node));
                    q.addBindValue(text(l.up));
                    q.addBindValue(textOrNull(l.down));
                    q.addBindValue(textOrNull(l.reason));
                    execute(q);
                    newLinks[l.key] = q.lastInsertId().toLongLong();
                }
            }
            for (const SessionRow& s : batch.sessions) {
                if (const auto id = idOf(sessionIds_, newSessions, s.key)) {
                    QSqlQuery q = prepared(db,
                                           "UPDATE sessions SET call = ?, kind = ?, version = ?, ended = ?, "
                                           "end_reason = ? WHERE id = ?");
                    q.addBindValue(text(s.call));
                    q.addBindValue(text(s.kind));
                    q.addBindValue(textOrNull(s.version));
                    q.addBindValue(textOrNull(s.ended));
                    q.addBindValue(textOrNull(s.endReason));
                    q.addBindValue(*id);
                    execute(q);
                } else {
                    QSqlQuery q =
                        prepared(db,
                                 "INSERT INTO sessions (node, socket, call, address, port, kind, "
                                 "version, started, ended, end_reason) VALUES (?, ?, ?, ?, ?, ?, ?, "
                                 "?, ?, ?)");
                    q.addBindValue(text(s.node));
                    q.addBindValue(s.socket);
                    q.addBindValue(text(s.call));
                    q.addBindValue(text(s.address));
                    q.addBindValue(text(s.port));
                    q.addBindValue(text(s.kind));
                    q.addBindValue(textOrNull(s.version));
                    q.addBindValue(text(s.started));
                    q.addBindValue(textOrNull(s.ended));
                    q.addBindValue(textOrNull(s.endReason));
                    execute(q);
                    newSessions[s.key] = q.lastInsertId().toLongLong();
                }
            }
            if (!batch.counts.empty()) {
                QSqlQuery q = prepared(
                    db,
                    "INSERT INTO user_counts (node, minute, users, max_users, kel_latest, kel_older, "
                    "kel_unknown, plain, nodes, nocall, unclassified) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                    "?) "
                    "ON CONFLICT (node, minute) DO UPDATE SET users = excluded.users, max_users = "
                    "max(max_users, excluded.max_users), kel_latest = excluded.kel_latest, kel_older = "
                    "excluded.kel_older, kel_unknown = excluded.kel_unknown, plain = excluded.plain, nodes = "
                    "excluded.nodes, nocall = excluded.nocall, unclassified = excluded.unclassified");
                for (const CountRow& c : batch.counts) {
                    q.addBindValue(text(c.node));
                    q.addBindValue(text(c.minute));
                    for (const std::int32_t n : {c.users, c.maxUsers, c.kelLatest, c.kelOlder, c.kelUnknown,
                                                 c.plain, c.nodes, c.nocall, c.unclassified})
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
    // Ended rows are never written again: their ids are no longer needed.
    for (const auto& [key, id] : newSessions) sessionIds_[key] = id;
    for (const auto& [key, id] : newLinks) linkIds_[key] = id;
    for (const SessionRow& s : batch.sessions)
        if (!s.endReason.empty()) sessionIds_.erase(s.key);
    for (const LinkRow& l : batch.links)
        if (!l.reason.empty()) linkIds_.erase(l.key);
    return true;
}

}  // namespace dx::ui
