#pragma once

// The history's statements in PostgreSQL's words: the same tables, columns, indexes and meanings
// as in an SQLite file (docs/history.md), where PostgreSQL differs from SQLite:
// - ids are identities (PostgreSQL has no rowid, so links carry an id of their own too), and an
//   insert answers its row's id with RETURNING (the driver's lastInsertId does not give it);
// - times are compared byte by byte (COLLATE "C"), so they sort and compare as text does in SQLite,
//   whatever the database's own collation;
// - the call's index is on lower(call), SQLite's COLLATE NOCASE;
// - the larger of two numbers is GREATEST, SQLite's two-argument max.
// Several monitors, of several nodes, share one database: the schema is made by the first of them,
// under a lock that the others wait for.
namespace dx::ui::postgres_history {

// Taken within the transaction that makes or checks the schema; held until it ends. The schema's
// statements are run as they are (the server prepares no CREATE); the others are prepared.
inline constexpr const char* kLockSchema = "SELECT pg_advisory_xact_lock(7239656726359206259)";
// One row: whether the schema is there (its version is then read from schema_version).
inline constexpr const char* kHasSchema = "SELECT to_regclass('schema_version') IS NOT NULL";

inline constexpr const char* kSchema[] = {
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

// node, up → id
inline constexpr const char* kLinkUp = "INSERT INTO links (node, up) VALUES (?, ?) RETURNING id";
// down, reason, id
inline constexpr const char* kLinkDown = "UPDATE links SET down = ?, reason = ? WHERE id = ?";
// node, socket, call, address, port, kind, version, started → id
inline constexpr const char* kSessionStarted =
    "INSERT INTO sessions (node, socket, call, address, port, kind, version, started) "
    "VALUES (?, ?, ?, ?, ?, ?, ?, ?) RETURNING id";
// kind, call or NULL, version or NULL, id
inline constexpr const char* kSessionChanged =
    "UPDATE sessions SET kind = ?, call = coalesce(?, call), version = coalesce(?, version) WHERE id = ?";
// ended, end_reason, id
inline constexpr const char* kSessionEnded = "UPDATE sessions SET ended = ?, end_reason = ? WHERE id = ?";
// node, minute, users, max_users, kel_latest, kel_older, kel_unknown, plain, nodes, nocall,
// unclassified: a link back within the same minute adds to the minute's row.
inline constexpr const char* kMinuteCounted =
    "INSERT INTO user_counts (node, minute, users, max_users, kel_latest, kel_older, kel_unknown, plain, "
    "nodes, nocall, unclassified) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (node, minute) DO "
    "UPDATE SET users = excluded.users, max_users = GREATEST(user_counts.max_users, excluded.max_users), "
    "kel_latest = excluded.kel_latest, kel_older = excluded.kel_older, kel_unknown = excluded.kel_unknown, "
    "plain = excluded.plain, nodes = excluded.nodes, nocall = excluded.nocall, "
    "unclassified = excluded.unclassified";
// node, last_seen
inline constexpr const char* kHeartbeat =
    "INSERT INTO monitors (node, last_seen) VALUES (?, ?) ON CONFLICT (node) "
    "DO UPDATE SET last_seen = excluded.last_seen";
// node: its sessions and links still open, left so by a monitor that stopped without ending them,
// end as "unknown" at its last heartbeat.
inline constexpr const char* kCloseLeftOpenSessions =
    "UPDATE sessions SET end_reason = 'unknown', ended = coalesce((SELECT last_seen FROM monitors "
    "WHERE monitors.node = sessions.node), started) WHERE node = ? AND ended IS NULL";
inline constexpr const char* kCloseLeftOpenLinks =
    "UPDATE links SET reason = 'unknown', down = coalesce((SELECT last_seen FROM monitors "
    "WHERE monitors.node = links.node), up) WHERE node = ? AND down IS NULL";

}  // namespace dx::ui::postgres_history
