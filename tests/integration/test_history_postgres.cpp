// The history in a real PostgreSQL server of the test's own: monitors of two nodes share it and
// each start closes only its own node's left-open rows; a server stopped and started again gets
// the rows written meanwhile; a wrong password or a missing database is said and keeps no history.
#include <gtest/gtest.h>

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryFile>
#include <QTest>
#include <QVariant>
#include <memory>
#include <string>

#include "checked_output.h"
#include "history_export.h"
#include "history_location.h"
#include "history_store.h"
#include "postgres_server.h"

namespace dx::test {
namespace {
using ui::HistoryStore;

// Reads the database as a dashboard would, through a connection of its own.
struct Reader {
    QSqlDatabase db;
    explicit Reader(const QString& uri) {
        QString why;
        const auto location = ui::parseHistoryLocation(uri, &why);
        EXPECT_TRUE(location) << why.toStdString();
        if (location)
            db = ui::openHistoryDatabase(*location, QStringLiteral("reader"), ui::HistoryAccess::Read);
    }
    ~Reader() {
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("reader"));
    }
    // The rows of `sql`, each its columns joined by "|", NULL as "-".
    QStringList rows(const QString& sql) {
        QSqlQuery q(db);
        if (!q.exec(sql)) return {QStringLiteral("error: ") + q.lastError().text()};
        QStringList out;
        while (q.next()) {
            QStringList cols;
            for (int i = 0; i < q.record().count(); ++i)
                cols << (q.value(i).isNull() ? QStringLiteral("-") : q.value(i).toString());
            out << cols.join(u'|');
        }
        return out;
    }
};

UtcTime at(int hour, int minute) {
    return std::chrono::sys_days{std::chrono::December / 9 / 2026} + std::chrono::hours(hour) +
           std::chrono::minutes(minute);
}

SessionStarted started(std::uint64_t key, std::uint64_t link, const std::string& call) {
    return SessionStarted{key, link, 5, call, "10.0.0.5", "23005", UserKind::KelUnknown, {}, at(10, 0)};
}

// Every notice until one holds `words`, joined; empty when none came within `ms`.
std::string noticesUntil(HistoryStore& store, const std::string& words, int ms) {
    std::string all;
    const bool came = QTest::qWaitFor(
        [&] {
            for (const std::string& n : store.takeNotices()) all += n + "\n";
            return all.find(words) != std::string::npos;
        },
        ms);
    return came ? all : std::string();
}

TEST(HistoryInPostgresql, TwoNodesShareTheDatabaseAndEachStartClosesOnlyItsOwnLeftOpenRows) {
    PostgresServer server;
    DX_NEED_POSTGRES(server);
    const std::string nodes[] = {"gb7abc.example.net:7300", "gb7xyz.example.net:7300"};
    Reader reader(server.uri());
    const QString open = QStringLiteral("SELECT node, call FROM sessions WHERE ended IS NULL ORDER BY node");
    {
        // Both start at once on an empty database: one makes the schema, the other waits for it.
        HistoryStore first(server.uri(), nodes[0]), second(server.uri(), nodes[1]);
        first.write({LinkWentUp{1, nodes[0], at(9, 59)}, started(2, 1, "G4ABC")});
        second.write({LinkWentUp{1, nodes[1], at(9, 58)}, started(2, 1, "K1XYZ")});
        ASSERT_TRUE(QTest::qWaitFor([&] { return reader.rows(open).size() == 2; }, 5000))
            << reader.rows(open).join(u'\n').toStdString();
        EXPECT_TRUE(first.takeNotices().empty());
        EXPECT_TRUE(second.takeNotices().empty());
        // Both end without ending their sessions, as a crash leaves them.
    }
    // The heartbeat the crashed monitor left: its open rows end there (the new start soon writes its own).
    const QStringList lastSeen =
        reader.rows(QStringLiteral("SELECT last_seen FROM monitors WHERE node = '%1'")
                        .arg(QString::fromStdString(nodes[0])));
    ASSERT_EQ(lastSeen.size(), 1);
    HistoryStore again(server.uri(), nodes[0]);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return reader.rows(open) == QStringList{"gb7xyz.example.net:7300|K1XYZ"}; }, 5000))
        << reader.rows(open).join(u'\n').toStdString();
    EXPECT_EQ(
        reader.rows(QStringLiteral("SELECT call, end_reason, ended FROM sessions WHERE ended IS NOT NULL")),
        QStringList{"G4ABC|unknown|" + lastSeen[0]});
    again.stop();

    // The export reads the server as it reads a file.
    QTemporaryFile csv;
    ASSERT_TRUE(csv.open());
    ui::CheckedOutput out(csv.handle());
    ui::HistoryExport request;
    request.node = QString::fromStdString(nodes[1]);
    const auto failed = ui::exportHistory(request, server.uri(), out);
    ASSERT_FALSE(failed) << failed->toStdString();
    QFile written(csv.fileName());
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = written.readAll().split('\n');
    ASSERT_EQ(lines.size(), 3);  // the header, one session, and nothing after the last line's end
    EXPECT_TRUE(lines[0].startsWith("id,node,socket,call,")) << lines[0].toStdString();
    EXPECT_TRUE(
        lines[1].contains(",gb7xyz.example.net:7300,5,K1XYZ,10.0.0.5,23005,kel-unknown,,2026-12-09 "
                          "10:00:00,,\r"))
        << lines[1].toStdString();
}

TEST(HistoryInPostgresql, RowsWrittenWhileTheServerIsDownLandWhenItIsBack) {
    PostgresServer server;
    DX_NEED_POSTGRES(server);
    const std::string node = "gb7abc.example.net:7300";
    HistoryStore store(server.uri(), node, std::chrono::milliseconds(300));
    auto reader = std::make_unique<Reader>(server.uri());
    const QString calls = QStringLiteral("SELECT call, end_reason FROM sessions ORDER BY id");
    store.write({LinkWentUp{1, node, at(9, 59)}, started(2, 1, "G4ABC")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return reader->rows(calls).size() == 1; }, 5000));
    reader.reset();
    ASSERT_TRUE(server.stop()) << server.why();
    store.write({SessionEnded{2, at(10, 1), SessionEnd::Left}, started(3, 1, "K1XYZ")});
    const std::string said = noticesUntil(store, "cannot be reached", 5000);
    EXPECT_NE(said.find("it is tried again every 1 s"), std::string::npos) << said;
    store.write({started(4, 1, "DL1AB")});
    QTest::qWait(1500);  // several tries fail meanwhile, said only once
    EXPECT_TRUE(store.takeNotices().empty());
    ASSERT_TRUE(server.start()) << server.why();
    Reader back(server.uri());
    ASSERT_TRUE(QTest::qWaitFor([&] { return back.rows(calls).size() == 3; }, 5000))
        << back.rows(calls).join(u'\n').toStdString();
    EXPECT_EQ(back.rows(calls), (QStringList{"G4ABC|left", "K1XYZ|-", "DL1AB|-"}));
    EXPECT_TRUE(store.takeNotices().empty());
}

TEST(HistoryInPostgresql, AWrongPasswordOrAMissingDatabaseIsSaidOnceAndNoHistoryIsKept) {
    PostgresServer server;
    DX_NEED_POSTGRES(server);
    const struct Case {
        QString uri;
        const char* says;
    } cases[] = {
        {server.uri(QStringLiteral("wrong")), "password authentication failed"},
        {QString(server.uri()).replace(QStringLiteral("/dxhistory?"), QStringLiteral("/nosuch?")),
         "database \"nosuch\" does not exist"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        HistoryStore store(c.uri, "gb7abc.example.net:7300", std::chrono::milliseconds(300));
        store.write({LinkWentUp{1, "gb7abc.example.net:7300", at(9, 59)}});
        const std::string said = noticesUntil(store, "No history is kept.", 5000);
        EXPECT_NE(said.find(c.says), std::string::npos) << said;
        EXPECT_EQ(said.find(PostgresServer::kPassword), std::string::npos);
        QTest::qWait(700);
        store.stop();
        EXPECT_TRUE(store.takeNotices().empty());
    }
    Reader reader(server.uri());
    EXPECT_EQ(reader.rows(QStringLiteral("SELECT count(*) FROM pg_tables WHERE tablename = 'links'")),
              QStringList{"0"});
}

}  // namespace
}  // namespace dx::test
