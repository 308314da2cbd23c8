#pragma once
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace dx::ui {

// What the history's writer does to a database, whatever its kind. Each statement's values are
// bound in the order given here.
enum class HistoryStatement : std::size_t {
    LinkUp,                 // node, up; makes a row that LinkDown names
    LinkDown,               // down, reason, the link's row
    SessionStart,           // node, socket, call, address, port, kind, version, started; makes a row
    SessionChange,          // kind, call (NULL: unchanged), version (NULL: unchanged), the session's row
    SessionEnd,             // ended, end_reason, the session's row
    MinuteCount,            // node, minute, users, max_users and the seven kinds' counts
    Heartbeat,              // node, last_seen
    CloseSessionsLeftOpen,  // node: "unknown" at the node's last heartbeat
    CloseLinksLeftOpen,     // node
    RemoveOldSessions,      // node, a time: some of the sessions that ended before it
    RemoveOldCounts,        // node, a minute: some of the counts before it
    RemoveOldLinks,         // node, a time: some of the link's stretches that ended before it
    Count_
};
inline constexpr std::size_t kHistoryStatements = static_cast<std::size_t>(HistoryStatement::Count_);

// A statement or a transaction that failed. `busy`: another writer held the database longer than
// it is waited for; nothing is wrong with it, and the writer tries again.
struct HistoryFailure {
    std::string why;
    bool busy = false;
    QString code;  // the database's own number for it
    // The database cannot be reached (a server gone away, or not taking connections yet): it is
    // tried again after a while, on a new connection.
    bool unreachable = false;
};

// How an opening ended, when it did not fail for a while (HistoryFailure: the database is busy,
// or cannot be written yet; it is opened again later).
enum class HistoryOpened {
    Ready,  // open, its schema this program's
    Never,  // no history can be kept in it (the operator has been told why)
};

// One connection to a history database, in its own dialect: how it is opened, checked and brought
// to this program's schema, the text of each statement, how a transaction takes the right to
// write, how a new row is named for later updates, which failures are another writer's, and how
// the room of removed rows is given back. The writer (HistoryStore) says everything else without
// knowing the database's kind. Made, used and ended in the writer's thread.
class HistoryDatabase {
  public:
    using Say = std::function<void(std::string)>;
    virtual ~HistoryDatabase();

    // Opens the database and brings it to this program's schema; throws HistoryFailure when that
    // is to be tried again later. What the operator is to be told goes to `say`, once.
    virtual HistoryOpened open(const Say& say) = 0;
    // The name the operator knows the database by.
    virtual std::string name() const = 0;

    // The statement, prepared once per connection and then reused.
    QSqlQuery& statement(HistoryStatement s);
    // Runs a prepared statement with its values bound; throws HistoryFailure.
    void run(QSqlQuery& q);
    // The row that `q` (LinkUp or SessionStart) has just made, as later statements name it.
    virtual QVariant madeRow(QSqlQuery& q) = 0;

    // A transaction that writes; a failure of either throws HistoryFailure (and leaves none open).
    void begin();
    void commit();
    void rollback();

    // Gives some of the room of removed rows back to the file system; false once none is left.
    virtual bool shrink() = 0;

    // After a failure: whether the connection still answers. One that does not (a server gone
    // away) is made anew at a later try.
    virtual bool answers() { return true; }

  protected:
    explicit HistoryDatabase(QString connectionName) : connectionName_(std::move(connectionName)) {}
    QSqlDatabase& db() { return db_; }
    const QString& connectionName() const { return connectionName_; }
    // Makes the connection, with the driver named; QSqlDatabase::open is the dialect's to call.
    QSqlDatabase& connect(const QString& driver);
    // Ends the connection and every statement prepared on it.
    void disconnect();
    HistoryFailure failure(const QSqlError& error) const;
    // Runs `sql` once, unprepared; throws HistoryFailure. The query is left on its first row.
    QSqlQuery runText(const QString& sql);

    virtual const char* sql(HistoryStatement s) const = 0;
    virtual const char* beginSql() const = 0;
    // Whether `error` is another writer holding the database.
    virtual bool isBusy(const QSqlError& error) const = 0;

  private:
    const QString connectionName_;
    QSqlDatabase db_;
    std::array<std::unique_ptr<QSqlQuery>, kHistoryStatements> prepared_;
};

// The error's own words, on one line, without a full stop: the database's, else Qt's.
std::string historyWhy(const QSqlError& error);

}  // namespace dx::ui
