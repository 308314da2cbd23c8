// Monitor.cfg: reading it at start-up and writing it whole.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/config_file.h"
#include "app/core.h"
#include "stream_support.h"

namespace dx::test {
namespace {

std::string Record(const std::string& key, const std::string& value) {
    return "\"" + key + "\"," + value + "\r\n";
}
std::string Quoted(const std::string& s) {
    return "\"" + s + "\"";
}

TEST(LoadConfig, WithoutAFileTheDefaultsHold) {
    Started s;
    EXPECT_EQ(s.core.config.remotePort, 99);
    EXPECT_EQ(s.core.config.remoteHost, "127.0.0.1");
    EXPECT_EQ(s.core.config.kelLatestVersion, "");
    EXPECT_EQ(s.core.connects.latestVersion.text(), "Version");
    EXPECT_FALSE(s.core.settings.window.loaded());  // nothing touched the settings window
}

TEST(LoadConfig, WithoutAWidthReadTheConnectionsWindowKeepsItsDesignSize) {
    const Rect connects{0, 0, 12195 + 140, 6525 + 300 + 455};
    const Rect monitor{0, 0, 12255 + 140, 6960 + 455};
    const struct {
        const char* what;
        std::optional<std::string> file;
        Rect connects, monitor;
    } cases[] = {
        // A first run: the monitor window stands directly below the connections window.
        {"no file", std::nullopt, connects, Rect{0, connects.height, monitor.width, monitor.height}},
        // A file that was read keeps its places, the monitor window's at the top left too.
        {"port only", Record("RemotePort", "23"), connects, monitor},
        {"connections top only", Record("FormConnectsTop", "450"),
         Rect{0, 450, connects.width, connects.height}, monitor},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Started s(c.file);
        EXPECT_EQ(s.core.connects.window.outer(), c.connects);
        EXPECT_EQ(s.core.monitor.window.outer(), c.monitor);
    }
}

TEST(LoadConfig, AFileWithOnlyThePortKeepsTheDefaultHost) {
    Started s(Record("RemotePort", "23"));
    EXPECT_EQ(s.core.config.remotePort, 23);
    EXPECT_EQ(s.core.config.remoteHost, "127.0.0.1");
    EXPECT_EQ(s.core.settings.portBox.text(), "23");
}

TEST(LoadConfig, HostAndPortAlsoFillTheSettingsBoxesAsRead) {
    Started s(Record("RemoteHost", Quoted("dx.example.net")) + Record("RemotePort", "7300"));
    EXPECT_EQ(s.core.config.remoteHost, "dx.example.net");
    EXPECT_EQ(s.core.settings.hostBox.text(), "dx.example.net");
    EXPECT_EQ(s.core.settings.portBox.text(), "7300");
}

TEST(LoadConfig, KeysAreCaseSensitive) {
    Started s(Record("RemotePort", "24") + Record("remoteport", "23") +
              Record("REMOTEHOST", Quoted("10.0.0.1")) + Record("formmonitortop", "500") +
              Record("FormMonitorleft", "600") + Record("kellatestversion", Quoted("1.93")));
    EXPECT_EQ(s.core.config.remotePort, 24);
    EXPECT_EQ(s.core.config.remoteHost, "127.0.0.1");
    EXPECT_EQ(s.core.monitor.window.top(), 0);
    EXPECT_EQ(s.core.monitor.window.left(), 0);
    EXPECT_EQ(s.core.config.kelLatestVersion, "");
}

TEST(LoadConfig, UnknownKeysArePassedOverWithTheirValues) {
    Started s(Record("Colour", "5") + Record("Note", Quoted("a,b")) +
              Record("Words", Quoted("not a number")) + Record("RemoteHost", Quoted("10.0.0.7")));
    EXPECT_EQ(s.core.config.remoteHost, "10.0.0.7");
}

TEST(LoadConfig, ABadRecordIsPassedOverItsKeyKeepsWhatItHadAndTheRecordsAfterItAreRead) {
    struct Case {
        const char* name;
        std::string badRecord;
    };
    const Case cases[] = {
        {"geometry not a number", Record("FormMonitorLeft", "abc")},
        {"port not a number", Record("RemotePort", Quoted("twenty"))},
        {"version not a number", Record("KelLatestVersion", Quoted("new"))},
        {"geometry with trailing text", Record("FormMonitorLeft", "12x")},
        {"geometry beyond any screen", Record("FormMonitorLeft", "1e999")},
        {"geometry of 26 digits", Record("FormMonitorLeft", "12345678901234567890123456")},
        {"port of 26 digits", Record("RemotePort", "12345678901234567890123456")},
        {"version NaN", Record("KelLatestVersion", "NaN")},
        {"key with no value", "\"RemotePort\"\r\n"},
        {"value with a thousands comma", Record("RemotePort", "4,000")},
        {"trailing comma", Record("RemotePort", "24,")},
        {"key and value on two lines", "\"RemotePort\"\r\n24\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Started s(Record("RemotePort", "23") + Record("FormMonitorLeft", "500") +
                  Record("KelLatestVersion", Quoted("1.93")) + c.badRecord +
                  Record("RemoteHost", Quoted("10.0.0.1")) + Record("FormMonitorTop", "700"));
        EXPECT_EQ(s.core.config.remotePort, 23);
        EXPECT_EQ(s.core.monitor.window.left(), 500);
        EXPECT_EQ(s.core.config.kelLatestVersion, "1.93");
        EXPECT_EQ(s.core.config.remoteHost, "10.0.0.1");
        EXPECT_EQ(s.core.monitor.window.top(), 700);
    }
}

TEST(LoadConfig, WithoutAFileAFurtherCallDoesNothing) {
    Started none;
    none.platform.configFile = Record("RemotePort", "42");
    none.core.config.loadConfig();
    EXPECT_EQ(none.core.config.remotePort, 99);
}

TEST(LoadConfig, AfterAWholeReadAFurtherCallReadsAgainFromTheDefaults) {
    // A bad record does not end the reading, so it does not shut the reader either.
    for (const std::string& bad : {std::string(), Record("FormMonitorTop", "abc")}) {
        SCOPED_TRACE(bad);
        Started s(Record("RemotePort", "23") + bad + Record("RemoteHost", Quoted("10.0.0.1")));
        s.platform.configFile = Record("RemotePort", "42");
        s.core.config.loadConfig();
        EXPECT_EQ(s.core.config.remotePort, 42);
        EXPECT_EQ(s.core.config.remoteHost, "127.0.0.1");
    }
}

TEST(LoadConfig, TheLatestVersionIsStoredAsReadLessFourTenThousandthsToThreeDecimals) {
    struct Case {
        std::string value;
        std::string stored;
    };
    const Case cases[] = {
        {"1.93", "1.93"},   {"1.9305", "1.93"}, {"1.9314", "1.931"}, {"1.931", "1.931"},
        {"2", "2"},         {"1.9", "1.9"},     {"0.0004", "0"},     {"1.94", "1.94"},
        {"1.9306", "1.93"}, {"1.9309", "1.93"}, {"1.9996", "1.999"}, {"1.93051", "1.93"},
    };
    for (const Case& c : cases) {
        for (const bool quoted : {true, false}) {
            SCOPED_TRACE(c.value + (quoted ? " quoted" : " bare"));
            Started s(Record("KelLatestVersion", quoted ? Quoted(c.value) : c.value) +
                      Record("RemotePort", "23"));
            EXPECT_EQ(s.core.config.kelLatestVersion, c.stored);
            EXPECT_EQ(s.core.connects.latestVersion.text(), c.value);  // the box shows the value as read
            EXPECT_EQ(s.core.config.remotePort, 23);
        }
    }
}

TEST(LoadConfig, AVersionWrittenWithADecimalCommaIsStoredWithAPoint) {
    Started s(Record("KelLatestVersion", Quoted("1,5")) + Record("RemotePort", "23"));
    EXPECT_EQ(s.core.config.kelLatestVersion, "1.5");
    EXPECT_EQ(s.core.connects.latestVersion.text(), "1,5");
    EXPECT_EQ(s.core.config.remotePort, 23);
}

TEST(LoadConfig, GeometryKeysPlaceTheirWindows) {
    Started s(Record("FormConnectsTop", "100") + Record("FormConnectsLeft", "200") +
              Record("FormConnectsHeight", "5000") + Record("FormConnectsWidth", "9000") +
              Record("FormMonitorTop", "300") + Record("FormMonitorLeft", "-120") +
              Record("FormMonitorHeight", "4000") + Record("FormMonitorWidth", "6000") +
              Record("FormSettingsTop", "2100") + Record("FormSettingsLeft", "1200") +
              Record("FormSettingsHeight", "2115") + Record("FormSettingsWidth", "4000"));
    const auto& c = s.core.connects.window;
    const auto& m = s.core.monitor.window;
    const auto& t = s.core.settings.window;
    EXPECT_EQ((Rect{c.left(), c.top(), c.width(), c.height()}), (Rect{200, 100, 9000, 5000}));
    EXPECT_EQ((Rect{m.left(), m.top(), m.width(), m.height()}), (Rect{-120, 300, 6000, 4000}));
    EXPECT_EQ((Rect{t.left(), t.top(), t.width(), t.height()}), (Rect{1200, 2100, 4000, 2115}));
    EXPECT_EQ(s.core.config.connectsWidth, 9000);
}

TEST(DotDecimal, TurnsEveryCommaIntoAPoint) {
    const std::pair<std::string, std::string> cases[] = {
        {"1,5", "1.5"}, {"a,b,c", "a.b.c"}, {"1.5", "1.5"}, {"", ""}, {",", "."}, {"1,93,", "1.93."},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(ConfigFile::dotDecimal(in), out) << in;
}

void PlaceWindows(Core& core) {
    auto place = [](WindowModel& w, Twips left, Twips top, Twips width, Twips height) {
        w.setLeft(left);
        w.setTop(top);
        w.setWidth(width);
        w.setHeight(height);
    };
    core.loader.ensureSettingsLoaded();
    place(core.connects.window, 200, 100, 9000, 5000);
    place(core.monitor.window, -120, 0, 6000, 4000);
    place(core.settings.window, 1200, 2100, 4000, 2115);
}

TEST(SaveConfig, WritesFifteenRecordsInTheirOrderAndForm) {
    Started s;
    PlaceWindows(s.core);
    s.core.config.kelLatestVersion = "1.93";
    s.core.config.remoteHost = "10.1.2.3";
    s.core.config.remotePort = 7300;
    ASSERT_TRUE(s.core.config.saveConfig());
    ASSERT_TRUE(s.platform.configFile.has_value());
    const std::string expected =
        "\"FormConnectsTop\",100\r\n"
        "\"FormConnectsLeft\",200\r\n"
        "\"FormConnectsHeight\",5000\r\n"
        "\"FormConnectsWidth\",9000\r\n"
        "\"FormMonitorTop\",0\r\n"
        "\"FormMonitorLeft\",-120\r\n"
        "\"FormMonitorHeight\",4000\r\n"
        "\"FormMonitorWidth\",6000\r\n"
        "\"FormSettingsTop\",2100\r\n"
        "\"FormSettingsLeft\",1200\r\n"
        "\"FormSettingsHeight\",2115\r\n"
        "\"FormSettingsWidth\",4000\r\n"
        "\"KelLatestVersion\",\"1.93\"\r\n"
        "\"RemoteHost\",\"10.1.2.3\"\r\n"
        "\"RemotePort\",7300\r\n";
    EXPECT_EQ(*s.platform.configFile, expected);
}

TEST(SaveConfig, ASettingsWindowNeverOpenedIsSavedWhereItWouldOpen) {
    Started s;
    s.core.connects.window.setLeft(300);
    s.core.connects.window.setTop(400);
    ASSERT_TRUE(s.core.config.saveConfig());
    const std::string& file = *s.platform.configFile;
    EXPECT_NE(file.find("\"FormSettingsTop\",2400\r\n"), std::string::npos);
    EXPECT_NE(file.find("\"FormSettingsLeft\",1300\r\n"), std::string::npos);
}

TEST(SaveConfig, SavingAndReadingAgainGivesTheSameWindowsHostPortAndVersion) {
    Started a;
    PlaceWindows(a.core);
    a.core.config.kelLatestVersion = "1.931";
    a.core.config.remoteHost = "dx.example.net";
    a.core.config.remotePort = 7300;
    ASSERT_TRUE(a.core.config.saveConfig());

    Started b(a.platform.configFile);
    EXPECT_EQ(b.core.config.kelLatestVersion, "1.931");
    EXPECT_EQ(b.core.config.remoteHost, "dx.example.net");
    EXPECT_EQ(b.core.config.remotePort, 7300);
    EXPECT_EQ(b.core.connects.window.outer(), a.core.connects.window.outer());
    EXPECT_EQ(b.core.monitor.window.outer(), a.core.monitor.window.outer());
    EXPECT_EQ(b.core.settings.window.outer(), a.core.settings.window.outer());
    EXPECT_EQ(b.core.settings.hostBox.text(), "dx.example.net");

    // And the file written again is the same file.
    ASSERT_TRUE(b.core.config.saveConfig());
    EXPECT_EQ(b.platform.configFile, a.platform.configFile);
}

TEST(SaveConfig, AFileSavedBeforeAnyVersionWasSeenReadsBackWhole) {
    // An empty version is no version: the host and port saved after it are still read.
    Started a;
    a.core.config.remoteHost = "dx.example.net";
    a.core.config.remotePort = 7300;
    ASSERT_TRUE(a.core.config.saveConfig());
    ASSERT_NE(a.platform.configFile->find("\"KelLatestVersion\",\"\"\r\n"), std::string::npos);

    Started b(a.platform.configFile);
    EXPECT_EQ(b.core.config.kelLatestVersion, "");
    EXPECT_EQ(b.core.connects.latestVersion.text(), "Version");  // not blanked
    EXPECT_EQ(b.core.config.remoteHost, "dx.example.net");
    EXPECT_EQ(b.core.config.remotePort, 7300);
}

TEST(SaveConfig, AFailedSaveLeavesTheOldFileAndSaysWhyOnceInRed) {
    Started s(Record("RemotePort", "23"));
    const std::string before = s.core.monitor.pane.text();
    s.platform.writeError = "No space left on device";
    s.core.config.remotePort = 24;
    EXPECT_FALSE(s.core.config.saveConfig());
    EXPECT_EQ(s.platform.configFile, Record("RemotePort", "23"));
    const std::string notice = "\r\n*** Monitor.cfg could not be saved: No space left on device";
    const Pane& pane = s.core.monitor.pane;
    EXPECT_EQ(pane.text(), before + notice);
    EXPECT_EQ(pane.colourAt(before.size()), colours::kRed);
    EXPECT_EQ(pane.colourAt(pane.size() - 1), colours::kRed);
    // Each failed save says it once; a save that works says nothing.
    EXPECT_FALSE(s.core.config.saveConfig());
    EXPECT_EQ(pane.text(), before + notice + notice);
    s.platform.writeError.reset();
    EXPECT_TRUE(s.core.config.saveConfig());
    EXPECT_EQ(pane.text(), before + notice + notice);
}

}  // namespace
}  // namespace dx::test
