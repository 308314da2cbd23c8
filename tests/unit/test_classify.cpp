// Traffic lines of watched sockets, far-end recognition, the KEL version check, link times,
// the release of settled sockets and the header counters.
#include <gtest/gtest.h>

#include <random>

#include "fake_platform.h"

namespace dx::test {
namespace {

// A connected core with 4 port boxes and user sockets 5..9 (white port cells, red text).
struct ClassRig : Rig {
    ClassRig() {
        for (int i = 1; i <= 4; ++i)
            core.status.onPortBoxColour(
                wire::parsePortBoxColour("^ZQ81^" + std::to_string(i) + "^65280^70" + std::to_string(i)));
        for (int s = 5; s <= 9; ++s)
            record("^ZQ66^" + std::to_string(s) + "^0^10.0.0." + std::to_string(s) +
                   "^16777215^4000^255^CALL" + std::to_string(s) + "^65280");
        platform.sent.clear();
    }
    std::string line(int socket, const std::string& payload) {
        return traffic("^ZQ70^" + std::to_string(socket) + "^" + payload);
    }
    Element& port(int s) { return row(s).port; }
};

// --- traffic lines ---

TEST(TrafficLine, BeforeAnyRecordPassesUnchangedAndClassifiesNothing) {
    Rig rig;
    EXPECT_EQ(rig.traffic("^ZQ70^5^ZQ11^x"), "^ZQ70^5^ZQ11^x");
    EXPECT_EQ(rig.core.grid.highestIndex(), 0);
}

TEST(TrafficLine, ThePrefixIsTheCallPaddedOrCutToTheFieldWidth) {
    const struct {
        const char* call;
        std::int16_t width;
        const char* prefix;
    } cases[] = {{"K1ABC", 9, "[K1ABC    ] "},
                 {"VERYLONGCALL", 9, "[VERYLONGC] "},
                 {"", 9, "[        ] "},
                 {"K1ABC", 12, "[K1ABC       ] "}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.call);
        ClassRig rig;
        rig.row(6).call.setText(c.call);
        rig.core.trafficRows.callFieldWidth = c.width;
        EXPECT_EQ(rig.line(6, "hello"), std::string(c.prefix) + "hello");
    }
}

TEST(TrafficLine, GrowsTheGridLowestRowFirstAndSetsLastGridRow) {
    ClassRig rig;
    rig.core.grid.takeTouched();
    rig.line(12, "hello");
    EXPECT_EQ(rig.core.grid.highestIndex(), 12);
    EXPECT_EQ(rig.core.trafficRows.lastGridRow, 12);
    EXPECT_EQ(wire::parseTrafficLine("^ZQ70^12^hello").socketText, "12");
    EXPECT_EQ(rig.row(10).call.tip(), "  10  ");
}

TEST(TrafficLine, TheMonitoredSocketIsClassifiedButShowsNothing) {
    ClassRig rig;
    rig.core.recognition.nodeProgram = NodeProgram::ReRidavir;
    EXPECT_EQ(rig.line(0, "ZQ11^hello"), "");
    EXPECT_EQ(rig.row(0).port.back(), colours::kLightGreen);
}

TEST(TrafficLine, WithoutACaretAfterTheSocketItPassesUnchanged) {
    ClassRig rig;
    EXPECT_EQ(rig.traffic("^ZQ70^12"), "^ZQ70^12");
    EXPECT_EQ(rig.core.grid.highestIndex(), 9);
}

TEST(TrafficLine, ARunawayLineShowsItsTwoEnds) {
    ClassRig rig;
    const std::string payload = std::string(15000, 'a') + std::string(15000, 'b');
    const std::string shown = rig.line(6, payload);
    EXPECT_EQ(shown, "[CALL6    ] " + std::string(10000, 'a') + "-----" + std::string(10000, 'b'));
    EXPECT_EQ(rig.line(6, std::string(20000, 'c')).size(), 12u + 20000u);
}

TEST(TrafficLine, UnknownUntickedStillClassifies) {
    ClassRig rig;
    rig.core.monitor.showUnknown.setChecked(false);
    rig.batch("^ZQ70^6^echo #1 hello^ZQ99");
    EXPECT_EQ(rig.port(6).back(), colours::kMagenta);
    EXPECT_EQ(rig.core.monitor.pane.text().find("echo"), std::string::npos);
}

// --- recognition ---

struct RuleCase {
    const char* name;
    int nodeType;  // 0 unknown, 1 RE Ridavir, 2 DXSpider, 3 AR-Cluster, 4 AR-Cluster passive
    bool dxDeArmed;
    const char* line;
    Colour back;    // the port cell afterwards
    bool released;  // "N6^" sent
};

class RecognitionRules : public ::testing::TestWithParam<RuleCase> {};

TEST_P(RecognitionRules, ColourTheSocketAndReleaseWhenSettled) {
    const RuleCase& c = GetParam();
    ClassRig rig;
    Recognition& r = rig.core.recognition;
    const NodeProgram programs[] = {NodeProgram::Unknown, NodeProgram::ReRidavir, NodeProgram::DxSpider,
                                    NodeProgram::ArCluster, NodeProgram::Unknown};
    r.nodeProgram = programs[c.nodeType];
    r.nodeIsArcPassive = c.nodeType == 4;
    rig.core.spotDelay.armed = c.dxDeArmed;
    rig.line(6, c.line);
    EXPECT_EQ(rig.port(6).back(), c.back);
    const bool sent =
        std::find(rig.platform.sent.begin(), rig.platform.sent.end(), "N6^") != rig.platform.sent.end();
    EXPECT_EQ(sent, c.released);
    EXPECT_EQ(rig.port(6).fore(), c.released ? colours::kBlack : colours::kRed);
}

const Colour W = colours::kWhite, LG = colours::kLightGreen, C = colours::kCyan, Y = colours::kYellow,
             M = colours::kMagenta;
INSTANTIATE_TEST_SUITE_P(
    Classify, RecognitionRules,
    ::testing::Values(RuleCase{"detect_zqc_prompt", 0, false, "K1ABC de NODE 08-Dec ZQC >", LG, true},
                      RuleCase{"detect_arc_kel", 0, false, "AR17^hello", LG, true},
                      RuleCase{"detect_arc_passive_node", 0, false, "AR1^hello", C, true},
                      RuleCase{"detect_arpc", 0, false, "DX ARPC something", LG, true},
                      RuleCase{"detect_rx", 0, false, "Rx V1.2", LG, true},
                      RuleCase{"detect_echo", 0, false, "echo #1", M, false},
                      RuleCase{"detect_zq11", 0, false, "ZQ11^abc", LG, true},
                      RuleCase{"detect_ridavir_banner", 0, false, "Welcome to RE Ridavir", W, false},
                      RuleCase{"detect_pc92_node", 0, false, "PC92^A^B", C, true},
                      RuleCase{"detect_spot_before_timer", 0, false, "DX de K1ABC: 14025.0 X", W, false},
                      RuleCase{"detect_spot_after_timer", 0, true, "DX de K1ABC: 14025.0 X", Y, true},
                      RuleCase{"zq_zq11", 1, false, "ZQ11^abc", LG, true},
                      RuleCase{"zq_keepalive_no_version", 1, false, "KeepAlive now", W, false},
                      RuleCase{"zq_ignores_arc_marker", 1, false, "AR17^x", W, false},
                      RuleCase{"zq_pc11", 1, false, "PC11^14025^X", C, true},
                      RuleCase{"arc_ar17", 3, false, "AR17^x", LG, true},
                      RuleCase{"arc_pc16", 3, false, "PC16^x", C, true},
                      RuleCase{"dxs_spider_prompt_only_tips", 2, false, " spider >", W, false},
                      RuleCase{"dxs_pc51", 2, false, "PC51^x", C, true},
                      RuleCase{"passive_keeps_detection", 4, false, "ZQ11^x", LG, true}),
    [](const ::testing::TestParamInfo<RuleCase>& i) { return std::string(i.param.name); });

TEST(Recognition, NocallTurnsRedBeforeAnyOtherRule) {
    ClassRig rig;
    rig.row(6).call.setText("nocall");
    rig.line(6, "ZQ11^x ZQC >");
    EXPECT_EQ(rig.port(6).back(), colours::kRed);
    EXPECT_EQ(rig.platform.sent, std::vector<std::string>{"N6^"});
    EXPECT_NE(rig.core.recognition.nodeProgram, NodeProgram::ReRidavir);
}

TEST(Recognition, ASettledSocketIsOnlyToldToStopAgain) {
    ClassRig rig;
    rig.row(6).setVerdict(Verdict::Node);
    rig.row(6).setWatch(Watch::Settled);
    rig.line(6, "ZQ11^x");
    EXPECT_EQ(rig.port(6).back(), colours::kCyan);
    EXPECT_EQ(rig.platform.sent, std::vector<std::string>{"N6^"});
    // Black text on white is not settled: classification goes on.
    rig.row(7).setWatch(Watch::Settled);
    rig.line(7, "echo #2");
    EXPECT_EQ(rig.port(7).back(), colours::kMagenta);
}

TEST(Recognition, TheFirstNodeTypeFoundFixesTheCaptions) {
    ClassRig rig;
    rig.line(6, "hello");
    EXPECT_EQ(rig.core.connects.window.caption(), "Connections");
    rig.line(6, "K1ABC de NODE ZQC >");
    EXPECT_EQ(rig.core.recognition.nodeProgram, NodeProgram::ReRidavir);
    EXPECT_EQ(rig.core.connects.window.caption(), "ZQC Connections");
    EXPECT_EQ(rig.core.monitor.window.caption(), "ZQC Monitor");
    rig.line(7, "K1ABC de NODE 08-Dec-2026 1200Z                dxspider >");
    EXPECT_NE(rig.core.recognition.nodeProgram, NodeProgram::DxSpider);  // the ZQ rules are chosen first
    EXPECT_EQ(rig.core.connects.window.caption(), "ZQC Connections");
}

TEST(Recognition, ALineWithBothPromptsSetsDxSpiderOnly) {
    ClassRig rig;
    rig.line(6, "x dxspider > and ZQC >");
    EXPECT_EQ(rig.core.recognition.nodeProgram, NodeProgram::DxSpider);
    EXPECT_NE(rig.core.recognition.nodeProgram, NodeProgram::ReRidavir);
    EXPECT_EQ(rig.core.monitor.window.caption(), "DXS Monitor");
    EXPECT_EQ(rig.port(6).back(), colours::kWhite);
}

TEST(Recognition, PassiveCaptionsAndKelVersionTickKeepsOlderClientsWatched) {
    ClassRig rig;
    rig.line(6, "AR1^x");
    EXPECT_EQ(rig.core.connects.window.caption(), "ARC Passive Connections");
    rig.core.connects.watchOlderVersions.setChecked(true);
    rig.line(7, "ZQ11^x");
    EXPECT_EQ(rig.port(7).back(), colours::kLightGreen);
    EXPECT_EQ(rig.port(7).fore(), colours::kRed);
}

TEST(Recognition, DxSpiderPromptCarriesTheClientVersion) {
    ClassRig rig;
    rig.core.recognition.nodeProgram = NodeProgram::DxSpider;
    rig.core.config.kelLatestVersion = "1.93";
    rig.row(6).setVerdict(Verdict::KelOlder);
    // "  dxspider >" at position 38 or later, the version in the 8 characters from 6 before it.
    const std::string prompt = std::string(32, 'x') + "  1.93  dxspider >";
    rig.line(6, prompt);
    EXPECT_EQ(rig.port(6).tip(), "1.93");
    EXPECT_EQ(rig.port(6).back(), colours::kGreen);
    EXPECT_EQ(rig.port(6).fore(), colours::kBlack);
}

// --- the KEL version check ---

TEST(KelCheck, VersionsAgainstTheLatestKnown) {
    const struct {
        float reported;
        const char* latestAfter;
        Colour back;
        bool raised;
    } cases[] = {{1.93f, "1.93", colours::kGreen, true},
                 {1.9304f, "1.93", colours::kGreen, true},
                 {1.9004f, "1.9", colours::kGreen, false},
                 {1.85f, "1.9", colours::kLightGreen, false},
                 {2.9f, "1.9", colours::kGreen, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reported);
        ClassRig rig;
        rig.core.config.kelLatestVersion = "1.9";
        float v = c.reported;
        std::int16_t s = 6;
        rig.core.recognition.kelCheck(v, s);
        EXPECT_EQ(rig.core.config.kelLatestVersion, c.latestAfter);
        EXPECT_EQ(rig.port(6).back(), c.back);
        EXPECT_EQ(rig.port(6).fore(), colours::kBlack);
        EXPECT_EQ(rig.core.connects.latestVersion.back() == colours::kYellow, c.raised);
        if (c.raised) {
            EXPECT_EQ(rig.core.connects.latestVersion.tip(), "Needs Rescan");
            EXPECT_EQ(rig.core.connects.latestVersion.text(), c.latestAfter);
            ASSERT_TRUE(rig.platform.configFile.has_value());
            EXPECT_NE(
                rig.platform.configFile->find("\"KelLatestVersion\",\"" + std::string(c.latestAfter) + "\""),
                std::string::npos);
        } else {
            EXPECT_EQ(rig.platform.writes, 0);
        }
    }
}

TEST(KelCheck, TheTooltipHoldsTheReportedVersionAndZeroDoesNothing) {
    ClassRig rig;
    rig.core.config.kelLatestVersion = "1.93";
    float v = 1.85f;
    std::int16_t s = 6;
    rig.core.recognition.kelCheck(v, s);
    EXPECT_EQ(rig.port(6).tip(), "1.85");
    float zero = 0;
    std::int16_t s7 = 7;
    rig.core.recognition.kelCheck(zero, s7);
    EXPECT_EQ(rig.port(7).back(), colours::kWhite);
    EXPECT_TRUE(std::find(rig.platform.sent.begin(), rig.platform.sent.end(), "N7^") ==
                rig.platform.sent.end());
}

TEST(KelCheck, OnADxSpiderNodeTheVersionComesFromTheTooltip) {
    ClassRig rig;
    rig.core.recognition.nodeProgram = NodeProgram::DxSpider;
    rig.core.config.kelLatestVersion = "1.93";
    rig.port(6).setTip("1.85");
    float v = 5.0f;
    std::int16_t s = 6;
    rig.core.recognition.kelCheck(v, s);
    EXPECT_EQ(rig.port(6).tip(), "1.85");
    EXPECT_EQ(rig.port(6).back(), colours::kLightGreen);
}

TEST(KelCheck, KeepAliveOnARidavirNodeEndsWithItsVersion) {
    ClassRig rig;
    rig.core.recognition.nodeProgram = NodeProgram::ReRidavir;
    rig.core.config.kelLatestVersion = "1.9";
    rig.line(6, "KeepAlive K1ABC V1.93 ok");
    EXPECT_EQ(rig.core.config.kelLatestVersion, "1.93");
    EXPECT_EQ(rig.port(6).back(), colours::kGreen);
    EXPECT_EQ(rig.port(6).tip(), "1.93");
    // The version after the V is read whole, however many characters it has.
    rig.line(7, "KeepAlive K1ABC V1.93456");
    EXPECT_EQ(rig.port(7).tip(), "1.93456");
}

// --- link times ---

TEST(LinkTime, ShowsTheFieldPaddedOrCutToSevenCharacters) {
    const struct {
        const char* data;
        const char* shown;
        const char* left;
    } cases[] = {{"1.5", "1.50000", ""},
                 {"12.25^more", "12.2500", "^more"},
                 {"123456789", "1234567", ""},
                 {"^7.5^x", "^7.5000", "^x"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.data);
        Rig rig;
        const std::string sentence = std::string("^ZQ65^") + c.data;
        const wire::LinkTime time = wire::parseLinkTime(sentence);
        EXPECT_EQ(rig.core.traffic.onLinkTime(time).kind(), wire::Outcome::Kind::Nothing);
        EXPECT_EQ(rig.core.connects.linkTime.text(), c.shown);
        EXPECT_EQ(std::string(time.time) + c.left, c.data);
    }
}

// --- release ---

TEST(Release, AWhiteSocketIsNotReleased) {
    ClassRig rig;
    rig.core.release.releaseSocketWatch("6");
    EXPECT_TRUE(rig.platform.sent.empty());
    EXPECT_EQ(rig.port(6).fore(), colours::kRed);
}

TEST(Release, FirstReleaseSettlesLaterOnesOnlyRepeatTheStop) {
    ClassRig rig;
    rig.row(6).setVerdict(Verdict::Node);
    rig.core.release.releaseSocketWatch("6");
    rig.core.release.releaseSocketWatch("6");
    EXPECT_EQ(rig.platform.sent, (std::vector<std::string>{"N6^", "N6^"}));
    EXPECT_EQ(rig.port(6).fore(), colours::kBlack);
}

TEST(Release, TheMonitoredSocketSendsNothingButSettles) {
    ClassRig rig;
    rig.row(0).setVerdict(Verdict::KelLatest);
    rig.core.release.releaseSocketWatch("0");
    EXPECT_TRUE(rig.platform.sent.empty());
    EXPECT_EQ(rig.row(0).port.fore(), colours::kBlack);
    // New rows still start from the template as designed.
    rig.core.grid.createRow(10);
    EXPECT_EQ(rig.row(10).port.fore(), colours::kRed);
    EXPECT_EQ(rig.row(10).port.back(), colours::kWhite);
}

TEST(Release, TheMonitorHeaderFollowsOnlyAnExactlyMatchingSocketText) {
    for (const char* shown : {"6", "06", " 6"}) {
        SCOPED_TRACE(shown);
        ClassRig rig;
        rig.row(6).setVerdict(Verdict::PlainUser);
        rig.core.monitor.setCommandLine(shown);
        rig.core.release.releaseSocketWatch("6");
        const bool follows = std::string(shown) == "6";
        const MonitorModel& m = rig.core.monitor;
        EXPECT_EQ(m.shownCall.back() == colours::kGreen, follows);
        EXPECT_EQ(m.shownAddress.text() == "10.0.0.6", follows);
        EXPECT_EQ(m.shownPort.text() == "4000", follows);
        EXPECT_EQ(m.shownCall.text() == "CALL6", follows);
    }
}

// --- counters ---

TEST(Counters, AMixedGridCountsByVerdict) {
    ClassRig rig;
    for (int s = 10; s <= 13; ++s)
        rig.record("^ZQ66^" + std::to_string(s) + "^0^1.1.1.1^16777215^1^255^C" + std::to_string(s) +
                   "^65280");
    rig.core.trafficRows.lastGridRow = 13;
    rig.core.connects.watchOlderVersions.setChecked(true);
    rig.row(5).setVerdict(Verdict::KelLatest);
    rig.row(6).setVerdict(Verdict::KelLatest);
    rig.row(7).setVerdict(Verdict::KelOlder);
    rig.row(7).setWatch(Watch::Settled);
    rig.row(8).setVerdict(Verdict::KelOlder);
    rig.row(8).setWatch(Watch::Settled);
    rig.row(9).setVerdict(Verdict::KelOlder);  // red text: version not yet known
    rig.row(10).setVerdict(Verdict::NoCall);   // nocall: not in the total
    rig.row(11).setVerdict(Verdict::Node);
    rig.row(12).setVerdict(Verdict::PlainUser);
    rig.row(13).call.setBack(colours::kWhite);  // not connected: not counted at all
    rig.row(13).setVerdict(Verdict::KelLatest);
    rig.core.statistics.countClientVersions();
    const ConnectionsModel& c = rig.core.connects;
    EXPECT_EQ(c.kelCount.text(), "5");
    EXPECT_EQ(c.kelCount.tip(),
              "Latest Version users = 2  Older version users = 2   Unknown version users = 1 ");
    EXPECT_EQ(c.plainUserCount.text(), "1");
    EXPECT_EQ(c.nodeCount.text(), "1");
    EXPECT_EQ(c.noCallCount.text(), "1");
    EXPECT_EQ(c.unclassifiedCount.text(), "0");
    EXPECT_EQ(c.usersCount.text(), "7");
    rig.core.connects.watchOlderVersions.setChecked(false);
    rig.core.statistics.countClientVersions();
    EXPECT_EQ(c.kelCount.tip(), "Connected sockets using KEL  ");
}

TEST(Counters, RowsBeyondLastGridRowAreNotCounted) {
    ClassRig rig;
    rig.core.statistics.countClientVersions();
    EXPECT_EQ(rig.core.connects.usersCount.text(), "0");
    rig.core.trafficRows.lastGridRow = 9;
    rig.core.statistics.countClientVersions();
    EXPECT_EQ(rig.core.connects.usersCount.text(), "5");
    EXPECT_EQ(rig.core.connects.unclassifiedCount.text(), "5");
}

TEST(Counters, TheCallFieldWidensToTheLongestCallUpToTwelve) {
    const struct {
        std::vector<std::string> calls;
        std::int16_t width;
    } cases[] = {{{"ABCDEFGHIJ", "ABCDEFGHIJKL"}, 12},
                 {{"ABCDEFGHIJ"}, 10},
                 {{"ABCDEFGHIJKLMN"}, 11},
                 {{"ABCDEFGHIJKLMN", "ABCDEFGHIJKL"}, 12},
                 {{"ABCDEFGHIJKL", "ABCDEFGHIJKLMN"}, 12}};
    for (const auto& c : cases) {
        ClassRig rig;
        rig.core.trafficRows.lastGridRow = 9;
        for (std::size_t i = 0; i < c.calls.size(); ++i) {
            rig.row(5 + static_cast<int>(i)).call.setText(c.calls[i]);
            rig.core.statistics.countClientVersions();
        }
        EXPECT_EQ(rig.core.trafficRows.callFieldWidth, c.width);
    }
}

TEST(Counters, TheMonitorPortBoxFollowsTheShownRow) {
    ClassRig rig;
    rig.core.trafficRows.lastGridRow = 9;
    rig.row(7).setVerdict(Verdict::Node);
    rig.core.monitor.setCommandLine("7");
    rig.core.statistics.countClientVersions();
    EXPECT_EQ(rig.core.monitor.shownPort.back(), colours::kCyan);
}

// The shown socket is whatever the box holds, typed or not: the counters follow the row its
// leading whole number names, a release only a socket text it holds exactly.
TEST(Counters, TheShownRowIsTheLeadingWholeNumberOfWhatTheBoxHolds) {
    const struct {
        const char* box;
        std::optional<std::int32_t> row;
    } cases[] = {{"7", 7},
                 {" 7", 7},
                 {"07", 7},
                 {"7 sh/dx", 7},
                 {"7.0", 7},
                 {"7.5", std::nullopt},
                 {"0", std::nullopt},
                 {"-7", std::nullopt},
                 {"", std::nullopt},
                 {"sh/dx 7", std::nullopt},
                 {"99999999999", std::nullopt}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.box);
        ClassRig rig;
        rig.core.trafficRows.lastGridRow = 9;
        rig.row(7).setVerdict(Verdict::Node);
        rig.core.monitor.setCommandLine(c.box);
        EXPECT_EQ(rig.core.monitor.shownSocket().row(), c.row);
        EXPECT_EQ(rig.core.monitor.shownSocket().is("7"), std::string(c.box) == "7");
        rig.core.statistics.countClientVersions();
        EXPECT_EQ(rig.core.monitor.shownPort.back() == colours::kCyan, c.row.has_value());
    }
}

// A row is one kind of user by the node's mark on its call and its verdict; the header counts it
// so once its count reaches the row.
TEST(Counters, EachRowIsCountedAsOneKindOfUser) {
    const struct {
        Colour call;
        Verdict verdict;
        Watch watch;
        UserKind kind;
    } cases[] = {{rgb(0x00FF00), Verdict::NoCall, Watch::Settled, UserKind::NoCall},
                 {rgb(0xCFCFFF), Verdict::Node, Watch::Settled, UserKind::Node},
                 {rgb(0x00FFFF), Verdict::KelLatest, Watch::Settled, UserKind::KelLatest},
                 {rgb(0xFFCFFF), Verdict::PlainUser, Watch::Settled, UserKind::NonKel},
                 {rgb(0xFF00FF), Verdict::KelOlder, Watch::Settled, UserKind::KelOther},
                 {rgb(0x00FF00), Verdict::KelOlder, Watch::Watched, UserKind::KelUnknown},
                 {rgb(0x00FF00), Verdict::Script, Watch::Settled, UserKind::Unclassified},
                 {rgb(0x00FF00), Verdict::Unclassified, Watch::Watched, UserKind::Unclassified},
                 {colours::kWhite, Verdict::KelLatest, Watch::Settled, UserKind::None},
                 {rgb(0xFFDBD7), Verdict::Node, Watch::Settled, UserKind::None}};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const auto& c = cases[i];
        ClassRig rig;
        rig.row(6).call.setBack(c.call);
        rig.row(6).setVerdict(c.verdict);
        rig.row(6).setWatch(c.watch);
        EXPECT_EQ(rig.row(6).userKind(), c.kind);
        rig.core.statistics.countClientVersions();
        EXPECT_EQ(rig.core.statistics.countedAs(6), UserKind::None);  // beyond the rows counted
        rig.core.trafficRows.lastGridRow = 9;
        rig.core.statistics.countClientVersions();
        EXPECT_EQ(rig.core.statistics.countedAs(6), c.kind);
    }
}

// Counting only what changed must end exactly where a walk over every row ends, whatever the
// stream of records, traffic and commands.
TEST(Counters, KeptRowByRowTheyEqualAWalkOverEveryRow) {
    std::mt19937 rng(20261208);
    ClassRig kept;
    ClassRig walked;
    walked.core.statistics.walkEveryRow = true;
    const char* calls[] = {"",           "K1A",          "nocall",          "LockedOut",
                           "ABCDEFGHIJ", "ABCDEFGHIJKL", "ABCDEFGHIJKLMNO", "W1AW/P"};
    const char* lines[] = {"ZQ11^x", "AR1^x",           "PC92^x", "DX de X",
                           "echo #", "KeepAlive V1.93", "hello",  " ZQC >"};
    const Colour callColours[] = {65280, rgb(0xCFCFFF), rgb(0xFFCFFF), 16777215, 14146559, 0};
    for (int step = 0; step < 4000; ++step) {
        const int s = 5 + static_cast<int>(rng() % 60);
        std::string sentence;
        switch (rng() % 6) {
            case 0:
                sentence = "^ZQ66^" + std::to_string(s) + "^0^1.1.1.1^" +
                           std::to_string(rng() % 2 ? 65535 : 16777215) + "^23^255^" + calls[rng() % 8] +
                           "^" + std::to_string(callColours[rng() % 6]);
                break;
            case 1:
                sentence = "^ZQ66^" + std::to_string(s) + "^6^" + calls[rng() % 8];
                break;
            case 2:
                sentence = "^ZQ66^" + std::to_string(s) + "^3^" + std::to_string(rng() % 2 ? 65535 : 255);
                break;
            case 3:
                sentence = "^ZQ66^" + std::to_string(s) + "^7^" + std::to_string(callColours[rng() % 6]);
                break;
            default:
                sentence = "^ZQ70^" + std::to_string(s) + "^" + lines[rng() % 8];
                break;
        }
        const int extra = static_cast<int>(rng() % 40);
        for (ClassRig* rig : {&kept, &walked}) {
            rig->core.spotDelay.armed = step > 1000;
            rig->core.connects.watchOlderVersions.setChecked(step % 700 < 350);
            if (sentence[4] == '6')
                rig->record(sentence);
            else
                rig->traffic(sentence);
            if (extra == 0) rig->core.connectionsCommands.rescan();
            if (extra == 1) rig->core.connectionsCommands.resetGreen();
            if (extra == 2) rig->core.statistics.countClientVersions();
        }
        ASSERT_EQ(kept.core.statistics.counts(), walked.core.statistics.counts()) << "step " << step;
        ASSERT_EQ(kept.core.trafficRows.callFieldWidth, walked.core.trafficRows.callFieldWidth)
            << "step " << step;
        ASSERT_EQ(kept.core.connects.kelCount.tip(), walked.core.connects.kelCount.tip()) << "step " << step;
        ASSERT_EQ(kept.core.connects.usersCount.text(), walked.core.connects.usersCount.text())
            << "step " << step;
    }
}

}  // namespace
}  // namespace dx::test
