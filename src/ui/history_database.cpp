#include "history_database.h"

namespace dx::ui {

std::string historyWhy(const QSqlError& error) {
    QString t = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    // One line for the pane: a server's hint on the lines after the first goes, and so does a
    // full stop, which the notice puts itself.
    t = t.section(u'\n', 0, 0, QString::SectionSkipEmpty).simplified();
    if (t.endsWith(u'.')) t.chop(1);
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
    // A failure may have ended the transaction already, or the connection (a server gone away):
    // nothing then to roll back.
    if (!db_.isOpen()) return;
    QSqlQuery q(db_);
    q.exec(QStringLiteral("ROLLBACK"));
}

}  // namespace dx::ui
