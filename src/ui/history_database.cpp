#include "history_database.h"

namespace dx::ui {

std::string historyWhy(const QSqlError& error) {
    const QString t = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return t.toStdString();
}

HistoryDatabase::~HistoryDatabase() = default;

QSqlDatabase& HistoryDatabase::connect(const QString& driver) {
    disconnect();
    db_ = QSqlDatabase::addDatabase(driver, connectionName_);
    return db_;
}

void HistoryDatabase::disconnect() {
    for (auto& q : prepared_) q.reset();
    if (!db_.isValid()) return;
    db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(connectionName_);
}

HistoryFailure HistoryDatabase::failure(const QSqlError& error) const {
    return HistoryFailure{historyWhy(error), isBusy(error), error.nativeErrorCode()};
}

QSqlQuery& HistoryDatabase::statement(HistoryStatement s) {
    std::unique_ptr<QSqlQuery>& q = prepared_[static_cast<std::size_t>(s)];
    if (!q) {
        auto made = std::make_unique<QSqlQuery>(db_);
        if (!made->prepare(QString::fromLatin1(sql(s)))) throw failure(made->lastError());
        q = std::move(made);
    }
    return *q;
}

void HistoryDatabase::run(QSqlQuery& q) {
    if (!q.exec()) throw failure(q.lastError());
}

QSqlQuery HistoryDatabase::runText(const QString& sql) {
    QSqlQuery q(db_);
    if (!q.exec(sql)) throw failure(q.lastError());
    q.next();
    return q;
}

void HistoryDatabase::begin() {
    runText(QString::fromLatin1(beginSql()));
}

void HistoryDatabase::commit() {
    try {
        runText(QStringLiteral("COMMIT"));
    } catch (const HistoryFailure&) {
        rollback();
        throw;
    }
}

void HistoryDatabase::rollback() {
    // A failure may have ended the transaction already: nothing then to roll back.
    QSqlQuery q(db_);
    q.exec(QStringLiteral("ROLLBACK"));
}

}  // namespace dx::ui
