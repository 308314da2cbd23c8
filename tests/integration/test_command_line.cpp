// The command line's options: reading them, the traffic log, and one run of the real program
// with its configuration named, Connect pressed for it and the link tried again when it closes.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "loopback_node.h"
#include "options.h"
#include "traffic_log.h"

namespace dx::test {
namespace {
QString readAll(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QString::fromLatin1(f.readAll());
}
}  // namespace

TEST(CommandLineOptions, GoodValuesRunBadOnesSayWhichOptionAndExitTwo) {
    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("node.cfg"));
    QFile(existing).open(QIODevice::WriteOnly);
    const QString unreadable = dir.filePath(QStringLiteral("locked.cfg"));
    QFile(unreadable).open(QIODevice::WriteOnly);
    QFile::setPermissions(unreadable, QFileDevice::WriteOwner);
    const bool root = QFileInfo(unreadable).isReadable();  // the superuser reads anything
    struct Case {
        QStringList args;
        int exitCode;
        const char* says;  // in the output (exit 0) or the error (exit 2); "" when the program runs
    };
    const Case cases[] = {
        {{}, 0, ""},
        {{"--help"}, 0, "--reconnect <SECONDS>"},
        {{"--version"}, 0, "dxmonitor 1.0.0"},
        {{"--config", existing, "--connect", "--reconnect", "3600", "--log", dir.filePath("t.log")}, 0, ""},
        {{"--config", dir.filePath("new/gb7abc.cfg")}, 0, ""},  // a first run
        {{"--bogus"}, 2, "Unknown option 'bogus'."},
        {{"--reconnect"}, 2, "Missing value after '--reconnect'."},
        {{"--reconnect", "0"}, 2, "--reconnect takes a whole number of seconds from 1 to 3600, not '0'."},
        {{"--reconnect", "-5"}, 2, "--reconnect takes"},
        {{"--reconnect", "3601"}, 2, "--reconnect takes"},
        {{"--reconnect", "ten"}, 2, "--reconnect takes"},
        {{"--config", dir.path()}, 2, "--config: '"},
        {{"--log", dir.filePath("missing/t.log")}, 2, "--log: the directory of"},
        {{"--log", dir.path()}, 2, "--log: '"},
        {{"extra"}, 2, "unexpected argument 'extra'."},
        {{"-platform", "offscreen", "-style=fusion", "--connect"}, 0, ""},  // Qt's own, for Qt
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const ui::ParsedCommandLine r = ui::parseCommandLine(QStringList{"dxmonitor"} + c.args);
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_EQ(r.run.has_value(), c.exitCode == 0 && *c.says == '\0');
        if (c.exitCode == 2) {
            EXPECT_TRUE(r.err.startsWith(QStringLiteral("dxmonitor: "))) << r.err.toStdString();
            EXPECT_TRUE(r.err.contains(QStringLiteral("Usage: dxmonitor [options]")));
            EXPECT_TRUE(r.out.isEmpty());
        }
        EXPECT_TRUE((c.exitCode == 2 ? r.err : r.out).contains(QString::fromUtf8(c.says)));
    }
    const ui::ParsedCommandLine all =
        ui::parseCommandLine({"dxmonitor", "--config", existing, "--connect", "--reconnect", " 30 ", "--log",
                              dir.filePath("t.log")});
    ASSERT_TRUE(all.run);
    EXPECT_EQ(all.run->configPath, QFileInfo(existing).absoluteFilePath());
    EXPECT_TRUE(all.run->connect);
    EXPECT_EQ(all.run->reconnectSeconds, 30);
    if (!root) {
        const ui::ParsedCommandLine r = ui::parseCommandLine({"dxmonitor", "--config", unreadable});
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.err.contains(QStringLiteral("cannot be read")));
    }
}

TEST(TrafficLog, WritesEachLineAfterItsUtcTimeFollowsARotationAndSaysAFailureOnce) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("traffic.log"));
    ui::TrafficLog log(path);
    log.take("Trying");
    log.take("\r\n            line one\r\n[K1ABC   ] DX de \xe9");
    EXPECT_FALSE(log.write());
    const QString first = readAll(path);
    const QRegularExpression line(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d (.*)$"),
                                  QRegularExpression::MultilineOption);
    QStringList lines;
    for (auto m = line.globalMatch(first); m.hasNext();) lines << m.next().captured(1);
    EXPECT_EQ(lines,
              (QStringList{"Trying", "            line one", QString::fromLatin1("[K1ABC   ] DX de \xe9")}));

    // Rotated away: the next lines go to a new file at the path, the old one keeps what it had.
    ASSERT_TRUE(QFile::rename(path, path + QStringLiteral(".1")));
    log.take("\r\nafter");
    EXPECT_FALSE(log.write());
    EXPECT_EQ(readAll(path + QStringLiteral(".1")), first);
    EXPECT_TRUE(readAll(path).endsWith(QStringLiteral(" after\n")));

    // A log that cannot be written is said once, and the program goes on.
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QDir().mkpath(path));  // a directory where the log was
    log.take("\r\nlost");
    EXPECT_TRUE(log.write());
    log.take("\r\nlost too");
    EXPECT_FALSE(log.write());
}

TEST(CommandLineRun, TheProgramReadsItsNamedConfigurationConnectsAndTriesAgainWhenTheNodeCloses) {
    LoopbackNode node;
    QTemporaryDir dir;
    const QString cfg = dir.filePath(QStringLiteral("gb7abc.cfg"));
    QFile f(cfg);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(
        QStringLiteral("\"RemoteHost\",\"127.0.0.1\"\r\n\"RemotePort\",%1\r\n").arg(node.port()).toLatin1());
    f.close();
    const QString log = dir.filePath(QStringLiteral("traffic.log"));

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path());
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(DX_PROGRAM),
                  {"--config", cfg, "--connect", "--reconnect", "1", "--log", log});
    ASSERT_TRUE(node.waitForPeer(10000));
    node.peer->abort();  // the node goes away
    EXPECT_TRUE(QTest::qWaitFor([&] { return node.connections == 2; }, 10000));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return readAll(log).contains(
                QStringLiteral("*** The link to the node is down: the next try is in 1 second."));
        },
        5000))
        << readAll(log).toStdString();
    program.kill();
    program.waitForFinished();

    // Help and version need no display at all.
    QProcess asked;
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    asked.setProcessEnvironment(env);
    asked.start(QStringLiteral(DX_PROGRAM), {"--version"});
    ASSERT_TRUE(asked.waitForFinished(10000));
    EXPECT_EQ(asked.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(asked.exitCode(), 0);
    EXPECT_EQ(asked.readAllStandardOutput(), QByteArray("dxmonitor 1.0.0\n"));
}

}  // namespace dx::test
