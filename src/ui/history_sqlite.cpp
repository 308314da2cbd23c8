#include "history_sqlite.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QThread>

namespace dx::ui {

namespace {

// Another monitor's transaction, or a reader turning the file to WAL, is waited for this long.
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

// SQLite's own numbers for its failures: a database held by another connection, a damaged one, a
// disk that refused a write, a full disk, a file that is no database.
const QString kBusy = QStringLiteral("5"), kLocked = QStringLiteral("6"), kIoError = QStringLiteral("10"),
              kCorrupt = QStringLiteral("11"), kFull = QStringLiteral("13"),
              kNotADatabase = QStringLiteral("26");

// The first problem SQLite's check of a file reports, on one line.
std::string firstProblem(const QString& check) {
    for (const QString& line : check.split(u'\n', Qt::SkipEmptyParts))
        if (!line.startsWith(QStringLiteral("***"))) return line.trimmed().left(120).toStdString();
    return check.left(120).toStdString();
}

}  // namespace

SqliteHistory::SqliteHistory(QString path, QString connectionName)
    : HistoryDatabase(std::move(connectionName)), path_(std::move(path)) {}

SqliteHistory::~SqliteHistory() {
    disconnect();
}

const char* SqliteHistory::sql(HistoryStatement s) const {
    switch (s) {
        case HistoryStatement::LinkUp:
            return "INSERT INTO links (node, up) VALUES (?, ?)";
        case HistoryStatement::LinkDown:
            return "UPDATE links SET down = ?, reason = ? WHERE rowid = ?";
        case HistoryStatement::SessionStart:
            return "INSERT INTO sessions (node, socket, call, address, port, kind, version, started) "
                   "VALUES (?, ?, ?, ?, ?, ?, ?, ?)";
        case HistoryStatement::SessionChange:
            return "UPDATE sessions SET kind = ?, call = coalesce(?, call), version = coalesce(?, version) "
                   "WHERE id = ?";
        case HistoryStatement::SessionEnd:
            return "UPDATE sessions SET ended = ?, end_reason = ? WHERE id = ?";
        case HistoryStatement::MinuteCount:
            return "INSERT INTO user_counts (node, minute, users, max_users, kel_latest, kel_older, "
                   "kel_unknown, plain, nodes, nocall, unclassified) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                   "?) "
                   "ON CONFLICT (node, minute) DO UPDATE SET users = excluded.users, max_users = "
                   "max(max_users, excluded.max_users), kel_latest = excluded.kel_latest, kel_older = "
                   "excluded.kel_older, kel_unknown = excluded.kel_unknown, plain = excluded.plain, nodes = "
                   "excluded.nodes, nocall = excluded.nocall, unclassified = excluded.unclassified";
        case HistoryStatement::Heartbeat:
            return "INSERT INTO monitors (node, last_seen) VALUES (?, ?) ON CONFLICT (node) "
                   "DO UPDATE SET last_seen = excluded.last_seen";
        case HistoryStatement::CloseSessionsLeftOpen:
            return "UPDATE sessions SET end_reason = 'unknown', ended = coalesce((SELECT last_seen FROM "
                   "monitors WHERE monitors.node = sessions.node), started) WHERE node = ? AND ended IS NULL";
        case HistoryStatement::CloseLinksLeftOpen:
            return "UPDATE links SET reason = 'unknown', down = coalesce((SELECT last_seen FROM monitors "
                   "WHERE monitors.node = links.node), up) WHERE node = ? AND down IS NULL";
        case HistoryStatement::RemoveOldSessions:
            return "DELETE FROM sessions WHERE id IN (SELECT id FROM sessions WHERE node = ? AND ended < ? "
                   "LIMIT 1000)";
        case HistoryStatement::RemoveOldCounts:
            return "DELETE FROM user_counts WHERE rowid IN (SELECT rowid FROM user_counts WHERE node = ? "
                   "AND minute < ? LIMIT 1000)";
        case HistoryStatement::RemoveOldLinks:
            return "DELETE FROM links WHERE rowid IN (SELECT rowid FROM links WHERE node = ? AND down < ? "
                   "LIMIT 1000)";
        case HistoryStatement::Count_:
            break;
    }
    return "";
}

const char* SqliteHistory::beginSql() const {
    // The right to write is taken at once, waiting for another monitor's transaction: a
    // transaction that read first could not take it later without starting again.
    return "BEGIN IMMEDIATE";
}

bool SqliteHistory::isBusy(const QSqlError& error) const {
    return error.nativeErrorCode() == kBusy || error.nativeErrorCode() == kLocked;
}

QVariant SqliteHistory::madeRow(QSqlQuery& q) {
    return q.lastInsertId();
}

bool SqliteHistory::shrink() {
    return false;
}

HistoryOpened SqliteHistory::open(const Say& say) {
    try {
        return openFile(say);
    } catch (const Damaged& damaged) {
        disconnect();
        const std::optional<QString> aside = setAside();
        if (!aside) {
            say("*** The history " + name() + " " + damaged.what +
                ", and it cannot be moved aside. No history is kept.");
            return HistoryOpened::Never;
        }
        say("*** The history " + name() + " " + damaged.what + ": it is kept as " + aside->toStdString() +
            ", and a new history is started.");
    }
    try {
        return openFile(say);
    } catch (const Damaged& damaged) {
        // A new file cannot be damaged: something else is wrong here.
        disconnect();
        say("*** The history " + name() + " cannot be opened: it " + damaged.what + ". No history is kept.");
        return HistoryOpened::Never;
    }
}

HistoryOpened SqliteHistory::openFile(const Say& say) {
    try {
        // A file that is no database, or whose pages do not hold together, is found before
        // anything is written to it, through a connection that only reads: one that writes would
        // remove the file's -wal when it closes. Every page is read (docs/history.md says what
        // that costs).
        if (QFileInfo::exists(path_)) {
            connectWith(QStringLiteral("QSQLITE_OPEN_READONLY;"));
            const QString check = runText(QStringLiteral("PRAGMA quick_check")).value(0).toString();
            disconnect();
            if (check != QStringLiteral("ok")) throw Damaged{"is damaged (" + firstProblem(check) + ")"};
        }
        QSqlDatabase& db = connectWith({});
        // Turning a file to WAL needs it to itself for a moment: a reader of the file (sqlite3, a
        // dashboard) is waited for. A file another monitor writes is in WAL already.
        for (int tries = 0;; ++tries) {
            if (runText(QStringLiteral("PRAGMA journal_mode=WAL")).value(0).toString() ==
                QStringLiteral("wal"))
                break;
            if (tries * 100 >= kBusyTimeoutMs)
                throw HistoryFailure{"it cannot be turned to WAL yet", true, {}};
            QThread::msleep(100);
        }
        runText(QStringLiteral("PRAGMA synchronous=FULL"));
        begin();
        try {
            int version = 0;
            if (db.tables().contains(QStringLiteral("schema_version"))) {
                QSqlQuery v = runText(QStringLiteral("SELECT version FROM schema_version"));
                if (!v.isValid()) throw Damaged{"has an empty schema_version table"};
                version = v.value(0).toInt();
            }
            if (version > kSchemaVersion) {
                rollback();
                say("*** The history " + name() + " was written by a newer version of the program (schema " +
                    std::to_string(version) + "): it is left as it is, and no history is kept.");
                disconnect();
                return HistoryOpened::Never;
            }
            if (version == 0) {
                for (const char* sql : kSchema) runText(QString::fromLatin1(sql));
                runText(
                    QStringLiteral("INSERT INTO schema_version (version) VALUES (%1)").arg(kSchemaVersion));
            }
            commit();
        } catch (...) {
            rollback();
            throw;
        }
        return HistoryOpened::Ready;
    } catch (const HistoryFailure& f) {
        if (f.code == kNotADatabase) throw Damaged{"is not a database"};
        if (f.code == kCorrupt) throw Damaged{"is damaged (" + f.why + ")"};
        // Held by another writer, or the disk is full: tried again later.
        if (f.busy || f.code == kFull || f.code == kIoError) {
            disconnect();
            throw;
        }
        say("*** The history " + name() + " cannot be opened: " + f.why + ". No history is kept.");
        disconnect();
        return HistoryOpened::Never;
    }
}

QSqlDatabase& SqliteHistory::connectWith(const QString& options) {
    QSqlDatabase& db = connect(QStringLiteral("QSQLITE"));
    db.setDatabaseName(path_);
    db.setConnectOptions(options + QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    if (!db.open()) throw failure(db.lastError());
    return db;
}

std::optional<QString> SqliteHistory::setAside() {
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMddTHHmmssZ"));
    QString aside = path_ + QStringLiteral(".damaged-") + stamp;
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo::exists(aside + QStringLiteral("-wal")); ++n)
        aside = path_ + QStringLiteral(".damaged-") + stamp + u'-' + QString::number(n);
    // The file's journal goes with it: left behind, it would be read into the new file.
    for (const QString& end : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        if (!QFileInfo::exists(path_ + end)) continue;
        if (!QFile::rename(path_ + end, aside + end)) return std::nullopt;
    }
    return aside;
}

}  // namespace dx::ui
