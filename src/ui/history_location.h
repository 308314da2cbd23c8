#pragma once
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <optional>

namespace dx::ui {

// Where the history is kept: an SQLite file, or a database on a PostgreSQL server named by a
// libpq connection URI (postgresql://user@host:port/dbname?param=value). Qt's PostgreSQL driver
// takes the URI's parts one by one, so the URI is taken apart here; what it leaves out is libpq's
// to fill in as usual (PGHOST, PGUSER, the local socket, the user's name as the database). A
// password is never part of it: libpq finds one in ~/.pgpass (or the `passfile` named) or in
// PGPASSWORD.
struct HistoryLocation {
    enum class Kind { SqliteFile, Postgres };
    Kind kind = Kind::SqliteFile;
    QString file;  // the SQLite file, absolute

    QString host;      // a host name, an address, or the directory of a Unix socket (from '/')
    int port = -1;     // -1: libpq's default
    QString database;  // empty: libpq's default
    QString user;      // empty: libpq's default
    // libpq's other settings as "name='value'", in the order given: the driver's connect options.
    QStringList connectOptions;

    bool isPostgres() const { return kind == Kind::Postgres; }
    // How the operator is told which history a notice is about: the file, or the server's URI
    // without its settings (it holds no password).
    QString name() const;
};

// What the history's connection is for: the store writes; the window and the export only read.
enum class HistoryAccess { Write, Read };

// Reads a --history value: a postgresql:// or postgres:// URI, or else the name of an SQLite file
// (a regular file or none yet, in a directory that exists; a reader is told of a missing one when
// it looks for it). A value that is neither answers nothing, and why in `why`, e.g. "the URI holds
// a password ...".
std::optional<HistoryLocation> parseHistoryLocation(const QString& value, QString* why,
                                                    HistoryAccess access = HistoryAccess::Write);

// Gives a PostgreSQL connection `location`'s host, port, database, user and settings. Without a
// connect_timeout of the operator's, a server that does not answer is given up after 10 s, as a
// host that vanished would otherwise hold a connection's try for minutes.
void setHistoryConnection(QSqlDatabase& db, const HistoryLocation& location);

// Adds the connection `connectionName` with the driver of `location`'s kind, its parts and its
// connect options, and opens it. The answer is the connection, open or not: a connection that did
// not open says why in its lastError(). The caller ends it with QSqlDatabase::removeDatabase once
// its last copy is gone.
QSqlDatabase openHistoryDatabase(const HistoryLocation& location, const QString& connectionName,
                                 HistoryAccess access = HistoryAccess::Write);

}  // namespace dx::ui
