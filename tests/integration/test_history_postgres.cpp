// The history in a real PostgreSQL server of the test's own.
#include <gtest/gtest.h>

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "history_location.h"
#include "history_postgres.h"
#include "postgres_server.h"

namespace dx::test {
namespace {
namespace pg = ui::postgres_history;

TEST(HistoryInPostgres, TheSchemaIsMadeAndEveryStatementIsOneTheServerTakes) {
    PostgresServer server;
    DX_NEED_POSTGRES(server);
    QString why;
    const auto location = ui::parseHistoryLocation(server.uri(), &why);
    ASSERT_TRUE(location) << why.toStdString();
    {
        QSqlDatabase db = ui::openHistoryDatabase(*location, QStringLiteral("schema"));
        ASSERT_TRUE(db.isOpen()) << db.lastError().text().toStdString();
        const auto run = [&db](const char* sql, const QVariantList& values = {}) {
            QSqlQuery q(db);
            EXPECT_TRUE(q.prepare(QString::fromLatin1(sql))) << sql;
            for (const QVariant& v : values) q.addBindValue(v);
            EXPECT_TRUE(q.exec()) << sql << ": " << q.lastError().text().toStdString();
            return q.next() ? q.value(0) : QVariant();
        };
        ASSERT_TRUE(db.transaction());
        run(pg::kLockSchema);
        EXPECT_FALSE(run(pg::kHasSchema).toBool());
        // The server prepares no CREATE: the schema's statements run as they are.
        for (const char* sql : pg::kSchema) EXPECT_TRUE(QSqlQuery(db).exec(QString::fromLatin1(sql))) << sql;
        EXPECT_TRUE(run(pg::kHasSchema).toBool());
        ASSERT_TRUE(db.commit());

        const QString node = QStringLiteral("gb7abc.example.net:7300");
        const qint64 link = run(pg::kLinkUp, {node, "2026-12-09 09:59:00"}).toLongLong();
        const qint64 session = run(pg::kSessionStarted, {node, 5, "G4ABC", "10.0.0.5", "23005", "kel-unknown",
                                                         QVariant(), "2026-12-09 10:00:00"})
                                   .toLongLong();
        EXPECT_GT(link, 0);
        EXPECT_GT(session, 0);
        run(pg::kSessionChanged, {"kel-latest", QVariant(), "2.3", session});
        for (const int most : {7, 3})
            run(pg::kMinuteCounted, {node, "2026-12-09 10:00", 2, most, 1, 1, 0, 0, 0, 0, 0});
        run(pg::kHeartbeat, {node, "2026-12-09 10:00:30"});
        run(pg::kCloseLeftOpenSessions, {node});
        run(pg::kCloseLeftOpenLinks, {node});
        run(pg::kSessionEnded, {"2026-12-09 10:05:00", "left", session});
        run(pg::kLinkDown, {"2026-12-09 10:06:00", "closed", link});

        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral(
                        "SELECT s.kind, s.version, s.ended, s.end_reason, l.down, l.reason, c.max_users "
                        "FROM sessions s, links l, user_counts c")) &&
                    q.next());
        QStringList got;
        for (int i = 0; i < 7; ++i) got << q.value(i).toString();
        EXPECT_EQ(got.join(u'|').toStdString(),
                  "kel-latest|2.3|2026-12-09 10:05:00|left|2026-12-09 10:06:00|closed|7");
    }
    QSqlDatabase::removeDatabase(QStringLiteral("schema"));
}

}  // namespace
}  // namespace dx::test
