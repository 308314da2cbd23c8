// The command line's options: reading them, the traffic log, and one run of the real program
// with its configuration named, Connect pressed for it and the link tried again when it closes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>

#include "app.h"
#include "full_disk.h"
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
void putFile(const QString& path, const char* content) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(content), static_cast<qint64>(std::strlen(content)));
}
qint64 utc(int hour, int minute, int second) {
    return QDateTime(QDate(2024, 3, 1), QTime(hour, minute, second), Qt::UTC).toSecsSinceEpoch();
}
QProcessEnvironment offscreen(const QString& configHome) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    return env;
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
        {{"--history", dir.filePath("h.sqlite")}, 0, ""},
        {{"--history", dir.path()}, 2, "--history: '"},
        {{"--history", dir.filePath("missing/h.sqlite")}, 2, "--history: the directory of"},
        {{"--history", "/dev/null"}, 2, "--history: '/dev/null' is not a regular file."},
        {{"--history-keep", "0"}, 2, "--history-keep takes a whole number of days, 1 or more, not '0'."},
        {{"--history-keep", "7.5"}, 2, "--history-keep takes"},
        {{"--history-keep", "99999999999"}, 2, "--history-keep takes"},
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
                              dir.filePath("t.log"), "--history-keep", "365"});
    ASSERT_TRUE(all.run);
    EXPECT_EQ(all.run->configPath, QFileInfo(existing).absoluteFilePath());
    EXPECT_TRUE(all.run->connect);
    EXPECT_EQ(all.run->reconnectSeconds, 30);
    EXPECT_EQ(all.run->historyKeepDays, 365);
    if (!root) {
        const ui::ParsedCommandLine r = ui::parseCommandLine({"dxmonitor", "--config", unreadable});
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.err.contains(QStringLiteral("cannot be read")));
    }
}

// Only a regular file, or nothing yet, is a log; the configuration is never one, by whatever name.
TEST(CommandLineOptions, TheLogMustBeARegularFileOrNothingAndNeverTheConfiguration) {
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("node.cfg"));
    putFile(config, "");
    const QString at = dir.filePath(QStringLiteral("log"));
    const QByteArray name = QFile::encodeName(at);
    struct Case {
        const char* what;
        std::function<bool()> make;  // false: it cannot be made here
        const char* says;            // "": a good log
    };
    const Case cases[] = {
        {"nothing yet", [] { return true; }, ""},
        {"a regular file", [&] { return QFile(at).open(QIODevice::WriteOnly); }, ""},
        {"a FIFO", [&] { return ::mkfifo(name.constData(), 0644) == 0; }, "it is not a regular file."},
        {"a device node", [&] { return ::mknod(name.constData(), S_IFCHR | 0666, makedev(1, 3)) == 0; },
         "it is not a regular file."},
        {"a socket",
         [&] {
             sockaddr_un address{};
             address.sun_family = AF_UNIX;
             if (name.size() >= static_cast<qsizetype>(sizeof address.sun_path)) return false;
             std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
             const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
             const bool bound = ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
             ::close(s);
             return bound;
         },
         "it is not a regular file."},
        {"a directory", [&] { return QDir().mkdir(at); }, "it is a directory."},
        {"a link to the configuration", [&] { return QFile::link(config, at); },
         "it is the configuration file."},
        {"a hard link to the configuration", [&] { return ::link(QFile::encodeName(config), name) == 0; },
         "it is the configuration file."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.make()) {
            std::printf("skipped: %s cannot be made here\n", c.what);
            continue;
        }
        const ui::ParsedCommandLine r = ui::parseCommandLine({"dxmonitor", "--config", config, "--log", at});
        EXPECT_EQ(r.exitCode, *c.says ? 2 : 0);
        EXPECT_EQ(r.run.has_value(), !*c.says);
        if (*c.says) {
            EXPECT_TRUE(r.err.startsWith(
                QStringLiteral("dxmonitor: --log: '%1' cannot be the traffic log: ").arg(at)))
                << r.err.toStdString();
            EXPECT_TRUE(r.err.contains(QString::fromLatin1(c.says)));
            EXPECT_TRUE(r.err.contains(QStringLiteral("Usage: dxmonitor [options]")));
        }
        if (!QFile::remove(at)) QDir(at).removeRecursively();
    }
    // A configuration not made yet, named twice.
    const QString fresh = dir.filePath(QStringLiteral("fresh.cfg"));
    const ui::ParsedCommandLine r = ui::parseCommandLine(
        {"dxmonitor", "--config", fresh, "--log", dir.filePath(QStringLiteral("./fresh.cfg"))});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("it is the configuration file."))) << r.err.toStdString();
}

// A name the program cannot keep byte for byte would be read or written as another file.
TEST(CommandLineOptions, AFileNameNotValidInTheSystemEncodingIsRefused) {
    QTemporaryDir dir;
    const QByteArray latin1 = QFile::encodeName(dir.path()) + "/node-\xe9.cfg";
    const QByteArray utf8 = QFile::encodeName(dir.path()) + "/node-\xc3\xa9.cfg";
    struct Case {
        QList<QByteArray> args;
        const char* says;  // "": the program runs
    };
    const Case cases[] = {
        {{"--config", latin1}, "--config: the file name is not valid in the system's encoding."},
        {{"--config=" + latin1}, "--config: the file name"},
        {{"--connect", "--log", latin1}, "--log: the file name is not valid in the system's encoding."},
        {{"--log=" + latin1}, "--log: the file name"},
        {{"--config", utf8, "--log=" + utf8 + ".log"}, ""},
    };
    for (const Case& c : cases) {
        const QList<QByteArray> raw = QList<QByteArray>{"dxmonitor"} + c.args;
        SCOPED_TRACE(raw.join(' ').toStdString());
        QStringList arguments;
        for (const QByteArray& a : raw) arguments << QString::fromLocal8Bit(a);
        const ui::ParsedCommandLine r = ui::parseCommandLine(arguments, raw);
        EXPECT_EQ(r.exitCode, *c.says ? 2 : 0);
        EXPECT_EQ(r.run.has_value(), !*c.says);
        EXPECT_TRUE(r.err.contains(QString::fromLatin1(c.says))) << r.err.toStdString();
    }
}

TEST(TrafficLog, WritesEachLineAfterItsArrivalTimeWithoutTheBatchEndAndFollowsARotation) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("traffic.log"));
    ui::TrafficLog log(path);
    log.setArrivalTime(utc(12, 0, 0));
    log.take("Trying");
    log.take("\r\n            line one\r\n[K1ABC   ] DX de \xe9\x04");
    log.setArrivalTime(utc(12, 1, 20));  // written long after the bytes came
    EXPECT_FALSE(log.write());
    const QString first = readAll(path);
    EXPECT_EQ(first, QString::fromLatin1("2024-03-01 12:00:00 Trying\n"
                                         "2024-03-01 12:00:00             line one\n"
                                         "2024-03-01 12:00:00 [K1ABC   ] DX de \xe9\n"));

    // Rotated away: the next lines go to a new file at the path, the old one keeps what it had.
    ASSERT_TRUE(QFile::rename(path, path + QStringLiteral(".1")));
    log.take("\r\nafter");
    EXPECT_FALSE(log.write());
    EXPECT_EQ(readAll(path + QStringLiteral(".1")), first);
    EXPECT_EQ(readAll(path), QStringLiteral("2024-03-01 12:01:20 after\n"));
}

// What log rotation may leave at the log's path: none of it is written to, none of it holds the
// program, and the lines meanwhile are counted in the log once a file can be written again.
TEST(TrafficLog, NeverWritesIntoWhatIsNotARegularFileAndCountsTheLinesMeanwhile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("traffic.log"));
    const QString config = dir.filePath(QStringLiteral("node.cfg"));
    putFile(config, "\"RemotePort\",99\r\n");
    const QByteArray name = QFile::encodeName(path);
    struct Case {
        const char* what;
        std::function<bool()> make;  // puts the thing at the path; false: it cannot be made here
        const char* why;
    };
    int reader = -1;
    const Case cases[] = {
        {"a FIFO nobody reads", [&] { return ::mkfifo(name.constData(), 0644) == 0; }, "not a regular file"},
        {"a FIFO being read",
         [&] {
             if (::mkfifo(name.constData(), 0644) != 0) return false;
             reader = ::open(name.constData(), O_RDONLY | O_NONBLOCK);
             return reader >= 0;
         },
         "not a regular file"},
        {"a device node", [&] { return ::mknod(name.constData(), S_IFCHR | 0666, makedev(1, 3)) == 0; },
         "not a regular file"},
        {"a directory", [&] { return QDir().mkdir(path); }, "a directory"},
        {"a link to the configuration", [&] { return QFile::link(config, path); }, "the configuration file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ui::TrafficLog log(path, config);
        log.setArrivalTime(utc(9, 0, 0));
        log.take("\r\nbefore");
        EXPECT_FALSE(log.write());
        ASSERT_TRUE(QFile::remove(path));
        if (!c.make()) {
            std::printf("skipped: %s cannot be made here\n", c.what);
            continue;
        }
        log.setArrivalTime(utc(9, 0, 1));
        log.take("\r\nlost one\r\nlost two");
        const auto why = log.write();
        ASSERT_TRUE(why);
        EXPECT_NE(why->find(c.why), std::string::npos) << *why;
        log.setArrivalTime(utc(9, 0, 2));
        log.take("\r\nlost three");
        EXPECT_TRUE(log.write());
        if (reader >= 0) {
            char byte = 0;
            EXPECT_LE(::read(reader, &byte, 1), 0);  // nothing went into it
            ::close(reader);
            reader = -1;
        }
        EXPECT_EQ(readAll(config), QStringLiteral("\"RemotePort\",99\r\n"));

        // A file again: the loss is told first, with the times of the first and last line lost.
        ASSERT_TRUE(QFile::remove(path) || QDir(path).removeRecursively());
        log.setArrivalTime(utc(9, 0, 3));
        log.take("\r\nback");
        EXPECT_FALSE(log.write());
        EXPECT_EQ(readAll(path),
                  QStringLiteral("2024-03-01 09:00:03 *** 3 lines could not be written to the log "
                                 "between 2024-03-01 09:00:01 and 2024-03-01 09:00:02\n"
                                 "2024-03-01 09:00:03 back\n"));
        QFile::remove(path);
    }
}

TEST(TrafficLog, OnAFullDiskWritesOnlyWholeLinesAndTellsHowManyWereLost) {
    FullDisk disk;
    if (!disk.ready()) GTEST_SKIP() << disk.why();
    const QString path = disk.path("traffic.log");
    ui::TrafficLog log(path);
    log.setArrivalTime(utc(10, 0, 0));
    log.take("first");
    ASSERT_FALSE(log.write());
    disk.fill();

    // More than the room left: what fits is written, up to the last whole line.
    log.setArrivalTime(utc(10, 0, 1));
    for (int i = 0; i < 200; ++i) log.take("\r\nline " + std::to_string(1000 + i) + std::string(60, '.'));
    const auto why = log.write();
    ASSERT_TRUE(why);
    EXPECT_EQ(*why, qt_error_string(ENOSPC).toStdString());
    const QString cut = readAll(path);
    ASSERT_TRUE(cut.endsWith(u'\n'));
    const QStringList written = cut.split(u'\n', Qt::SkipEmptyParts);
    const qsizetype kept = written.size() - 1;
    EXPECT_GT(kept, 0);
    EXPECT_LT(kept, 200);
    for (qsizetype i = 1; i < written.size(); ++i)
        EXPECT_EQ(written[i], QStringLiteral("2024-03-01 10:00:01 line %1").arg(999 + i) + QString(60, u'.'));

    log.setArrivalTime(utc(10, 0, 2));
    log.take("\r\nstill full");
    EXPECT_TRUE(log.write());
    EXPECT_EQ(readAll(path), cut);

    disk.empty();
    log.setArrivalTime(utc(10, 0, 3));
    log.take("\r\nroom again");
    EXPECT_FALSE(log.write());
    EXPECT_EQ(readAll(path),
              cut + QStringLiteral("2024-03-01 10:00:03 *** %1 lines could not be written to the log "
                                   "between 2024-03-01 10:00:01 and 2024-03-01 10:00:02\n"
                                   "2024-03-01 10:00:03 room again\n")
                        .arg(200 - kept + 1));
}

TEST(TrafficLog, TheProgramSaysALogItCannotWriteAgainEachTimeThePaneTextIsReplaced) {
    QTemporaryDir dir;
    ui::Options options;
    options.logPath = dir.filePath(QStringLiteral("traffic.log"));
    ASSERT_TRUE(QDir().mkdir(options.logPath));
    ui::App app(dir.filePath(QStringLiteral("Monitor.cfg")), options);
    app.platform().onEnd = [](int) {};
    app.start();
    Pane& pane = app.core().monitor.pane;
    const auto notices = [&] {
        int n = 0;
        for (auto at = pane.text().find("*** The traffic log "); at != std::string::npos;
             at = pane.text().find("*** The traffic log ", at + 1)) {
            EXPECT_EQ(pane.colourAt(at), colours::kRed);
            ++n;
        }
        return n;
    };
    for (const char* line : {"\r\nfirst", "\r\nsecond"}) {
        app.runEvent("a test", [&] { pane.append(line, colours::kBlue); });
        EXPECT_EQ(notices(), 1) << pane.text();
    }
    for (const char* replacement : {"Trying", "Connected\r\n"}) {
        app.runEvent("a test", [&] { pane.setText(replacement); });
        EXPECT_EQ(notices(), 1) << pane.text();
        EXPECT_EQ(pane.text().rfind(replacement, 0), 0u);
    }
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

// The usual configuration is known only once the program is up; the log must not be it either,
// and a name the system's encoding cannot hold reaches no file at all.
TEST(CommandLineRun, TheProgramRefusesALogThatIsItsUsualConfigurationAndANameItCannotKeep) {
    QTemporaryDir dir;
    // A copy of the program keeps its usual configuration beside it, in the test's directory.
    const QString copy = dir.filePath(QStringLiteral("dxmonitor"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(DX_PROGRAM), copy));
    const QString config = dir.filePath(QStringLiteral("Monitor.cfg"));
    putFile(config, "\"RemotePort\",99\r\n");
    ASSERT_TRUE(QFile::link(config, dir.filePath(QStringLiteral("node.log"))));
    struct Case {
        QStringList args;  // through the shell, which makes the bytes printf is given
        const char* says;
    };
    const Case cases[] = {
        {{"--log", config}, "--log: '"},
        {{"--log", dir.filePath(QStringLiteral("node.log"))}, "it is the configuration file."},
        {{"--log=" + dir.filePath(QStringLiteral("$(printf 'node-\\351.log')"))}, "--log: the file name"},
        {{"--config", dir.filePath(QStringLiteral("$(printf 'node-\\351.cfg')"))}, "--config: the file name"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        QString line = QStringLiteral("exec \"$0\"");
        for (const QString& a : c.args) line += QStringLiteral(" \"%1\"").arg(a);
        QProcess program;
        program.setProcessEnvironment(offscreen(dir.path()));
        program.start(QStringLiteral("/bin/sh"), {"-c", line, copy});
        if (!program.waitForFinished(10000)) {
            program.kill();
            program.waitForFinished();
            ADD_FAILURE() << "the program ran";
        }
        EXPECT_EQ(program.exitCode(), 2);
        const QString err = QString::fromLocal8Bit(program.readAllStandardError());
        EXPECT_TRUE(err.contains(QString::fromLatin1(c.says))) << err.toStdString();
        EXPECT_EQ(readAll(config), QStringLiteral("\"RemotePort\",99\r\n"));
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::System).size(), 3)
        << "no file made in a name's place";
}

}  // namespace dx::test
