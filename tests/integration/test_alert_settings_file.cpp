// dxmonitor.ini on a real disk: read with QSettings at start, edited in the watch-list window,
// written whole by the checked writer with everything else in the file kept, and a failed write
// said.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <string>

#include "alert_settings_file.h"
#include "full_disk.h"
#include "loopback_node.h"

namespace dx::test {
namespace {

std::string Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string("(none)");
}
void Write(const QString& path, const std::string& content) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content.data(), static_cast<qint64>(content.size()));
}

TEST(AlertSettingsFile, ASaveSetsItsTwoKeysAndKeepsEveryOtherLineOfTheFile) {
    QTemporaryDir dir;
    struct Case {
        const char* name;
        std::string before;
        std::string after;
    };
    const Case cases[] = {
        {"no file", "(none)", "[Notifications]\ndesktop=false\n\n[Watch]\ncalls=G4ABC, DL*, */P\n"},
        {"another program's keys and comments",
         "; the operator's note\r\n[General]\r\nfont=Mono\r\n\r\n[Watch]\r\nsound=bell\r\ncalls=OLD1, \\\r\n "
         " OLD2\r\n"
         "calls=DUPLICATE\r\n\r\n[Zebra]\r\nx=1",
         "; the operator's note\r\n[General]\r\nfont=Mono\r\n\r\n[Watch]\r\nsound=bell\r\ncalls=G4ABC, DL*, "
         "*/P\r\n"
         "\r\n[Zebra]\r\nx=1\r\n\r\n[Notifications]\r\ndesktop=false\r\n"},
        {"a section without the key", "[Notifications]\nsound=off\n\n[Watch]\n",
         "[Notifications]\nsound=off\ndesktop=false\n\n[Watch]\ncalls=G4ABC, DL*, */P\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString ini = dir.filePath(QString::fromLatin1(c.name) + QStringLiteral(".ini"));
        if (c.before != "(none)") Write(ini, c.before);
        EXPECT_EQ(ui::saveAlertSettingsFile(ini, AlertSettings{{"G4ABC", "DL*", "*/P"}, false}),
                  std::nullopt);
        EXPECT_EQ(Read(ini), c.after);
        // QSettings reads back what was set, and what was there.
        const auto read = ui::readAlertSettingsFile(ini);
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(*read, (AlertSettings{{"G4ABC", "DL*", "*/P"}, false}));
    }
    const QSettings kept(dir.filePath(QStringLiteral("another program's keys and comments.ini")),
                         QSettings::IniFormat);
    EXPECT_EQ(kept.value(QStringLiteral("font")).toString(), QStringLiteral("Mono"));
    EXPECT_EQ(kept.value(QStringLiteral("Watch/sound")).toString(), QStringLiteral("bell"));
    // One call alone, and none, read back as such.
    const QString one = dir.filePath(QStringLiteral("one.ini"));
    for (const AlertSettings& s : {AlertSettings{{"G4ABC"}, true}, AlertSettings{{}, true}}) {
        ASSERT_EQ(ui::saveAlertSettingsFile(one, s), std::nullopt);
        EXPECT_EQ(ui::readAlertSettingsFile(one)->watchedCalls.size(), s.watchedCalls.size());
    }
}

// The watch-list window of the running program: read at start beside the configuration, and a
// save on a full disk that leaves the file whole and says so in the window and in the pane.
TEST(AlertSettingsFile, OnAFullDiskTheFileStaysWholeAndTheFailureIsSaid) {
    FullDisk disk;
    if (!disk.ready()) GTEST_SKIP() << disk.why();
    const QString ini = disk.path("dxmonitor.ini");
    const std::string before = "[Watch]\ncalls=G4ABC\n";
    ASSERT_TRUE(FullDisk::put(ini, before));
    LoopbackNode node;
    RunningProgram program(node.port(), true, disk.path("Monitor.cfg"));
    EXPECT_TRUE(program.core().watchList.matches("G4ABC-3"));

    program.app->connects().menuWatchList->trigger();
    ui::WatchListWindow& window = program.app->watchList();
    ASSERT_TRUE(window.isVisible());
    EXPECT_EQ(window.patterns->toPlainText(), QStringLiteral("G4ABC"));
    window.patterns->setPlainText(QStringLiteral("G4ABC\nDL*\n") + QString(2000, u'\n') +
                                  QStringLiteral("K1*"));
    disk.fill();
    window.okButton->click();
    const std::string why = "dxmonitor.ini could not be saved: " + std::string(std::strerror(ENOSPC));
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.message->text().startsWith(QString::fromStdString(why)))
        << window.message->text().toStdString();
    EXPECT_NE(program.paneText().find("*** " + why), std::string::npos);
    EXPECT_EQ(Read(ini), before);
    EXPECT_TRUE(program.core().watchList.matches("DL1XYZ"));  // in force until the program ends

    disk.empty();
    window.applyButton->click();
    EXPECT_EQ(Read(ini), "[Watch]\ncalls=G4ABC, DL*, K1*\n\n[Notifications]\ndesktop=true\n");
    window.cancelButton->click();
    EXPECT_FALSE(window.isVisible());
}

}  // namespace
}  // namespace dx::test
