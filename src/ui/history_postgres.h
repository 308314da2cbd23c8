#pragma once
#include <QString>
#include <string>

#include "history_database.h"
#include "history_location.h"

namespace dx::ui {

// The history in a PostgreSQL database, which the monitors of several nodes may share (each
// writes its own node's rows; the node column tells them apart). The same tables, columns,
// indexes and meanings as an SQLite file (docs/history.md), where PostgreSQL differs from SQLite:
// - ids are identities (PostgreSQL has no rowid, so a link's stretch has an id of its own), and
//   an insert answers its row's id with RETURNING (the driver's lastInsertId does not give it);
// - times are compared byte by byte (COLLATE "C"), so they sort and compare as text does in
//   SQLite, whatever the database's own collation;
// - the call's index is on lower(call), SQLite's COLLATE NOCASE;
// - the larger of two numbers is GREATEST, SQLite's two-argument max.
// A server that cannot be reached is tried again later; one that refuses this monitor (a wrong
// password, no such database or role) keeps no history.
class PostgresHistory final : public HistoryDatabase {
  public:
    // One schema in both kinds of database: the same number as an SQLite file's.
    static constexpr int kSchemaVersion = 1;

    PostgresHistory(HistoryLocation location, QString connectionName);
    ~PostgresHistory() override;

    HistoryOpened open(const Say& say) override;
    std::string name() const override { return location_.name().toStdString(); }
    QVariant madeRow(QSqlQuery& q) override;
    // The server's autovacuum gives the room of removed rows back.
    bool shrink() override { return false; }
    bool answers() override;

  private:
    const char* sql(HistoryStatement s) const override;
    const char* beginSql() const override { return "BEGIN"; }
    // A row another monitor holds is waited for by the server itself.
    bool isBusy(const QSqlError&) const override { return false; }

    const HistoryLocation location_;
};

}  // namespace dx::ui
