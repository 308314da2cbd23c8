// What the tray icon shows, as the core keeps it: the link's state, the node and the users by
// the header's kinds, and the windows brought forward by a click.
#include <gtest/gtest.h>

#include <string>

#include "stream_support.h"

namespace dx::test {
namespace {

// A record of socket s, a logged-in user with call `call` (call colour: connected green).
std::string User(int s, const std::string& call) {
    return "^ZQ66^" + std::to_string(s) + "^0^10.0.0." + std::to_string(s) + "^16777215^2300" +
           std::to_string(s) + "^255^" + call + "^65280";
}

TEST(TrayStatus, TheLinksStateTheNodeAndTheUsersByKind) {
    Rig r(false);
    r.core.config.remoteHost = "dx.example.net";
    r.core.config.remotePort = 7300;
    r.core.trayStatus.refresh();
    const TrayModel& tray = r.core.tray;
    EXPECT_EQ(tray.state(), LinkState::Down);
    EXPECT_EQ(trayToolTip(tray), "dxmonitor: node dx.example.net:7300\nLink down");

    r.connect();
    Deliver(r, "^ZQ81^1^65280^7300" + User(2, "G4ABC") + User(3, "DL1XYZ") + User(4, "K1NEW") +
                   "^ZQ70^2^hello^ZQ70^3^hello^ZQ70^4^hello");
    Deliver(r, "^ZQ70^4^ZQ11^x^ZQ66^4^7^65280");  // K1NEW runs a KEL client of an older version
    r.core.trayStatus.refresh();
    EXPECT_EQ(tray.state(), LinkState::Up);
    EXPECT_EQ(tray.users(), r.core.statistics.counts());
    EXPECT_EQ(tray.users().users(), 3);
    EXPECT_EQ(
        trayToolTip(tray),
        "dxmonitor: node dx.example.net:7300\nLink up\n"
        "Users 3: Yes (KEL) 1, latest 0, older 1, unknown 0\nNo (without KEL) 0, Node 0, Unk 2, nocall 0");
    // The header says the same.
    EXPECT_EQ(r.core.connects.usersCount.text(), "3");
    EXPECT_EQ(r.core.connects.kelCount.text(), "1");

    // A refresh that finds nothing new leaves the view's stamp alone.
    const std::uint64_t stamp = tray.stamp();
    r.core.trayStatus.refresh();
    EXPECT_EQ(tray.stamp(), stamp);

    // Silent for six watchdog ticks: the connections window's red, the link kept.
    for (int tick = 0; tick < 6; ++tick) r.core.reconnect.onWatchdogTick();
    r.core.trayStatus.refresh();
    EXPECT_EQ(tray.state(), LinkState::Silent);
    EXPECT_NE(tray.stamp(), stamp);
    EXPECT_EQ(
        trayToolTip(tray),
        "dxmonitor: node dx.example.net:7300\nLink up, but the node has sent nothing for about six "
        "minutes\nLast counted: Users 3: Yes (KEL) 1, latest 0, older 1, unknown 0\nNo (without KEL) 0, "
        "Node 0, Unk 2, nocall 0");

    // The link closed by the node; a new address applied names the new node.
    r.core.reconnect.onClosedByPeer();
    r.core.config.remoteHost = "10.1.2.3";
    r.core.trayStatus.refresh();
    EXPECT_EQ(tray.state(), LinkState::Down);
    EXPECT_EQ(trayToolTip(tray), "dxmonitor: node 10.1.2.3:7300\nLink down");

    // Up again: the red is gone with the new link.
    r.connect();
    r.core.trayStatus.refresh();
    EXPECT_EQ(tray.state(), LinkState::Up);
}

TEST(TrayStatus, TheStatesColoursDiffer) {
    EXPECT_NE(trayColour(LinkState::Up), trayColour(LinkState::Down));
    EXPECT_NE(trayColour(LinkState::Up), trayColour(LinkState::Silent));
    EXPECT_NE(trayColour(LinkState::Down), trayColour(LinkState::Silent));
}

TEST(TrayStatus, AClickBringsBothMainWindowsForwardAndOutOfTheTaskbar) {
    Rig r(false);
    r.core.monitor.window.setState(WindowState::Minimized);
    r.core.connects.window.setState(WindowState::Maximized);
    const std::uint32_t monitorFront = r.core.monitor.window.frontRequests();
    const std::uint32_t connectsFront = r.core.connects.window.frontRequests();
    r.core.trayStatus.raiseWindows();
    EXPECT_EQ(r.core.monitor.window.state(), WindowState::Normal);
    EXPECT_EQ(r.core.connects.window.state(), WindowState::Maximized);  // stays as the operator made it
    EXPECT_EQ(r.core.monitor.window.frontRequests(), monitorFront + 1);
    EXPECT_EQ(r.core.connects.window.frontRequests(), connectsFront + 1);
}

}  // namespace
}  // namespace dx::test
