// The real program's --export, run without a display on a small history written by the history's
// own store: each table's header and rows, the range, one node, quoting, bad values, a history
// that is not there, and an output that cannot be written.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "history_store.h"

namespace dx::test {
namespace {
using namespace std::chrono;

UtcTime at(int day, int hour, int minute) {
    return sys_days{December / day / 2026} + hours(hour) + minutes(minute);
}
MinuteCounted minute(std::uint64_t link, int day, int hour, int m, int users) {
    return MinuteCounted{link, floor<minutes>(at(day, hour, m)), users, users + 1, users, 0, 0, 0, 0, 1, 0};
}

// Node a's link failed on the evening of the 7th and came back; node b's has been up since. Of a's
// sessions one ended before the 8th, one began before it and ended within it, one is still open
// (its call holds a quote and a comma) and a "nocall" one begins at the 9th's first second; b has
// one within the 8th.
void writeHistory(const QString& path) {
    ui::HistoryStore store(path, "a.example:7300");
    const auto session = [](std::uint64_t key, std::uint64_t link, std::string call, UserKind kind,
                            std::string version, UtcTime begins) {
        return SessionStarted{key,   link, 7, std::move(call), "10.0.0.7", "50007", kind, std::move(version),
                              begins};
    };
    store.write({
        LinkWentUp{1, "a.example:7300", at(7, 20, 0)},
        session(1, 1, "EARLY", UserKind::NonKel, "", at(7, 20, 10)),
        SessionEnded{1, at(7, 21, 0), SessionEnd::Left},
        LinkWentDown{1, at(7, 23, 0), LinkDownReason::Error},
        LinkWentUp{2, "b.example:7301", at(7, 22, 0)},
        LinkWentUp{3, "a.example:7300", at(7, 23, 10)},
        session(2, 3, "G4ABC", UserKind::KelLatest, "1.93", at(7, 23, 30)),
        SessionEnded{2, at(8, 0, 30), SessionEnd::Left},
        session(3, 3, "K1\"X,Y", UserKind::KelOther, "1.92", at(8, 10, 0)),
        session(4, 3, "nocall", UserKind::NoCall, "", at(9, 0, 0)),
        session(5, 2, "DL1AA", UserKind::Node, "", at(8, 5, 0)),
        SessionEnded{5, at(8, 6, 0), SessionEnd::LinkLost},
        minute(3, 7, 23, 59, 40),
        minute(3, 8, 0, 0, 41),
        minute(3, 8, 23, 59, 42),
        minute(3, 9, 0, 0, 43),
        minute(2, 8, 12, 0, 9),
    });
    store.stop();
    ASSERT_TRUE(store.takeNotices().empty());
}

struct Exported {
    int exitCode = -1;
    QString out, err;
};
// The program as cron runs it: no display, no platform named.
Exported exportWith(const QStringList& args, const QString& outputFile = {}) {
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    program.setProcessEnvironment(env);
    if (!outputFile.isEmpty()) program.setStandardOutputFile(outputFile);
    program.start(QStringLiteral(DX_PROGRAM), args);
    EXPECT_TRUE(program.waitForFinished(30000));
    return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
            QString::fromUtf8(program.readAllStandardOutput()),
            QString::fromUtf8(program.readAllStandardError())};
}

class HistoryExport : public ::testing::Test {
  protected:
    void SetUp() override { writeHistory(history); }
    QTemporaryDir dir;
    const QString history = dir.filePath(QStringLiteral("history.sqlite"));
};

TEST_F(HistoryExport, EachTableHasItsHeaderAndTheRowsOfTheRangeInTimeOrder) {
    const QString day[] = {"--since", "2026-12-08", "--until", "2026-12-09"};
    const QStringList theDay(std::begin(day), std::end(day));
    struct Case {
        QStringList args;
        const char* csv;
    };
    const Case cases[] = {
        {QStringList{"--export", "sessions"} + theDay,
         "id,node,socket,call,address,port,kind,version,started,ended,end_reason\r\n"
         "2,a.example:7300,7,G4ABC,10.0.0.7,50007,kel-latest,1.93,2026-12-07 23:30:00,2026-12-08 "
         "00:30:00,left\r\n"
         "5,b.example:7301,7,DL1AA,10.0.0.7,50007,node,,2026-12-08 05:00:00,2026-12-08 06:00:00,link-lost\r\n"
         "3,a.example:7300,7,\"K1\"\"X,Y\",10.0.0.7,50007,kel-older,1.92,2026-12-08 10:00:00,,\r\n"},
        {QStringList{"--export", "sessions", "--node", "b.example:7301"} + theDay,
         "id,node,socket,call,address,port,kind,version,started,ended,end_reason\r\n"
         "5,b.example:7301,7,DL1AA,10.0.0.7,50007,node,,2026-12-08 05:00:00,2026-12-08 "
         "06:00:00,link-lost\r\n"},
        // A session still open is there however late the range.
        {{"--export", "sessions", "--since", "2027-03-01 12:00", "--node", "a.example:7300"},
         "id,node,socket,call,address,port,kind,version,started,ended,end_reason\r\n"
         "3,a.example:7300,7,\"K1\"\"X,Y\",10.0.0.7,50007,kel-older,1.92,2026-12-08 10:00:00,,\r\n"
         "4,a.example:7300,7,nocall,10.0.0.7,50007,nocall,,2026-12-09 00:00:00,,\r\n"},
        {QStringList{"--export", "counts"} + theDay,
         "node,minute,users,max_users,kel_latest,kel_older,kel_unknown,plain,nodes,nocall,unclassified\r\n"
         "a.example:7300,2026-12-08 00:00,41,42,41,0,0,0,0,1,0\r\n"
         "a.example:7300,2026-12-08 23:59,42,43,42,0,0,0,0,1,0\r\n"
         "b.example:7301,2026-12-08 12:00,9,10,9,0,0,0,0,1,0\r\n"},
        // A minute begun before --since is not counted in.
        {{"--export", "counts", "--since", "2026-12-08 23:58:30", "--until", "2026-12-09 00:00:01"},
         "node,minute,users,max_users,kel_latest,kel_older,kel_unknown,plain,nodes,nocall,unclassified\r\n"
         "a.example:7300,2026-12-08 23:59,42,43,42,0,0,0,0,1,0\r\n"
         "a.example:7300,2026-12-09 00:00,43,44,43,0,0,0,0,1,0\r\n"},
        {{"--export", "links"},
         "node,up,down,reason\r\n"
         "a.example:7300,2026-12-07 20:00:00,2026-12-07 23:00:00,error\r\n"
         "b.example:7301,2026-12-07 22:00:00,,\r\n"
         "a.example:7300,2026-12-07 23:10:00,,\r\n"},
        {QStringList{"--export", "links"} + theDay,
         "node,up,down,reason\r\n"
         "b.example:7301,2026-12-07 22:00:00,,\r\n"
         "a.example:7300,2026-12-07 23:10:00,,\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const Exported r = exportWith(c.args + QStringList{"--history", history});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out.toStdString(), c.csv);
        EXPECT_EQ(r.err, QString());
    }
    // Without --history, the history beside the configuration.
    const Exported r =
        exportWith({"--export", "links", "--config", dir.filePath(QStringLiteral("node.cfg"))});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.count(QStringLiteral("\r\n")), 4);
}

TEST_F(HistoryExport, ABadValueExitsTwoNamingItsOption) {
    struct Case {
        QStringList args;
        const char* says;
    };
    const Case cases[] = {
        {{"--export", "users"}, "--export takes sessions, counts or links, not 'users'."},
        {{"--export", "sessions", "--since", "2026-02-30"}, "--since takes a UTC time"},
        {{"--export", "sessions", "--since", "2026-12-08T10:00"}, "--since takes a UTC time"},
        {{"--export", "sessions", "--until", "2026-12-08 24:00"}, "--until takes a UTC time"},
        {{"--export", "sessions", "--since", "2026-12-09", "--until", "2026-12-08 23:59"},
         "--since '2026-12-09"},
        {{"--export", "sessions", "--node", "a.example"}, "--node takes the node's ADDRESS:PORT"},
        {{"--export", "sessions", "--node", "a.example:65536"}, "--node takes"},
        {{"--export", "sessions", "--connect"}, "--connect cannot be used with --export."},
        {{"--export", "sessions", "--reconnect", "30"}, "--reconnect cannot be used with --export."},
        {{"--export", "sessions", "--log", "t.log"}, "--log cannot be used with --export."},
        {{"--export", "sessions", "--history-keep", "7"}, "--history-keep cannot be used with --export."},
        {{"--since", "2026-12-08"}, "--since is used only with --export."},
        {{"--export", "sessions", "--config", "/dev/null"}, "--config: '/dev/null' keeps no history"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const Exported r = exportWith(c.args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("dxmonitor: ") + QString::fromUtf8(c.says)))
            << r.err.toStdString();
        EXPECT_EQ(r.out, QString());
    }
}

TEST_F(HistoryExport, AMissingHistoryExitsOneNamingItAndNothingIsMade) {
    QTemporaryDir empty;
    const QString missing = empty.filePath(QStringLiteral("history.sqlite"));
    for (const QStringList& where : {QStringList{"--history", missing},
                                     QStringList{"--config", empty.filePath(QStringLiteral("node.cfg"))}}) {
        const Exported r = exportWith(QStringList{"--export", "sessions"} + where);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, "dxmonitor: the history '" + missing + "' cannot be read: it does not exist.\n");
        EXPECT_EQ(r.out, QString());
        EXPECT_TRUE(QDir(empty.path()).isEmpty());
    }
}

// What cannot be written is a failure said on stderr, whether the disk is full or the reader has gone.
TEST_F(HistoryExport, AnOutputThatCannotBeWrittenExitsOne) {
    const Exported full =
        exportWith({"--export", "sessions", "--history", history}, QStringLiteral("/dev/full"));
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_EQ(full.err,
              "dxmonitor: the export could not be written to standard output: No space left on device.\n");

    const QByteArray program(DX_PROGRAM), table("links"), named = QFile::encodeName(history);
    char* const argv[] = {const_cast<char*>(program.constData()), const_cast<char*>("--export"),
                          const_cast<char*>(table.constData()),   const_cast<char*>("--history"),
                          const_cast<char*>(named.constData()),   nullptr};
    const QByteArray errors = QFile::encodeName(dir.filePath(QStringLiteral("errors")));
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    ::close(pipeEnds[0]);  // the reader is gone before the program writes
    const int errorFile = ::open(errors.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        ::dup2(errorFile, STDERR_FILENO);
        ::execv(argv[0], argv);
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    ::close(errorFile);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    QFile said(dir.filePath(QStringLiteral("errors")));
    ASSERT_TRUE(said.open(QIODevice::ReadOnly));
    EXPECT_EQ(said.readAll(),
              "dxmonitor: the export could not be written to standard output: Broken pipe.\n");
}

}  // namespace
}  // namespace dx::test
