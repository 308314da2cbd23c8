// The history in real SQLite files: rows land, a monitor that ended without closing its sessions
// has them closed as "unknown" at its last heartbeat at the next start, a file that is no database
// or is damaged is set aside, a full disk keeps the rows (bounded) until there is room, two
// monitors share a file, and the program killed a second after a user came has the user's session.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>
#include <QVariant>
#include <csignal>
#include <functional>
#include <optional>
#include <string>

#include "full_disk.h"
#include "history_store.h"
#include "loopback_node.h"

// Failures show the text.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace dx::test {
namespace {
using ui::HistoryStore;

// Reads the file as an operator's sqlite3 would, through a connection of its own.
struct Reader {
    QString name;
    QSqlDatabase db;
    explicit Reader(const QString& path) : name(QStringLiteral("reader-") + path) {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        EXPECT_TRUE(db.open());
    }
    ~Reader() {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }
    // The rows of `sql`, each its columns joined by "|", NULL as "-".
    QStringList rows(const QString& sql) {
        QSqlQuery q(db);
        QStringList out;
        if (!q.exec(sql)) return {QStringLiteral("error")};
        while (q.next()) {
            QStringList cols;
            for (int i = 0; i < q.record().count(); ++i)
                cols << (q.value(i).isNull() ? QStringLiteral("-") : q.value(i).toString());
            out << cols.join(u'|');
        }
        return out;
    }
};

// Waits up to `ms` for `done`, answering whether it came.
bool waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        QTest::qWait(20);
    }
    return true;
}

UtcTime at(int hour, int minute) {
    return std::chrono::sys_days{std::chrono::December / 9 / 2026} + std::chrono::hours(hour) +
           std::chrono::minutes(minute);
}

SessionStarted started(std::uint64_t key, const std::string& call) {
    return SessionStarted{key, 1, 5, call, "10.0.0.5", "23005", UserKind::KelUnknown, {}, at(10, 0)};
}

TEST(HistoryStore, RowsLandWithinACoupleOfSecondsAndARestartClosesWhatACrashLeftOpen) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    const std::string node = "node.example:7300";
    {
        HistoryStore store(path, node);
        store.write({LinkWentUp{1, node, at(9, 59)}});
        store.write({started(2, "G4ABC")});
        store.write({started(3, "K1\xE9X")});  // the node's bytes, read as Latin-1
        store.write({SessionChanged{2, UserKind::KelLatest, {}, "2.3"}});
        store.write({MinuteCounted{1, std::chrono::floor<std::chrono::minutes>(at(10, 0)), 2, 3, 1, 1, 0, 0,
                                   0, 0, 0}});
        store.write({SessionEnded{3, at(10, 5), SessionEnd::Left}});
        Reader reader(path);
        const QString sessions = QStringLiteral(
            "SELECT node, socket, call, kind, version, started, ended, end_reason FROM sessions");
        ASSERT_TRUE(waitFor([&] { return reader.rows(sessions).size() == 2; }, 2500))
            << (store.takeNotices().empty() ? "" : store.takeNotices().front());
        EXPECT_EQ(reader.rows(sessions),
                  (QStringList{"node.example:7300|5|G4ABC|kel-latest|2.3|2026-12-09 10:00:00|-|-",
                               "node.example:7300|5|K1\u00E9X|kel-unknown|-|2026-12-09 10:00:00|2026-12-09 "
                               "10:05:00|left"}));
        EXPECT_EQ(reader.rows(QStringLiteral("SELECT * FROM user_counts")),
                  QStringList{"node.example:7300|2026-12-09 10:00|2|3|1|1|0|0|0|0|0"});
        EXPECT_EQ(reader.rows(QStringLiteral("SELECT * FROM schema_version")), QStringList{"1"});
        EXPECT_EQ(reader.rows(QStringLiteral("PRAGMA journal_mode")), QStringList{"wal"});
        EXPECT_EQ(reader.rows(QStringLiteral("SELECT node, up, down, reason FROM links")),
                  QStringList{"node.example:7300|2026-12-09 09:59:00|-|-"});
        EXPECT_TRUE(store.takeNotices().empty());
        // The store ends without the program ending the session and the link, as a crash
        // leaves them.
    }
    Reader reader(path);
    const QStringList beat = reader.rows(QStringLiteral("SELECT last_seen FROM monitors"));
    ASSERT_EQ(beat.size(), 1);
    HistoryStore again(path, node);
    const QString left = QStringLiteral("SELECT call, ended, end_reason FROM sessions WHERE call = 'G4ABC'");
    ASSERT_TRUE(
        waitFor([&] { return reader.rows(left) == QStringList{"G4ABC|" + beat[0] + "|unknown"}; }, 2500));
    EXPECT_EQ(reader.rows(QStringLiteral("SELECT down, reason FROM links")),
              QStringList{beat[0] + "|unknown"});
    EXPECT_EQ(reader.rows(QStringLiteral("SELECT end_reason FROM sessions WHERE call <> 'G4ABC'")),
              QStringList{"left"});
}

// The store's notices until one holds `words`, all of them joined.
std::string noticesUntil(HistoryStore& store, const std::string& words, int ms) {
    std::string said;
    waitFor(
        [&] {
            for (const std::string& n : store.takeNotices()) said += n + "\n";
            return said.find(words) != std::string::npos;
        },
        ms);
    return said;
}

QByteArray contentOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

TEST(HistoryStore, AFileThatIsNoDatabaseOrDamagedIsKeptAsideWithItsJournalAndANewOneStarted) {
    const auto noDatabase = [](const QString& path) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    };
    // A database whose pages after the first were overwritten.
    const auto damaged = [](const QString& path) {
        {
            Reader writer(path);
            writer.rows(QStringLiteral("CREATE TABLE t (x TEXT)"));
            writer.rows(
                QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE "
                               "i < 2000) INSERT INTO t SELECT printf('%0200d', i) FROM n"));
        }
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.seek(4096 + 100);
        f.write(QByteArray(8192, '\x7f'));
    };
    const std::function<void(const QString&)> makers[] = {noDatabase, damaged};
    for (const auto& make : makers) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("history.sqlite"));
        make(path);
        for (const char* end : {"-wal", "-shm"}) {
            QFile f(path + QString::fromLatin1(end));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(end);
        }
        const QByteArray before = contentOf(path);
        HistoryStore store(path, "node.example:7300");
        store.write({LinkWentUp{1, "node.example:7300", at(10, 0)}});
        const std::string said = noticesUntil(store, "a new history is started", 5000);
        SCOPED_TRACE(said);
        const QStringList kept =
            QDir(dir.path()).entryList({QStringLiteral("history.sqlite.damaged-*")}, QDir::Files, QDir::Name);
        ASSERT_EQ(kept.size(), 3);
        const QString aside = dir.filePath(kept[0]);
        EXPECT_NE(said.find("kept as " + aside.toStdString()), std::string::npos);
        EXPECT_EQ(contentOf(aside), before);
        EXPECT_EQ(contentOf(aside + "-wal"), "-wal");
        EXPECT_TRUE(QFile::exists(aside + "-shm"));  // an index of the -wal, which SQLite remakes
        Reader reader(path);
        EXPECT_TRUE(waitFor(
            [&] {
                return reader.rows(QStringLiteral("SELECT up FROM links")) ==
                       QStringList{"2026-12-09 10:00:00"};
            },
            2500));
        store.stop();
        EXPECT_EQ(store.takeNotices(), std::vector<std::string>{});
    }
}

TEST(HistoryStore, AFullDiskKeepsTheRowsBoundedAndTheyAreWrittenWhenThereIsRoomAgain) {
    FullDisk disk(64 * 1024);
    if (!disk.ready()) GTEST_SKIP() << disk.why();
    const QString path = disk.path("history.sqlite");
    const std::string node = "node.example:7300";
    HistoryStore store(path, node);
    store.write({LinkWentUp{1, node, at(0, 0)}});
    Reader reader(path);
    ASSERT_TRUE(waitFor(
        [&] { return reader.rows(QStringLiteral("SELECT count(*) FROM links")) == QStringList{"1"}; }, 2500));
    disk.fill();
    // Beyond the bounds: five sessions and an hour of counts more than are kept.
    const int sessions = 100000 + 5, minutes = 25 * 60;
    std::vector<HistoryRow> rows;
    for (int i = 0; i < minutes; ++i)
        rows.emplace_back(
            MinuteCounted{1, std::chrono::floor<std::chrono::minutes>(at(0, 0)) + std::chrono::minutes(i), 1,
                          1, 0, 0, 0, 1, 0, 0, 0});
    for (int i = 0; i < sessions; ++i) {
        rows.emplace_back(started(10 + static_cast<std::uint64_t>(i), "K" + std::to_string(i)));
        if (i % 2)
            rows.emplace_back(SessionEnded{10 + static_cast<std::uint64_t>(i), at(11, 0), SessionEnd::Left});
    }
    store.write(std::move(rows));
    const std::string failed = noticesUntil(store, "cannot be written", 10000);
    EXPECT_NE(failed.find("up to a day of counts and 100000 sessions"), std::string::npos) << failed;
    QTest::qWait(2500);  // a try or two more, each held to the bounds
    disk.empty();
    const std::string again = noticesUntil(store, "written again", 20000);
    EXPECT_NE(again.find("5 sessions and 60 minutes of counts"), std::string::npos) << again;
    EXPECT_EQ(reader.rows(QStringLiteral("SELECT count(*), count(ended) FROM sessions")),
              QStringList{"100000|50000"});
    EXPECT_EQ(reader.rows(QStringLiteral("SELECT call FROM sessions ORDER BY id LIMIT 1")),
              QStringList{"K5"});
    EXPECT_EQ(reader.rows(QStringLiteral("SELECT count(*), min(minute) FROM user_counts")),
              QStringList{"1440|2026-12-09 01:00"});
}

TEST(HistoryStore, TwoMonitorsOfTwoNodesWriteOneFileAndNeitherLosesARow) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    const std::string nodes[] = {"gb7abc.example:7300", "gb7xyz.example:7300"};
    HistoryStore first(path, nodes[0]), second(path, nodes[1]);
    HistoryStore* stores[] = {&first, &second};
    for (int s = 0; s < 2; ++s) stores[s]->write({LinkWentUp{1, nodes[s], at(9, 0)}});
    // Three seconds of busy nodes, each monitor's transactions waiting for the other's.
    for (int batch = 0; batch < 15; ++batch) {
        for (HistoryStore* store : stores) {
            std::vector<HistoryRow> rows;
            for (int i = 0; i < 400; ++i) {
                const auto key = static_cast<std::uint64_t>(10 + batch * 400 + i);
                rows.emplace_back(started(key, "K" + std::to_string(key)));
                rows.emplace_back(SessionEnded{key, at(10, 1), SessionEnd::Left});
            }
            store->write(std::move(rows));
        }
        QTest::qWait(200);
    }
    for (HistoryStore* store : stores) {
        store->stop();
        EXPECT_EQ(store->takeNotices(), std::vector<std::string>{});
    }
    Reader reader(path);
    EXPECT_EQ(reader.rows(QStringLiteral(
                  "SELECT node, count(*), count(ended) FROM sessions GROUP BY node ORDER BY node")),
              (QStringList{"gb7abc.example:7300|6000|6000", "gb7xyz.example:7300|6000|6000"}));
}

// The program itself, on a configuration in `dir` that points at `node`, its history beside it.
struct Program {
    QProcess process;
    Program(const QTemporaryDir& dir, const LoopbackNode& node, QStringList options) {
        const QString cfg = dir.filePath(QStringLiteral("gb7abc.cfg"));
        QFile f(cfg);
        f.open(QIODevice::WriteOnly);
        f.write(QStringLiteral("\"RemoteHost\",\"127.0.0.1\"\r\n\"RemotePort\",%1\r\n")
                    .arg(node.port())
                    .toLatin1());
        f.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path());
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(DX_PROGRAM), QStringList{"--config", cfg} + options);
    }
    void signal(int s) {
        // Never 0, which would be the test's own process group.
        if (process.state() != QProcess::NotRunning && process.processId() > 0)
            ::kill(static_cast<pid_t>(process.processId()), s);
    }
    ~Program() {
        signal(SIGKILL);
        process.waitForFinished(5000);
    }
};

TEST(HistoryStore, TheProgramEndedByASignalWritesItsHistoryBesideItsConfiguration) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        LoopbackNode node;
        QTemporaryDir dir;
        Program running(dir, node, {"--connect"});
        QProcess& program = running.process;
        ASSERT_TRUE(node.waitForPeer(10000));
        const QString path = dir.filePath(QStringLiteral("history.sqlite"));
        ASSERT_TRUE(waitFor([&] { return QFile::exists(path); }, 5000));
        Reader reader(path);
        const QString links = QStringLiteral("SELECT node, down IS NULL, reason FROM links");
        const QString up = QStringLiteral("127.0.0.1:%1|1|-").arg(node.port());
        ASSERT_TRUE(waitFor([&] { return reader.rows(links) == QStringList{up}; }, 5000)) << "not up";
        running.signal(signal);
        ASSERT_TRUE(program.waitForFinished(10000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
        EXPECT_EQ(reader.rows(links),
                  QStringList{QStringLiteral("127.0.0.1:%1|0|program-ended").arg(node.port())});
    }
}

TEST(HistoryStore, AProgramKilledASecondAfterAUserCameHasTheSessionAndItsNextStartClosesIt) {
    LoopbackNode node;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    std::optional<Program> running(std::in_place, dir, node, QStringList{"--connect"});
    ASSERT_TRUE(node.waitForReceived(1, 10000));  // "B": the node's stream may begin
    // Clear of a minute's end, whose row of counts is written just then.
    while (QDateTime::currentDateTimeUtc().time().second() < 3 ||
           QDateTime::currentDateTimeUtc().time().second() > 55)
        QTest::qWait(200);
    node.send(
        "^ZQ81^1^65280^7300^ZQ66^5^0^1.1.1.5^16777215^23^255^K1ABC^65280^ZQ70^5^hello^ZQ66^5^7^65280^"
        "ZQ99\x04");
    QTest::qWait(1000);
    running->signal(SIGKILL);
    ASSERT_TRUE(running->process.waitForFinished(5000));
    running.reset();
    Reader reader(path);
    EXPECT_EQ(reader.rows(QStringLiteral("SELECT call, ended FROM sessions")), QStringList{"K1ABC|-"});
    const QStringList beat = reader.rows(QStringLiteral("SELECT last_seen FROM monitors"));
    ASSERT_EQ(beat.size(), 1);
    Program again(dir, node, {});
    EXPECT_TRUE(waitFor(
        [&] {
            return reader.rows(QStringLiteral("SELECT ended, end_reason FROM sessions")) ==
                   QStringList{beat[0] + "|unknown"};
        },
        5000));
}

}  // namespace
}  // namespace dx::test
