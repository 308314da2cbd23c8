#include <gtest/gtest.h>

#include "fake_platform.h"

namespace dx::test {
namespace {
// A program started with a first wait of 5 s whose link is up.
struct Linked : Rig {
    explicit Linked(int firstWait) {
        core.reconnect.setFirstWait(firstWait);
        core.reconnect.onConnected();
    }
    int tryTimer() const {
        const auto t = platform.timers.find(TimerId::Reconnect);
        return t == platform.timers.end() ? 0 : t->second;
    }
    // The planned try is due: it connects, and the node refuses it.
    void tryRefused() {
        core.reconnect.onTryDue();
        core.reconnect.onError("Connection refused");
    }
};
}  // namespace

TEST(Reconnect, EachFailedTryDoublesTheWaitUpToTenTimesTheFirstAndAMinuteUpStartsAgain) {
    Linked r(5);
    EXPECT_EQ(r.platform.timers.at(TimerId::LinkSteady), 60000);
    r.platform.state = kSocketClosed;
    r.core.reconnect.onClosedByPeer();
    // The close's error is the same loss: one try is planned.
    r.core.reconnect.onError("The remote host closed the connection");
    EXPECT_EQ(r.tryTimer(), 5000);
    EXPECT_FALSE(r.platform.timers.contains(TimerId::LinkSteady));
    EXPECT_NE(
        r.core.monitor.pane.text().find("*** The link to the node is down: the next try is in 5 seconds."),
        std::string::npos);
    EXPECT_EQ(r.core.monitor.pane.colourAt(r.core.monitor.pane.size() - 1), colours::kRed);

    const std::size_t before = r.platform.connects.size();
    std::vector<int> waits;
    for (int i = 0; i < 5; ++i) {
        r.tryRefused();
        waits.push_back(r.tryTimer());
    }
    EXPECT_EQ(r.platform.connects.size(), before + 5);
    EXPECT_EQ(waits, (std::vector<int>{10000, 20000, 40000, 50000, 50000}));

    // A try that holds for a minute brings the wait back to the first.
    r.core.reconnect.onTryDue();
    r.platform.state = kSocketConnected;
    r.core.reconnect.onConnected();
    r.core.reconnect.onSteady();
    r.core.reconnect.onClosedByPeer();
    EXPECT_EQ(r.tryTimer(), 5000);
}

TEST(Reconnect, ConnectMeanwhileTriesAtOnceWithTheSettingsOfNowAndWithoutTheOptionNothingIsPlanned) {
    Linked r(30);
    ASSERT_FALSE(r.core.monitor.connectButton.visible());
    r.core.reconnect.onError("Network unreachable");  // a link lost without the node's close
    EXPECT_TRUE(r.core.monitor.connectButton.visible());
    r.core.config.remoteHost = "node.example";
    r.core.reconnect.connectNow();
    EXPECT_FALSE(r.platform.timers.contains(TimerId::Reconnect));
    ASSERT_FALSE(r.platform.connects.empty());
    EXPECT_EQ(r.platform.connects.back().first, "node.example");
    r.core.reconnect.onTryDue();  // a tick already on its way connects no second time
    EXPECT_EQ(r.platform.connects.size(), 2u);

    Linked never(0);
    never.core.reconnect.onClosedByPeer();
    never.core.reconnect.onError("Connection refused");
    EXPECT_FALSE(never.platform.timers.contains(TimerId::Reconnect));
    EXPECT_EQ(never.core.monitor.pane.text().find("***"), std::string::npos);
}

// A host that vanished, or a node that took the link and never sent: the watchdog's red gives the
// link up when a try can follow, and only then.
TEST(Reconnect, TheWatchdogsRedEndsTheLinkAndPlansATryOnlyWithTheOption) {
    const std::string why = "*** The node has sent nothing for about six minutes: the link is closed.";
    Linked r(30);
    for (int tick = 0; tick < 5; ++tick) r.core.reconnect.onWatchdogTick();
    ASSERT_EQ(r.platform.state, kSocketConnected);
    r.core.reconnect.onWatchdogTick();
    EXPECT_EQ(r.core.connects.window.back(), colours::kRed);
    EXPECT_EQ(r.platform.state, kSocketClosed);
    EXPECT_EQ(r.tryTimer(), 30000);
    EXPECT_TRUE(r.core.monitor.connectButton.visible());
    const std::string& pane = r.core.monitor.pane.text();
    const std::size_t at = pane.find(why);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(r.core.monitor.pane.colourAt(at), colours::kRed);

    // The new link is given the watchdog's whole time, whatever the last one's silence.
    r.core.reconnect.onTryDue();
    r.platform.state = kSocketConnected;
    r.core.reconnect.onConnected();
    for (int tick = 0; tick < 5; ++tick) r.core.reconnect.onWatchdogTick();
    EXPECT_EQ(r.core.connects.window.back(), colours::kButtonFace);

    // Red while a try waits gives up nothing more: the planned try stands.
    Linked lost(30);
    lost.core.reconnect.onError("Network unreachable");
    const int closes = lost.platform.closes;
    for (int tick = 0; tick < 6; ++tick) lost.core.reconnect.onWatchdogTick();
    EXPECT_EQ(lost.platform.closes, closes);
    EXPECT_EQ(lost.core.monitor.pane.text().find(why), std::string::npos);
    EXPECT_EQ(lost.tryTimer(), 30000);

    // Without the option the red only colours the window; the link stays as it is.
    Linked never(0);
    for (int tick = 0; tick < 6; ++tick) never.core.reconnect.onWatchdogTick();
    EXPECT_EQ(never.core.connects.window.back(), colours::kRed);
    EXPECT_EQ(never.platform.state, kSocketConnected);
    EXPECT_FALSE(never.core.monitor.connectButton.visible());
    EXPECT_FALSE(never.platform.timers.contains(TimerId::Reconnect));
    EXPECT_EQ(never.core.monitor.pane.text(), "Connected\r\n");
}

}  // namespace dx::test
