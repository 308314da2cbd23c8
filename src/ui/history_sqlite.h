#pragma once
#include <QString>
#include <optional>
#include <string>

#include "history_database.h"

namespace dx::ui {

// The history in an SQLite file, in WAL mode with synchronous=FULL, so that a reader never holds
// the writer up and a commit is on the disk when it returns. Several monitors may write one file:
// each takes the right to write at the start of its transaction and waits for the others'.
class SqliteHistory final : public HistoryDatabase {
  public:
    static constexpr int kSchemaVersion = 1;

    SqliteHistory(QString path, QString connectionName);
    ~SqliteHistory() override;

    HistoryOpened open(const Say& say) override;
    std::string name() const override { return path_.toStdString(); }
    QVariant madeRow(QSqlQuery& q) override;
    bool shrink() override;

  private:
    // The file is no database, or damaged: `what` says which.
    struct Damaged {
        std::string what;
    };
    // One opening of the file; throws Damaged, or HistoryFailure to be tried again.
    HistoryOpened openFile(const Say& say);
    // Connects to the file, with the driver's `options` ("NAME=value;" each) and a busy timeout.
    QSqlDatabase& connectWith(const QString& options);
    // Moves the file, its -wal and its -shm aside under one new name, the UTC time in it; the name,
    // or none when they could not all be moved.
    std::optional<QString> setAside();

    const char* sql(HistoryStatement s) const override;
    const char* beginSql() const override;
    bool isBusy(const QSqlError& error) const override;

    const QString path_;
};

}  // namespace dx::ui
