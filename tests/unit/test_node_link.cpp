// Start-up, the node connection's events, the end of the program, the operator's command line
// and the receive watchdog.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/core.h"
#include "stream_support.h"

namespace dx::test {
namespace {

TEST(Startup, PlacesTheMonitorTopLeftShowsTheConnectionsWindowAndWaitsForConnect) {
    FakePlatform p;
    p.state = kSocketConnected;              // a link left open is closed first
    p.configFile = "\"RemotePort\",99\r\n";  // a file that places no window (none is a first run)
    Core core{p};
    core.monitor.window.setLeft(3000);
    core.monitor.window.setTop(2000);
    core.monitor.setAutoMode(false);
    core.link.startUp();
    EXPECT_EQ(p.closes, 1);
    EXPECT_EQ(core.monitor.window.left(), 0);
    EXPECT_EQ(core.monitor.window.top(), 0);
    EXPECT_TRUE(core.connects.window.shown());
    EXPECT_TRUE(core.monitor.autoMode());
    EXPECT_EQ(core.status.portBoxColours, (std::vector<Colour>{0, 0}));
    EXPECT_EQ(core.monitor.pane.text(), "Press Connect To Begin");
    EXPECT_TRUE(core.monitor.connectButton.visible());
    EXPECT_TRUE(p.connects.empty());
    EXPECT_TRUE(p.sent.empty());
}

TEST(Startup, AClosedLinkIsNotClosedAgain) {
    Started s;
    EXPECT_EQ(s.platform.closes, 0);
}

TEST(Startup, TheConfigurationMayPlaceTheMonitorElsewhere) {
    Started s("\"FormMonitorTop\",1200\r\n\"FormMonitorLeft\",3400\r\n");
    EXPECT_EQ(s.core.monitor.window.top(), 1200);
    EXPECT_EQ(s.core.monitor.window.left(), 3400);
}

TEST(ConnectToNode, ShowsTryingAndConnectsToTheConfiguredNodeAfterClosing) {
    Started s("\"RemoteHost\",\"10.0.0.9\"\r\n\"RemotePort\",7300\r\n");
    s.core.connects.window.setShown(false);
    s.platform.log.clear();
    s.core.link.connectToNode();
    EXPECT_EQ(s.core.monitor.pane.text(), "Trying");
    EXPECT_EQ(s.platform.log, (std::vector<std::string>{"close", "connect:10.0.0.9:7300"}));
    EXPECT_TRUE(s.core.monitor.connectButton.visible());
    EXPECT_TRUE(s.core.connects.window.shown());
}

// A new connection starts with an empty grid: every row of the last one goes, also the row made
// by the last record (beyond the last call row that record found) and rows made by traffic.
TEST(ConnectToNode, RemovesEveryRowOfTheLastConnection) {
    struct Case {
        const char* name;
        std::string sentences;
    };
    const Case cases[] = {
        {"one record: its last call row was 0", "^ZQ66^5^0^a^0^p^0^K5ABC^0"},
        {"a later record for a lower socket", "^ZQ66^5^0^a^0^p^0^K5ABC^0^ZQ66^3^0^a^0^p^0^K3ABC^0"},
        {"the last record made the highest row",
         "^ZQ81^2^255^7300^ZQ66^9^0^a^0^p^0^K9ABC^0^ZQ66^10^0^a^0^p^0^K10ABC^0"},
        {"traffic made rows beyond the records",
         "^ZQ81^2^255^7300^ZQ66^4^0^a^0^p^0^K4ABC^0^ZQ70^12^hello from twelve"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r;
        Deliver(r, c.sentences);
        ASSERT_GT(r.core.grid.highestIndex(), 0);
        const std::int32_t lastCallRow = r.core.table.lastCallRow;
        r.core.link.connectToNode();
        EXPECT_EQ(r.core.grid.highestIndex(), 0);
        EXPECT_TRUE(r.core.grid.hasRow(0));  // the design row stays
        EXPECT_EQ(r.core.table.lastCallRow, lastCallRow);

        // The next connection's records build the grid afresh.
        r.platform.state = kSocketConnected;
        r.core.link.onConnected();
        Deliver(r, "^ZQ66^6^0^10.0.0.6^0^4006^0^K6ABC^0");
        EXPECT_TRUE(r.core.grid.hasRow(6));
        EXPECT_EQ(r.core.connects.rows[6].call.text(), "K6ABC");
    }
}

TEST(ConnectToNode, WhileConnectedClosesTheLinkAndStartsANewOne) {
    Rig r;
    ASSERT_EQ(r.platform.state, kSocketConnected);
    r.core.link.connectToNode();
    EXPECT_EQ(r.platform.log, (std::vector<std::string>{"close", "connect:127.0.0.1:99"}));
    EXPECT_EQ(r.platform.state, kSocketConnecting);
}

TEST(OnConnected, WaitsTwoSecondsThenSendsExactlyBAndStartsTheWatchdog) {
    Rig r(false);
    r.core.connects.window.setBack(colours::kRed);
    r.core.link.connectToNode();
    r.platform.state = kSocketConnected;
    r.core.link.onConnected();
    EXPECT_EQ(r.platform.log,
              (std::vector<std::string>{"close", "connect:127.0.0.1:99", "sleep:2000", "send:B"}));
    EXPECT_EQ(r.platform.sent, (std::vector<std::string>{"B"}));
    EXPECT_EQ(r.core.monitor.pane.text(), "Connected\r\n");
    EXPECT_FALSE(r.core.monitor.connectButton.visible());
    ASSERT_EQ(r.platform.timers.count(TimerId::KeepAlive), 1u);
    EXPECT_EQ(r.platform.timers[TimerId::KeepAlive], 65000);
    EXPECT_TRUE(r.core.watchdog.running());
    EXPECT_EQ(r.core.connects.window.back(), colours::kButtonFace);
}

TEST(OnError, ShowsTheDescriptionClosesTheLinkAndShowsConnect) {
    for (const bool wasConnected : {false, true}) {
        SCOPED_TRACE(wasConnected ? "error on an open link" : "error while trying");
        Rig r(wasConnected);
        if (!wasConnected) r.core.link.connectToNode();
        const int closesBefore = r.platform.closes;
        r.core.link.onError("Connection is forcefully rejected");
        EXPECT_EQ(r.core.monitor.pane.text(), "Connection is forcefully rejected");
        EXPECT_EQ(r.platform.closes, closesBefore + 1);
        EXPECT_EQ(r.platform.state, kSocketClosed);
        // A link that was up and failed leaves Connect as the way back to the node.
        EXPECT_TRUE(r.core.monitor.connectButton.visible());
    }
}

TEST(OnClosedByPeer, ClosesLetsEventsRunAndShowsConnectKeepingThePane) {
    Rig r;
    Deliver(r, "^ZQ61^last words");
    const std::string pane = r.core.monitor.pane.text();
    const int events = r.platform.eventsRun;
    r.core.link.onClosedByPeer();
    EXPECT_EQ(r.platform.state, kSocketClosed);
    EXPECT_EQ(r.platform.eventsRun, events + 1);
    EXPECT_TRUE(r.core.monitor.connectButton.visible());
    EXPECT_EQ(r.core.monitor.pane.text(), pane);
}

// Counts every request to end the process.
struct CountingPlatform : FakePlatform {
    int endRequests = 0;
    int closesToFinish = 0;  // processEvents calls until a closing link reports closed
    void endProcess(int code) override {
        ++endRequests;
        FakePlatform::endProcess(code);
    }
    void socketClose() override {
        FakePlatform::socketClose();
        if (closesToFinish > 0) state = kSocketClosing;
    }
    void processEvents() override {
        FakePlatform::processEvents();
        if (state == kSocketClosing && eventsRun >= closesToFinish) state = kSocketClosed;
    }
};

TEST(EndProgram, EndsTheProcessWithCodeZeroOnlyOnce) {
    kit::StartedCore<CountingPlatform> s;
    CountingPlatform& p = s.platform;
    Core& core = s.core;
    core.link.endProgram();
    core.link.endProgram();
    ASSERT_TRUE(p.exitCode.has_value());
    EXPECT_EQ(*p.exitCode, 0);
    EXPECT_EQ(p.endRequests, 1);
}

TEST(EndProgram, ClosingTheMonitorWaitsForTheLinkToReportClosedFirst) {
    kit::StartedCore<CountingPlatform> s;
    CountingPlatform& p = s.platform;
    Core& core = s.core;
    p.state = kSocketConnected;
    p.closesToFinish = 3;
    core.link.monitorUnload();
    EXPECT_EQ(p.state, kSocketClosed);
    EXPECT_GE(p.eventsRun, 3);
    EXPECT_EQ(p.endRequests, 1);
    EXPECT_EQ(p.exitCode, 0);
}

// ---------------------------------------------------------------------------------------------
// The command line

TEST(CommandLine, EnterSendsExactlyTheTypedTextWhileConnectedAndEmptiesTheBox) {
    struct Case {
        const char* name;
        bool connected;
        std::string typed;
        std::string sentBytes;
    };
    const Case cases[] = {
        {"connected", true, "sh/dx 10", "sh/dx 10"},
        {"blanks and carets go out as typed", true, " M12^ ", " M12^ "},
        {"an empty line sends no bytes", true, "", ""},
        {"not connected: the line is dropped", false, "sh/dx 10", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r;
        if (!c.connected) r.platform.state = kSocketConnecting;
        r.core.monitor.setCommandLine(c.typed);
        EXPECT_TRUE(r.core.monitorButtons.onCommandLineKey(MonitorButtons::kEnter));
        std::string bytes;
        for (const std::string& s : r.platform.sent) bytes += s;
        EXPECT_EQ(bytes, c.sentBytes);
        EXPECT_EQ(r.core.monitor.commandLine().text(), "");
        // The line is not echoed into the pane.
        EXPECT_EQ(r.core.monitor.pane.text(), "Connected\r\n");
    }
}

TEST(CommandLine, OtherKeysAreLeftToEditing) {
    Rig r;
    r.core.monitor.setCommandLine("sh/dx");
    for (const int key : {int{'a'}, 10, 8, 27, 32}) {
        EXPECT_FALSE(r.core.monitorButtons.onCommandLineKey(key)) << "key " << key;
    }
    EXPECT_EQ(r.core.monitor.commandLine().text(), "sh/dx");
    EXPECT_TRUE(r.platform.sent.empty());
}

// ---------------------------------------------------------------------------------------------
// The receive watchdog

TEST(Watchdog, TurnsTheConnectionsWindowRedAtTheSixthSilentTickAndStops) {
    Rig r;
    for (int tick = 1; tick <= 5; ++tick) {
        r.core.watchdog.onTick();
        EXPECT_EQ(r.core.connects.window.back(), colours::kButtonFace) << "tick " << tick;
        EXPECT_EQ(r.platform.timers.count(TimerId::KeepAlive), 1u);
    }
    r.core.watchdog.onTick();
    EXPECT_EQ(r.core.connects.window.back(), colours::kRed);
    EXPECT_EQ(r.platform.timers.count(TimerId::KeepAlive), 0u);
    EXPECT_FALSE(r.core.watchdog.running());
    EXPECT_TRUE(r.platform.sent.empty());  // nothing goes to the node
}

TEST(Watchdog, RedStaysWhenDataFlowsAgainUntilTheNextConnect) {
    Rig r;
    for (int tick = 0; tick < 6; ++tick) r.core.watchdog.onTick();
    ASSERT_EQ(r.core.connects.window.back(), colours::kRed);
    Deliver(r, "^ZQ61^data again");
    EXPECT_EQ(r.core.watchdog.idleTicks, 0);
    EXPECT_EQ(r.core.connects.window.back(), colours::kRed);
    EXPECT_EQ(r.platform.timers.count(TimerId::KeepAlive), 0u);

    r.core.link.connectToNode();
    r.platform.state = kSocketConnected;
    r.core.link.onConnected();
    EXPECT_EQ(r.core.connects.window.back(), colours::kButtonFace);
    EXPECT_EQ(r.platform.timers.count(TimerId::KeepAlive), 1u);
}

TEST(Watchdog, DataEveryTickKeepsTheWindowFromTurningRed) {
    Rig r;
    for (int minute = 0; minute < 30; ++minute) {
        r.core.watchdog.onTick();
        r.arrive("^ZQ61^still here");
        ASSERT_LE(r.core.watchdog.idleTicks, 1);
    }
    EXPECT_EQ(r.core.connects.window.back(), colours::kButtonFace);
}

TEST(DxDeTimer, ArmsTheSpotRuleOnceAndStops) {
    Rig r;
    r.core.spotDelay.restart();
    EXPECT_EQ(r.platform.timers[TimerId::DxDe], 45000);
    EXPECT_FALSE(r.core.spotDelay.armed);
    r.core.spotDelay.onTick();
    EXPECT_TRUE(r.core.spotDelay.armed);
    EXPECT_EQ(r.platform.timers.count(TimerId::DxDe), 0u);
}

}  // namespace
}  // namespace dx::test
