// Faults the fuzz targets found, each kept as a test of the behaviour that mends it.
#include <gtest/gtest.h>

#include "common/numeric.h"
#include "fake_platform.h"
#include "stream_support.h"

namespace dx::test {
namespace {

// A program started with this configuration file.
using Restarted = Started;

TEST(FoundByFuzzing, NumbersAreWrittenWithoutAnExponentOrANegativeZero) {
    EXPECT_EQ(doubleText(100000.0), "100000");
    EXPECT_EQ(floatText(100000.0f), "100000");
    EXPECT_EQ(doubleText(roundHalfEvenTo(0.0005 - 0.0004, 3)), "0");
    EXPECT_EQ(doubleText(roundHalfEvenTo(-0.0001, 3)), "0");
}

TEST(FoundByFuzzing, AHugeKeepAliveVersionIsKeptAsAPlainNumberAndSavedReadably) {
    Rig rig;
    rig.core.status.onPortBoxColour(wire::parsePortBoxColour("^ZQ81^1^65280^23"));
    rig.record("^ZQ66^2^0^1.1.1.2^16777215^23^255^K1ABC^65280");
    rig.core.config.kelLatestVersion = "1.93";
    float v = 100000.0f;
    std::int16_t s = 2;
    rig.core.recognition.kelCheck(v, s);
    EXPECT_EQ(rig.core.config.kelLatestVersion, "100000");
    ASSERT_TRUE(rig.platform.configFile.has_value());
    Restarted again(rig.platform.configFile);
    EXPECT_EQ(again.core.config.kelLatestVersion, "100000");
    EXPECT_EQ(again.core.settings.portBox.text(), "99");  // read to the last record
}

TEST(FoundByFuzzing, ARowSettledByAReleaseIsCountedAsSettled) {
    Rig rig;
    rig.core.status.onPortBoxColour(wire::parsePortBoxColour("^ZQ81^1^65280^23"));
    rig.record("^ZQ66^2^0^1.1.1.2^16777215^23^255^K1ABC^65280");
    rig.core.trafficRows.lastGridRow = 2;
    rig.core.connects.watchOlderVersions.setChecked(true);
    rig.core.config.kelLatestVersion = "1.93";
    float v = 1.85f;  // an older client: light green, released
    std::int16_t s = 2;
    rig.core.recognition.kelCheck(v, s);
    rig.core.statistics.countClientVersions();
    EXPECT_EQ(rig.core.statistics.counts().kelOther, 1);
    EXPECT_EQ(rig.core.statistics.counts().kelUnknown, 0);
}

TEST(FoundByFuzzing, TheSettingsWindowIsNeverPlacedWhereItsSavedPlaceCouldNotBeRead) {
    Rig rig(false);
    Screens::moved(rig.core.connects.window, 9'999'500, 9'999'500);
    rig.core.loader.ensureSettingsLoaded();
    EXPECT_LE(rig.core.settings.window.left(), kFarthestPlace);
    ASSERT_TRUE(rig.core.config.saveConfig());
    Restarted again(rig.platform.configFile);
    EXPECT_EQ(again.core.settings.window.left(), rig.core.settings.window.left());
    EXPECT_EQ(again.core.settings.portBox.text(), "99");
}

}  // namespace
}  // namespace dx::test

namespace dx::test {
namespace {

TEST(RunawayLines, AnyLineLongerThanTwentyThousandShowsItsTwoEnds) {
    Rig rig;
    const std::string junk = std::string(15000, 'a') + std::string(15000, 'b');
    rig.batch(junk + "^ZQ61^after the junk^ZQ99");
    const std::string& text = rig.core.monitor.pane.text();
    EXPECT_NE(text.find(std::string(10000, 'a') + "-----bbbb"), std::string::npos);
    EXPECT_NE(text.find(Line("after the junk")), std::string::npos);
    EXPECT_LT(text.size(), 21000u + 200u);
}

TEST(RunawayLines, ALongTrafficLineIsCutOnceBehindItsCall) {
    Rig rig;
    rig.batch("^ZQ81^1^65280^7000^ZQ66^5^0^10.0.0.5^0^4000^0^K1ABC^0");
    const std::string payload = std::string(15000, 'a') + std::string(15000, 'b');
    rig.batch("^ZQ70^5^" + payload + "^ZQ92^(end)");
    const std::string& text = rig.core.monitor.pane.text();
    const std::string line = "[K1ABC    ] " + std::string(10000, 'a') + "-----" + std::string(10000, 'b');
    EXPECT_EQ(text.substr(text.size() - line.size() - 2), "\r\n" + line);
}

}  // namespace
}  // namespace dx::test
