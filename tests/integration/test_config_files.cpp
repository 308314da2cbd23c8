// Monitor.cfg on a real disk, through the desktop platform: what is read as a configuration and
// what is not, and saves that replace the file whole without touching anything else.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "file_writer.h"
#include "full_disk.h"
#include "loopback_node.h"
#include "options.h"
#include "qt_platform.h"

namespace dx::test {
namespace {

class ConfigFiles : public ::testing::Test {
  protected:
    QTemporaryDir dir;
    QString cfg = dir.filePath(QStringLiteral("Monitor.cfg"));
    ui::QtPlatform platform{cfg};

    QString at(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    static void Write(const QString& path, const std::string& content) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content.data(), static_cast<qint64>(content.size()));
    }
    static std::optional<std::string> Read(const QString& path) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
        return f.readAll().toStdString();
    }
    // The file's mode bits, without Qt's view of what this user may do with it.
    static QFileDevice::Permissions Mode(const QString& path) { return QFile::permissions(path) & 0xF0FF; }
    static QStringList Names(const QString& folder) {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                      QDir::Name);
    }
    QStringList Names() const { return Names(dir.path()); }
    static std::string EveryByte() {
        std::string every;
        for (int c = 0; c < 256; ++c) every.push_back(static_cast<char>(c));
        return every + "\r\n";
    }
};

TEST_F(ConfigFiles, OnlyARegularFileIsReadAsAConfiguration) {
    struct Case {
        const char* name;
        std::function<void(const QString&)> make;
    };
    const Case cases[] = {
        {"missing", [](const QString&) {}},
        {"directory", [](const QString& p) { QDir().mkpath(p + QStringLiteral("/inside")); }},
        {"FIFO", [](const QString& p) { ::mkfifo(QFile::encodeName(p).constData(), 0644); }},
        {"link to /dev/zero", [](const QString& p) { QFile::link(QStringLiteral("/dev/zero"), p); }},
        {"dangling link", [](const QString& p) { QFile::link(p + QStringLiteral(".gone"), p); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(cfg);
        QDir(cfg).removeRecursively();
        c.make(cfg);
        // Should a FIFO be opened after all, a writer that comes and goes lets the open return.
        const std::jthread unblock([this](const std::stop_token& stop) {
            for (int i = 0; i < 100 && !stop.stop_requested(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            const int fd = ::open(QFile::encodeName(cfg).constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) ::close(fd);
        });
        EXPECT_EQ(platform.readConfig(), std::nullopt);
    }
}

TEST_F(ConfigFiles, AFileOrALinkToOneIsReadWholeUpToAMegabyteOfWholeLines) {
    const std::string every = EveryByte();
    Write(at("every_byte"), every);
    const std::string line = "\"RemotePort\",99\r\n";
    std::string huge;
    while (huge.size() < (2u << 20)) huge += line;
    Write(at("huge"), huge);

    Write(cfg, every);
    EXPECT_EQ(platform.readConfig(), every);
    QFile::remove(cfg);
    QFile::link(at("every_byte"), cfg);
    EXPECT_EQ(platform.readConfig(), every);
    QFile::remove(cfg);
    QFile::link(at("huge"), cfg);
    const std::optional<std::string> read = platform.readConfig();
    ASSERT_TRUE(read.has_value());
    EXPECT_LE(read->size(), 1u << 20);
    EXPECT_GT(read->size(), (1u << 20) - line.size());
    EXPECT_EQ(huge.compare(0, read->size(), *read), 0);
    EXPECT_TRUE(read->back() == '\n' || read->back() == '\r');  // no record cut short
}

TEST_F(ConfigFiles, ASaveReplacesTheFileWholeKeepsItsPermissionsAndLeavesNothingBeside) {
    for (const QFileDevice::Permissions perms : {QFileDevice::ReadOwner | QFileDevice::WriteOwner,
                                                 QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                     QFileDevice::ReadGroup | QFileDevice::WriteGroup}) {
        Write(cfg, "old content that is longer than the new one\r\n");
        QFile::setPermissions(cfg, perms);
        EXPECT_EQ(platform.writeConfig(EveryByte()), std::nullopt);
        EXPECT_EQ(Read(cfg), EveryByte());
        EXPECT_EQ(Mode(cfg), perms);
        EXPECT_EQ(Names(), QStringList{QStringLiteral("Monitor.cfg")});
    }
    QFile::remove(cfg);
    EXPECT_EQ(platform.writeConfig(""), std::nullopt);  // a missing file is made
    EXPECT_EQ(Read(cfg), "");
}

TEST_F(ConfigFiles, ALinkedConfigurationIsSavedToItsTargetAndStaysALink) {
    ASSERT_TRUE(QDir().mkpath(at("shared")));
    const QString target = at("shared/Monitor.cfg");
    Write(target, "old\r\n");
    ASSERT_TRUE(QFile::link(target, cfg));
    EXPECT_EQ(platform.writeConfig("new\r\n"), std::nullopt);
    EXPECT_TRUE(QFileInfo(cfg).isSymLink());
    EXPECT_EQ(QFileInfo(cfg).symLinkTarget(), target);
    EXPECT_EQ(Read(target), "new\r\n");
    // A link whose target is not there yet makes it.
    QFile::remove(target);
    EXPECT_EQ(platform.writeConfig("made\r\n"), std::nullopt);
    EXPECT_TRUE(QFileInfo(cfg).isSymLink());
    EXPECT_EQ(Read(target), "made\r\n");
}

TEST_F(ConfigFiles, WhatIsPlantedBesideTheFileIsNeitherFollowedNorInTheWay) {
    Write(at("victim"), "the operator's other file\r\n");
    Write(cfg, "old\r\n");
    ASSERT_TRUE(QFile::link(at("victim"), at("Monitor.cfg.tmp")));
    ASSERT_TRUE(QFile::link(at("victim"), at("Monitor.cfg~")));
    ASSERT_TRUE(QDir().mkpath(at("Monitor.cfg.new/inside")));
    EXPECT_EQ(platform.writeConfig("new\r\n"), std::nullopt);
    EXPECT_EQ(Read(at("victim")), "the operator's other file\r\n");
    EXPECT_FALSE(QFileInfo(cfg).isSymLink());
    EXPECT_EQ(Read(cfg), "new\r\n");
    EXPECT_TRUE(QFileInfo(at("Monitor.cfg.tmp")).isSymLink());
    EXPECT_EQ(Names().size(), 5);  // the file, the victim and the three planted names: no leftovers
}

TEST_F(ConfigFiles, ASaveThatCannotBeMadeLeavesTheOldFileAndSaysWhy) {
    const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ReadGroup;
    const auto dirReadOnly = readOnly | QFileDevice::ExeOwner | QFileDevice::ExeGroup;
    struct Case {
        const char* name;
        const char* path;
        std::function<void(const QString& dir, const QString& file)> make;
        std::optional<std::string> reason;  // where the system's words are known
    };
    const Case cases[] = {
        {"read-only file", "a/Monitor.cfg",
         [&](const QString& d, const QString& f) {
             QDir().mkpath(d);
             Write(f, "old\r\n");
             QFile::setPermissions(f, readOnly);
         },
         std::strerror(EACCES)},
        // A missing directory is made; a file standing where it should be cannot be.
        {"a file where its directory should be", "b/Monitor.cfg",
         [](const QString& d, const QString&) { Write(d, "not a directory\r\n"); }, std::nullopt},
        {"a directory by that name", "c/Monitor.cfg",
         [](const QString&, const QString& f) { QDir().mkpath(f + QStringLiteral("/inside")); },
         std::nullopt},
        {"read-only directory", "d/Monitor.cfg",
         [&](const QString& d, const QString& f) {
             QDir().mkpath(d);
             Write(f, "old\r\n");
             QFile::setPermissions(d, dirReadOnly);
         },
         std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = at(c.path);
        const QString folder = QFileInfo(file).absolutePath();
        c.make(folder, file);
        // The superuser writes into any directory: there a read-only one cannot be had.
        if (c.path[0] == 'd' && ::access(QFile::encodeName(folder).constData(), W_OK) == 0) continue;
        const std::optional<std::string> before = Read(file);
        const QStringList beside = Names(folder);
        const std::optional<std::string> error = ui::QtPlatform(file).writeConfig("new\r\n");
        ASSERT_TRUE(error.has_value());
        EXPECT_FALSE(error->empty());
        if (c.reason) {
            EXPECT_EQ(*error, *c.reason);
        }
        EXPECT_EQ(Read(file), before);
        EXPECT_EQ(Names(folder), beside);  // no temporary file left, no directory made
        QFile::setPermissions(folder,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    EXPECT_EQ(Mode(at("a/Monitor.cfg")), readOnly);  // still read-only
}

// Only a regular file is ever replaced. What else stands at the name (a device, a FIFO, a socket,
// a link that loops) is refused and stays exactly as it was; a dangling link makes its target.
TEST_F(ConfigFiles, ASaveGoesOnlyOntoARegularFileOrNothing) {
    const QByteArray zero = QFile::encodeName(at("zero"));
    const bool devices = ::mknod(zero.constData(), S_IFCHR | 0666, makedev(1, 5)) == 0;
    struct Case {
        const char* name;
        std::function<void()> make;
        mode_t kind;  // what must still stand there
    };
    const Case cases[] = {
        {"device", [&] { ::mknod(QFile::encodeName(cfg).constData(), S_IFCHR | 0666, makedev(1, 5)); },
         S_IFCHR},
        {"link to a device", [&] { QFile::link(at("zero"), cfg); }, S_IFLNK},
        {"FIFO", [&] { ::mkfifo(QFile::encodeName(cfg).constData(), 0644); }, S_IFIFO},
        {"socket",
         [&] {
             sockaddr_un address{};
             address.sun_family = AF_UNIX;
             const QByteArray name = QFile::encodeName(cfg);
             std::strncpy(address.sun_path, name.constData(), sizeof address.sun_path - 1);
             const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
             ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
             ::close(fd);
         },
         S_IFSOCK},
        {"link loop",
         [&] {
             QFile::link(at("loop.b"), cfg);
             QFile::link(cfg, at("loop.b"));
         },
         S_IFLNK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!devices && c.kind == S_IFCHR) continue;  // mknod needs the superuser
        QFile::remove(cfg);
        c.make();
        struct stat before {};
        ASSERT_EQ(::lstat(QFile::encodeName(cfg).constData(), &before), 0);
        EXPECT_EQ(before.st_mode & S_IFMT, c.kind);
        const std::optional<std::string> error = platform.writeConfig("new\r\n");
        EXPECT_TRUE(error.has_value() && !error->empty());
        struct stat after {};
        ASSERT_EQ(::lstat(QFile::encodeName(cfg).constData(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(after.st_mode, before.st_mode);
    }
    // A dangling link, even to a directory not made yet, makes its target and stays a link.
    QFile::remove(cfg);
    const QString target = at("elsewhere/node.cfg");
    ASSERT_TRUE(QFile::link(QStringLiteral("elsewhere/node.cfg"), cfg));
    EXPECT_EQ(platform.writeConfig("made\r\n"), std::nullopt);
    EXPECT_TRUE(QFileInfo(cfg).isSymLink());
    EXPECT_EQ(Read(target), "made\r\n");
}

// The null device, wherever its node is and however it is reached, keeps nothing; any other
// device, a FIFO or a socket is no configuration at all.
TEST_F(ConfigFiles, TheNullDeviceKeepsNoSettingsAndOtherSpecialFilesAreRefusedAtStart) {
    const QString null = at("null");
    const QString zero = at("zero");
    const bool devices = ::mknod(QFile::encodeName(null).constData(), S_IFCHR | 0666, makedev(1, 3)) == 0 &&
                         ::mknod(QFile::encodeName(zero).constData(), S_IFCHR | 0666, makedev(1, 5)) == 0;
    QFile::link(QStringLiteral("/dev/null"), at("to-null"));
    ::mkfifo(QFile::encodeName(at("fifo")).constData(), 0644);
    struct Case {
        QString path;
        bool kept;
        int exitCode;
    };
    const Case cases[] = {
        {QStringLiteral("/dev/null"), false, 0},
        {at("to-null"), false, 0},
        {null, false, 0},
        {zero, true, 2},
        {at("fifo"), true, 2},
        {cfg, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        if (!devices && (c.path == null || c.path == zero)) continue;  // mknod needs the superuser
        EXPECT_EQ(ui::QtPlatform(c.path).configKept(), c.kept);
        const ui::ParsedCommandLine r = ui::parseCommandLine({"dxmonitor", "--config", c.path});
        EXPECT_EQ(r.exitCode, c.exitCode);
        if (c.exitCode == 2) {
            EXPECT_TRUE(r.err.startsWith(QStringLiteral("dxmonitor: --config: ")));
        }
    }
    // The program on the null device: it starts with the defaults, Apply says once that nothing is
    // kept, and the device is still the device.
    ui::App app(QStringLiteral("/dev/null"));
    app.platform().onEnd = [](int) {};
    app.start();
    EXPECT_EQ(app.core().config.remotePort, 99);
    app.settings().applyButton->click();
    app.settings().applyButton->click();
    const std::string& pane = app.core().monitor.pane.text();
    const std::string notice = "*** Settings are not kept: the configuration is the null device.";
    ASSERT_NE(pane.find(notice), std::string::npos);
    EXPECT_EQ(pane.find(notice, pane.find(notice) + 1), std::string::npos);
    EXPECT_TRUE(ui::isNullDevice(QStringLiteral("/dev/null")));
    app.platform().socketClose();
}

// A full disk: the writer says so, and neither Apply nor the save that follows a newer KEL version
// seen on the link empties the configuration.
TEST(ConfigSaves, OnAFullDiskNoSaveEmptiesTheConfigurationAndEachFailureIsSaid) {
    FullDisk disk;
    if (!disk.ready()) GTEST_SKIP() << disk.why();
    const QString cfg = disk.path("Monitor.cfg");
    LoopbackNode node;
    RunningProgram program(node.port(), true, cfg);
    program.app->platform().sleepScale = 0.0;
    QFile file(cfg);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray old = file.readAll();
    file.close();
    disk.fill();
    const QStringList beside = QDir(QFileInfo(cfg).absolutePath()).entryList(QDir::Files | QDir::Hidden);

    const auto error = ui::saveWhole(cfg, QByteArrayView("a new configuration\r\n"));
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(*error, qt_error_string(ENOSPC));

    const std::string notice = "*** Monitor.cfg could not be saved: " + std::string(std::strerror(ENOSPC));
    const auto notices = [&] {
        const std::string& text = program.paneText();
        int n = 0;
        for (std::size_t at = text.find(notice); at != std::string::npos; at = text.find(notice, at + 1)) ++n;
        return n;
    };
    program.app->settings().applyButton->click();
    EXPECT_EQ(notices(), 1);
    program.app->monitor().connectButton->click();
    ASSERT_TRUE(node.waitForReceived(1));
    program.core().config.kelLatestVersion = "1.9";
    node.send(
        "^ZQ81^1^65280^7300^ZQ66^5^0^1.1.1.5^16777215^23^255^K1ABC^65280^ZQ66^6^0^1.1.1.6^16777215^23^"
        "255^K2ABC^65280^ZQ70^5^x ZQC >^ZQ70^6^KeepAlive V1.95^ZQ99\x04");
    ASSERT_TRUE(QTest::qWaitFor([&] { return program.core().config.kelLatestVersion == "1.95"; }, 3000));
    QTest::qWait(20);
    node.send("\x04");
    // "Connected" replaced the pane's text: this notice is the automatic save's own.
    EXPECT_TRUE(QTest::qWaitFor([&] { return notices() == 1; }, 3000));

    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), old);
    EXPECT_EQ(QDir(QFileInfo(cfg).absolutePath()).entryList(QDir::Files | QDir::Hidden), beside);
    // With room again, the next save goes through.
    disk.empty();
    program.app->settings().applyButton->click();
    EXPECT_EQ(notices(), 1);
}

}  // namespace
}  // namespace dx::test
