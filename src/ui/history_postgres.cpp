#include "history_postgres.h"

#include <QSqlQuery>
#include <QString>
#include <array>
#include <string_view>

namespace dx::ui {

namespace {

// Taken by the transaction that makes or checks the schema, and held until it ends: of several
// monitors starting at once on a new database, one makes the schema and the others wait for it.
constexpr const char* kLockSchema = "SELECT pg_advisory_xact_lock(7239656726359206259)";

// The server prepares no CREATE: these run as they are.
constexpr const char* kSchema[] = {
    "CREATE TABLE schema_version (version integer NOT NULL)",
    "CREATE TABLE sessions (id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY, node text NOT NULL, "
    "socket integer NOT NULL, call text NOT NULL, address text NOT NULL, port text NOT NULL, "
    "kind text NOT NULL, version text, started text COLLATE \"C\" NOT NULL, ended text COLLATE \"C\", "
    "end_reason text)",
    "CREATE INDEX sessions_by_start ON sessions (node, started)",
    "CREATE INDEX sessions_by_end ON sessions (node, ended)",
    "CREATE INDEX sessions_by_call ON sessions (lower(call))",
    "CREATE TABLE user_counts (node text NOT NULL, minute text COLLATE \"C\" NOT NULL, "
    "users integer NOT NULL, max_users integer NOT NULL, kel_latest integer NOT NULL, "
    "kel_older integer NOT NULL, kel_unknown integer NOT NULL, plain integer NOT NULL, "
    "nodes integer NOT NULL, nocall integer NOT NULL, unclassified integer NOT NULL, "
    "PRIMARY KEY (node, minute))",
    "CREATE INDEX user_counts_by_minute ON user_counts (minute)",
    "CREATE TABLE links (id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY, node text NOT NULL, "
    "up text COLLATE \"C\" NOT NULL, down text COLLATE \"C\", reason text)",
    "CREATE INDEX links_by_up ON links (node, up)",
    "CREATE TABLE monitors (node text PRIMARY KEY, last_seen text COLLATE \"C\" NOT NULL)",
};

// libpq's and the server's words for a monitor the server will not take as it is configured: no
// later try can do better. Anything else (no server on the socket or the port, a server starting
// or stopping, a host not found) may pass, and is tried again.
constexpr std::array<std::string_view, 7> kRefusedForGood{"password authentication failed",
                                                          "no password supplied",
                                                          "does not exist",
                                                          "pg_hba.conf",
                                                          "permission denied",
                                                          "authentication failed",
                                                          "Driver not loaded"};

bool refusedForGood(const std::string& why) {
    for (const std::string_view words : kRefusedForGood)
        if (why.find(words) != std::string::npos) return true;
    return false;
}

}  // namespace

PostgresHistory::PostgresHistory(HistoryLocation location, QString connectionName)
    : HistoryDatabase(std::move(connectionName)), location_(std::move(location)) {}

PostgresHistory::~PostgresHistory() {
    disconnect();
}

const char* PostgresHistory::sql(HistoryStatement s) const {
    switch (s) {
        case HistoryStatement::LinkUp:
            return "INSERT INTO links (node, up) VALUES (?, ?) RETURNING id";
        case HistoryStatement::LinkDown:
            return "UPDATE links SET down = ?, reason = ? WHERE id = ?";
        case HistoryStatement::SessionStart:
            return "INSERT INTO sessions (node, socket, call, address, port, kind, version, started) "
                   "VALUES (?, ?, ?, ?, ?, ?, ?, ?) RETURNING id";
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
                   "GREATEST(user_counts.max_users, excluded.max_users), kel_latest = excluded.kel_latest, "
                   "kel_older = excluded.kel_older, kel_unknown = excluded.kel_unknown, plain = "
                   "excluded.plain, nodes = excluded.nodes, nocall = excluded.nocall, unclassified = "
                   "excluded.unclassified";
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
            return "DELETE FROM user_counts WHERE ctid IN (SELECT ctid FROM user_counts WHERE node = ? "
                   "AND minute < ? LIMIT 1000)";
        case HistoryStatement::RemoveOldLinks:
            return "DELETE FROM links WHERE id IN (SELECT id FROM links WHERE node = ? AND down < ? "
                   "LIMIT 1000)";
        case HistoryStatement::Count_:
            break;
    }
    return "";
}

QVariant PostgresHistory::madeRow(QSqlQuery& q) {
    return q.next() ? q.value(0) : QVariant();
}

bool PostgresHistory::answers() {
    // The driver closes a connection it found broken.
    return db().isOpen() && QSqlQuery(db()).exec(QStringLiteral("SELECT 1"));
}

HistoryOpened PostgresHistory::open(const Say& say) {
    QSqlDatabase& db = connect(QStringLiteral("QPSQL"));
    setHistoryConnection(db, location_);
    if (!db.open()) {
        HistoryFailure f = failure(db.lastError());
        disconnect();
        if (!refusedForGood(f.why)) {
            f.unreachable = true;
            throw f;
        }
        say("*** The history " + name() + " cannot be opened: " + f.why + ". No history is kept.");
        return HistoryOpened::Never;
    }
    try {
        begin();
        try {
            runText(QString::fromLatin1(kLockSchema));
            int version = 0;
            if (runText(QStringLiteral("SELECT to_regclass('schema_version') IS NOT NULL"))
                    .value(0)
                    .toBool()) {
                const QSqlQuery v = runText(QStringLiteral("SELECT max(version) FROM schema_version"));
                if (v.value(0).isNull()) throw HistoryFailure{"its schema_version table is empty", false, {}};
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
        } catch (const HistoryFailure&) {
            rollback();
            throw;
        }
    } catch (HistoryFailure& f) {
        // A server that went away meanwhile is tried again; one that will not take the schema
        // (no right to make tables) never can.
        f.unreachable = !answers();
        if (f.unreachable) {
            disconnect();
            throw;
        }
        say("*** The history " + name() + " cannot be opened: " + f.why + ". No history is kept.");
        disconnect();
        return HistoryOpened::Never;
    }
    return HistoryOpened::Ready;
}

}  // namespace dx::ui
