#pragma once
#include <QString>
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
    const char* sql(HistoryStatement s) const override;
    const char* beginSql() const override;
    bool isBusy(const QSqlError& error) const override;

    const QString path_;
};

}  // namespace dx::ui
