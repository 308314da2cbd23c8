// Monitor.cfg on a real disk, through the desktop platform: what is read as a configuration and
// what is not.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
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
    QStringList Names() const {
        return QDir(dir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
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
    std::string every;
    for (int c = 0; c < 256; ++c) every.push_back(static_cast<char>(c));
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

}  // namespace
}  // namespace dx::test
