// The operator's commands on the three windows: Rescan, Reset Green, choosing a socket, scrolling,
// the monitor window's buttons, Reset Screens and the settings window.
#include <gtest/gtest.h>

#include "fake_platform.h"

namespace dx::test {
namespace {

// A connected core with port boxes 1..2 and user rows 3..6.
struct GridRig : Rig {
    GridRig() {
        core.status.portBoxColours = {0, rgb(0x00FF00), rgb(0xCFCFFF)};
        for (std::int32_t i = 1; i <= 6; ++i) core.grid.createRow(i);
    }
    GridRow& row(int i) { return core.grid.rowToChange(i); }
};

TEST(Rescan, WhileDisconnectedRestoresAutoAndVersionBoxButSendsNothing) {
    GridRig rig;
    rig.platform.state = kSocketClosed;
    rig.core.monitor.setAutoMode(false);
    rig.core.monitor.autoButton.setText("Manual");
    rig.core.connects.latestVersion.setBack(colours::kYellow);
    rig.core.connects.latestVersion.setTip("Needs Rescan");
    rig.core.spotDelay.armed = true;
    rig.row(3).call.setBack(rgb(0x00FF00));
    rig.row(3).setVerdict(Verdict::KelLatest);

    rig.core.connectionsCommands.rescan();

    EXPECT_TRUE(rig.core.monitor.autoMode());
    EXPECT_EQ(rig.core.monitor.autoButton.text(), "Auto");
    EXPECT_EQ(rig.core.connects.latestVersion.back(), colours::kWhite);
    EXPECT_EQ(rig.core.connects.latestVersion.tip(), "KEL latest Version");
    EXPECT_FALSE(rig.core.spotDelay.armed);
    EXPECT_TRUE(rig.core.spotDelay.running());
    EXPECT_TRUE(rig.platform.sent.empty());
    EXPECT_EQ(rig.row(3).port.back(), colours::kGreen);  // rows untouched
}

TEST(Rescan, WhileConnectedSendsOneRescanAndRewatchesRowsWithAPortColour) {
    GridRig rig;
    rig.row(3).call.setBack(rgb(0x00FF00));  // a port colour
    rig.row(3).setVerdict(Verdict::KelLatest);
    rig.row(3).setWatch(Watch::Settled);
    rig.row(3).port.setTip("1.93");
    rig.row(4).call.setBack(rgb(0xCFCFFF));  // another port colour
    rig.row(4).setVerdict(Verdict::Node);
    rig.row(5).call.setBack(rgb(0x123456));  // no port colour
    rig.row(5).setVerdict(Verdict::PlainUser);
    rig.row(5).setWatch(Watch::Settled);
    rig.row(5).port.setTip("keep");
    rig.core.grid.removeRow(6);

    rig.core.connectionsCommands.rescan();

    EXPECT_EQ(rig.platform.sent, std::vector<std::string>{"M*^"});
    for (int i : {3, 4}) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rig.row(i).port.back(), colours::kWhite);
        EXPECT_EQ(rig.row(i).port.fore(), colours::kRed);
        EXPECT_EQ(rig.row(i).port.tip(), "");
    }
    EXPECT_EQ(rig.row(5).port.back(), colours::kYellow);
    EXPECT_EQ(rig.row(5).port.fore(), colours::kBlack);
    EXPECT_EQ(rig.row(5).port.tip(), "keep");
}

TEST(ResetGreen, TouchesOnlyTheLatestKelVerdict) {
    GridRig rig;
    const Verdict before[] = {Verdict::KelLatest, Verdict::KelOlder, Verdict::PlainUser, Verdict::Node};
    for (int i = 0; i < 4; ++i) rig.row(3 + i).setVerdict(before[i]);
    rig.core.connectionsCommands.resetGreen();
    EXPECT_EQ(rig.row(3).verdict(), Verdict::KelOlder);
    for (int i = 1; i < 4; ++i) EXPECT_EQ(rig.row(3 + i).verdict(), before[i]);
    EXPECT_TRUE(rig.platform.sent.empty());
}

TEST(CallClick, ConnectedSendsTheNumberThenTheWatchCommand) {
    GridRig rig;
    rig.core.connectionsCommands.callClick(7);
    EXPECT_EQ(rig.platform.sent, (std::vector<std::string>{"7", "M7^"}));
    EXPECT_EQ(rig.core.monitor.autoButton.text(), "Manual");
    EXPECT_FALSE(rig.core.monitor.autoMode());
    EXPECT_GE(rig.platform.eventsRun, 1);

    GridRig off;
    off.platform.state = kSocketClosed;
    off.core.connectionsCommands.callClick(7);
    EXPECT_TRUE(off.platform.sent.empty());
    EXPECT_TRUE(off.core.monitor.autoMode());
}

TEST(Scroll, LeftTwiceRightOnceShiftsEveryColumnOneColumnLeft) {
    GridRig rig;
    const Twips before = rig.row(3).address.left();
    rig.core.connectionsCommands.scrollLeft();
    rig.core.connectionsCommands.scrollLeft();
    rig.core.connectionsCommands.scrollRight();
    EXPECT_EQ(rig.core.grid.scrollColumns, 1);
    EXPECT_EQ(rig.row(3).address.left(), before - 3850);
    rig.core.connectionsCommands.scrollRight();
    rig.core.connectionsCommands.scrollRight();
    EXPECT_EQ(rig.row(3).address.left(), before + 3850);  // no bound either way
}

TEST(MonitorButtons, AutoSendsOnlyWhileConnectedAndClearEmptiesThePane) {
    Rig rig;
    rig.core.monitor.setAutoMode(false);
    rig.core.monitor.autoButton.setText("Manual");
    rig.core.monitorButtons.toggleAuto();
    EXPECT_EQ(rig.platform.sent, std::vector<std::string>{"A"});
    EXPECT_EQ(rig.core.monitor.autoButton.text(), "Auto");
    EXPECT_TRUE(rig.core.monitor.autoMode());

    Rig off(false);
    off.core.monitor.setAutoMode(false);
    off.core.monitorButtons.toggleAuto();
    EXPECT_TRUE(off.platform.sent.empty());
    EXPECT_FALSE(off.core.monitor.autoMode());

    rig.core.monitorButtons.clearPane();
    EXPECT_EQ(rig.core.monitor.pane.text(), "");
}

TEST(Screens, ResetScreensRestoresMaximisedWindowsAndCreatesSettingsHidden) {
    Rig rig(false);
    rig.core.monitor.window.setState(WindowState::Maximized);
    rig.core.connects.window.setState(WindowState::Minimized);
    ASSERT_FALSE(rig.core.settings.window.loaded());

    rig.core.screens.resetScreens();

    const struct {
        const WindowModel& w;
        Rect want;
    } cases[] = {{rig.core.connects.window, {0, 0, 4000, 4000}},
                 {rig.core.monitor.window, {4000, 0, 4000, 4000}},
                 {rig.core.settings.window, {0, 4000, 4000, 2115}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.w.caption());
        EXPECT_EQ(c.w.state(), WindowState::Normal);
        EXPECT_EQ(c.w.outer(), c.want);
    }
    EXPECT_TRUE(rig.core.settings.window.loaded());
    EXPECT_FALSE(rig.core.settings.window.shown());
    EXPECT_EQ(rig.platform.writes, 0);  // nothing saved
}

TEST(Screens, MonitorResizeGivesThePaneTheRestAndIgnoresSizesItCannotTake) {
    Rig rig(false);
    rig.core.screens.monitorResized(5000, 3000);
    EXPECT_EQ(rig.core.monitor.paneBox.width(), 4620);
    EXPECT_EQ(rig.core.monitor.paneBox.height(), 2080);
    rig.core.screens.monitorResized(300, 500);
    EXPECT_EQ(rig.core.monitor.paneBox.width(), 4620);
    EXPECT_EQ(rig.core.monitor.paneBox.height(), 2080);
}

TEST(SettingsWindow, ApplyTakesTheLeadingNumberOfThePortAndSaves) {
    const struct {
        const char* typed;
        std::int32_t port;
    } cases[] = {{" 2300", 2300}, {"23abc", 23}, {"abc", 0}, {"2 3", 23}, {"22.5", 22}, {"23.5", 24}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        Rig rig(false);
        rig.core.connectionsCommands.configuration();
        rig.core.settings.hostBox.setText("node.example ");
        rig.core.settings.portBox.setText(c.typed);
        rig.core.settingsCommands.apply();
        EXPECT_EQ(rig.core.config.remotePort, c.port);
        EXPECT_EQ(rig.core.config.remoteHost, "node.example ");
        ASSERT_TRUE(rig.platform.configFile.has_value());
        EXPECT_NE(rig.platform.configFile->find("\"RemotePort\"," + std::to_string(c.port) + "\r\n"),
                  std::string::npos);
        EXPECT_TRUE(rig.core.settings.window.shown());
    }
}

TEST(SettingsWindow, OpensBesideTheConnectionsWindowAndExitKeepsTheTypedTexts) {
    Rig rig(false);
    Screens::moved(rig.core.connects.window, 300, 450);
    rig.core.connectionsCommands.configuration();
    EXPECT_EQ(rig.core.settings.window.left(), 1300);
    EXPECT_EQ(rig.core.settings.window.top(), 2450);
    EXPECT_EQ(rig.core.settings.portBox.text(), " 99");
    rig.core.settings.hostBox.setText("typed");
    rig.core.settingsCommands.exit();
    EXPECT_FALSE(rig.core.settings.window.shown());
    rig.core.connectionsCommands.configuration();
    EXPECT_TRUE(rig.core.settings.window.shown());
    EXPECT_EQ(rig.core.settings.hostBox.text(), "typed");
}

TEST(AboutBox, HasItsTitleAndFiveLines) {
    Rig rig(false);
    rig.core.connectionsCommands.about();
    ASSERT_EQ(rig.platform.abouts.size(), 1u);
    EXPECT_EQ(rig.platform.abouts[0].first, "About Monitor Program");
    const std::string& text = rig.platform.abouts[0].second;
    EXPECT_NE(text.find("\r\n\r\nVersion 1.31\r\n15 Aug 2009"), std::string::npos);
}

TEST(ConnectionsWindowClose, RemovesTheRowsAndEndsWithCodeZero) {
    GridRig rig;
    rig.core.table.lastCallRow = 6;
    rig.core.grid.removeRow(2);  // a missing index does not stop the close
    rig.core.connectionsCommands.close();
    EXPECT_EQ(rig.core.grid.highestIndex(), 0);
    EXPECT_EQ(rig.platform.exitCode, 0);
}

}  // namespace
}  // namespace dx::test
