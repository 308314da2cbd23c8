// The history in a real SQLite file: rows land within a couple of seconds, a monitor that ended
// without closing its sessions has them closed as "unknown" at its last heartbeat at the next
// start, and a file that is no database is said and leaves the program without history.
#include <gtest/gtest.h>

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
#include <string>

#include "history_store.h"
#include "loopback_node.h"

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

TEST(HistoryStore, AFileThatIsNoDatabaseIsSaidOnceAndNoHistoryIsKept) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.sqlite"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();
    HistoryStore store(path, "node.example:7300");
    std::vector<std::string> notices;
    ASSERT_TRUE(waitFor([&] { return !(notices = store.takeNotices()).empty(); }, 2500));
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_NE(notices[0].find("cannot be opened"), std::string::npos) << notices[0];
    store.write({LinkWentUp{1, "node.example:7300", at(10, 0)}});
    store.stop();
    EXPECT_TRUE(store.takeNotices().empty());
    QFile after(path);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), QByteArray(4096, 'x'));
}

TEST(HistoryStore, TheProgramEndedByASignalWritesItsHistoryBesideItsConfiguration) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        LoopbackNode node;
        QTemporaryDir dir;
        const QString cfg = dir.filePath(QStringLiteral("gb7abc.cfg"));
        QFile f(cfg);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("\"RemoteHost\",\"127.0.0.1\"\r\n\"RemotePort\",%1\r\n")
                    .arg(node.port())
                    .toLatin1());
        f.close();
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path());
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(DX_PROGRAM), {"--config", cfg, "--connect"});
        ASSERT_TRUE(node.waitForPeer(10000));
        const QString path = dir.filePath(QStringLiteral("history.sqlite"));
        ASSERT_TRUE(waitFor([&] { return QFile::exists(path); }, 5000));
        Reader reader(path);
        const QString links = QStringLiteral("SELECT node, down IS NULL, reason FROM links");
        const QString up = QStringLiteral("127.0.0.1:%1|1|-").arg(node.port());
        ASSERT_TRUE(waitFor([&] { return reader.rows(links) == QStringList{up}; }, 5000)) << "not up";
        ::kill(static_cast<pid_t>(program.processId()), signal);
        ASSERT_TRUE(program.waitForFinished(10000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
        EXPECT_EQ(reader.rows(links),
                  QStringList{QStringLiteral("127.0.0.1:%1|0|program-ended").arg(node.port())});
    }
}

}  // namespace
}  // namespace dx::test
