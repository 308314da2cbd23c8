// What the operator is told while not looking: watched calls coming and going (pane lines and
// the desktop's notifications with their five-minute rule), the link lost and back, and the
// settings behind them.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "stream_support.h"

namespace dx::test {
namespace {

using std::chrono::minutes;
using std::chrono::seconds;
using Kind = DesktopNotice::Kind;

// A record of socket s: a user with call `call`, on the node (connected green) or not yet.
std::string User(int s, const std::string& call, bool on = true) {
    return "^ZQ66^" + std::to_string(s) + "^0^10.0.0." + std::to_string(s) + "^16777215^2300" +
           std::to_string(s) + "^255^" + call + "^" + (on ? "65280" : "16777215");
}
std::string Leaves(int s) {
    return "^ZQ66^" + std::to_string(s) + "^7^16777215";
}

// A program started with a watch list from its settings file, and its link up.
struct Watching : Rig {
    explicit Watching(std::vector<std::string> calls, bool desktop = true) : Rig(false) {
        platform.alertSettingsFile = AlertSettings{std::move(calls), desktop};
        core.watchSettings.load();
        connect();
    }
    // The watched calls' lines in the pane from `from` on.
    std::vector<std::string> linesFrom(std::size_t from) const {
        std::vector<std::string> lines;
        for (const Segment& s : SegmentsFrom(core.monitor.pane, from)) {
            if (s.colour != WatchedCalls::kColour) continue;
            for (std::size_t at = 0; at < s.text.size();) {
                const std::size_t next = s.text.find("\r\n", at + 2);
                lines.push_back(s.text.substr(at + 2, next - at - 2));
                at = next == std::string::npos ? s.text.size() : next;
            }
        }
        return lines;
    }
};

TEST(WatchedCalls, TheOpeningsWatchedUsersAreNamedInOneLineAndThoseWhoComeAndGoEachInTheirOwn) {
    Watching w({"G4ABC", "DL*"});
    const std::size_t start = w.core.monitor.pane.size();
    Deliver(w, "^ZQ81^1^65280^7300" + User(2, "G4ABC") + User(3, "DL1XYZ") + User(5, "K1OTHER"));
    // Traffic: the counters reach the opening's users, and the node is known by its prompt.
    Deliver(w, "^ZQ70^5^K1OTHER de GB7RDX 08-Dec-2026 0900Z ZQC >");
    w.platform.now += minutes(10);
    Deliver(w, User(4, "G4ABC-2", false) + "^ZQ70^4^KeepAlive 0900Z 3 V1.93");
    Deliver(w, "^ZQ66^4^7^65280");  // logged in, its KEL version already known
    w.platform.now += minutes(134) + seconds(20);
    Deliver(w, Leaves(4) + Leaves(2) + Leaves(5));
    EXPECT_EQ(w.linesFrom(start), (std::vector<std::string>{
                                      "*** Watched calls already on the node: G4ABC, DL1XYZ",
                                      "*** G4ABC-2 connected from 10.0.0.4:23004, KEL 1.93",
                                      "*** G4ABC-2 left after 2 h 14 min",
                                      "*** G4ABC left after at least 2 h 24 min",
                                  }));
    ASSERT_EQ(w.platform.notices.size(), 3u);  // the users of the opening are told when they leave
    EXPECT_EQ(w.platform.notices[0],
              (DesktopNotice{Kind::WatchedArrived, "G4ABC-2 connected",
                             "G4ABC-2 connected to 127.0.0.1:99 from 10.0.0.4:23004, KEL 1.93"}));
    EXPECT_EQ(w.platform.notices[1], (DesktopNotice{Kind::WatchedLeft, "G4ABC-2 left",
                                                    "G4ABC-2 left 127.0.0.1:99 after 2 h 14 min"}));
}

TEST(WatchedCalls, AListAppliedWhileTheLinkIsUpKnowsNotHowLongItsUsersHaveBeenThere) {
    Rig r;  // the link came up before there was a list
    Deliver(r, "^ZQ81^1^65280^7300" + User(2, "G4ABC"));
    r.platform.alertSettingsFile = AlertSettings{{"G4ABC"}, true};
    r.core.watchSettings.load();
    Deliver(r, "^ZQ70^2^hello" + User(3, "K1OTHER"));  // counted: G4ABC was there at the opening
    r.platform.now += minutes(30);
    const std::size_t start = r.core.monitor.pane.size();
    Deliver(r, Leaves(2));
    const std::string shown = r.core.monitor.pane.text().substr(start);
    EXPECT_TRUE(shown.ends_with("\r\n*** G4ABC left")) << shown;
}

TEST(WatchedCalls, TheDesktopHearsOfACallAtMostOnceAWayInFiveMinutesAndNotAtAllWhenTurnedOff) {
    for (const bool desktop : {true, false}) {
        Watching w({"G4ABC"}, desktop);
        Deliver(w, "^ZQ81^1^65280^7300" + User(3, "K1OTHER") + "^ZQ70^3^hi");
        const std::size_t start = w.core.monitor.pane.size();
        // A client that reconnects every minute for eleven minutes.
        for (int minute = 0; minute <= 10; ++minute) {
            Deliver(w, User(2, "g4abc-1") + "^ZQ70^2^hi");
            w.platform.now += seconds(30);
            Deliver(w, Leaves(2));
            w.platform.now += seconds(30);
        }
        EXPECT_EQ(w.linesFrom(start).size(), 22u);
        std::vector<Kind> kinds;
        for (const DesktopNotice& n : w.platform.notices) kinds.push_back(n.kind);
        if (desktop)
            EXPECT_EQ(kinds, (std::vector<Kind>{Kind::WatchedArrived, Kind::WatchedLeft, Kind::WatchedArrived,
                                                Kind::WatchedLeft, Kind::WatchedArrived, Kind::WatchedLeft}));
        else
            EXPECT_TRUE(kinds.empty());
    }
}

// The link lost in each way and tried again: one notification down, none while the tries fail,
// one when it is back.
TEST(LinkAlerts, ALostLinkIsToldOnceAndItsReturnOnce) {
    struct Way {
        const char* name;
        int firstWait;
        std::function<void(Rig&)> lose;
        const char* body;
    };
    const auto silence = [](Rig& r) {
        for (int tick = 0; tick < 6; ++tick) r.core.reconnect.onWatchdogTick();
    };
    const Way ways[] = {
        {"closed", 30, [](Rig& r) { r.core.reconnect.onClosedByPeer(); },
         "The node closed the link. The next try is in 30 seconds."},
        {"dead link", 30, [](Rig& r) { r.core.reconnect.onError("Connection timed out"); },
         "Connection timed out. The next try is in 30 seconds."},
        {"silence", 1, silence,
         "The node has sent nothing for about six minutes. The next try is in 1 second."},
        {"silence kept open", 0, silence, "The node has sent nothing for about six minutes."},
        {"closed without tries", 0, [](Rig& r) { r.core.reconnect.onClosedByPeer(); },
         "The node closed the link."},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        Rig r(false);
        r.core.reconnect.setFirstWait(way.firstWait);
        const auto up = [&r] {
            r.core.reconnect.connectNow();
            r.platform.state = kSocketConnected;
            r.core.reconnect.onConnected();
        };
        up();
        way.lose(r);
        for (int i = 0; i < 3; ++i) {
            r.core.reconnect.onTryDue();
            r.core.reconnect.onError("Connection refused");
        }
        r.platform.now += minutes(3);
        r.core.reconnect.onTryDue();
        r.platform.state = kSocketConnected;
        r.core.reconnect.onConnected();
        ASSERT_EQ(r.platform.notices.size(), 2u);
        EXPECT_EQ(r.platform.notices[0],
                  (DesktopNotice{Kind::LinkDown, "Link to 127.0.0.1:99 down", way.body}));
        EXPECT_EQ(r.platform.notices[1], (DesktopNotice{Kind::LinkUp, "Link to 127.0.0.1:99 up again",
                                                        "The link was down for 3 min."}));
        // Connect pressed while the link is up, and the node refusing: the operator is looking.
        r.core.reconnect.connectNow();
        r.core.reconnect.onError("Connection refused");
        EXPECT_EQ(r.platform.notices.size(), 2u);
    }

    // A loss while the desktop's notices were off has no "up again" once they are on.
    Rig r(false);
    r.core.alertSettings.desktopNotices = false;
    r.connect();
    r.core.reconnect.onClosedByPeer();
    r.core.alertSettings.desktopNotices = true;
    r.core.reconnect.connectNow();
    r.platform.state = kSocketConnected;
    r.core.reconnect.onConnected();
    EXPECT_TRUE(r.platform.notices.empty());
}

// Without tries the silent link is kept open: the node sending again on it is the link back, for
// the desktop and the tray alike, while the connections window stays red until the next link.
TEST(LinkAlerts, ASilentLinkKeptOpenIsBackWhenTheNodeSendsAgain) {
    Rig r(false);
    r.core.reconnect.connectNow();
    r.platform.state = kSocketConnected;
    r.core.reconnect.onConnected();
    for (int tick = 0; tick < 6; ++tick) r.core.reconnect.onWatchdogTick();
    r.platform.now += minutes(14);
    Deliver(r, "^ZQ61^data again");
    Deliver(r, "^ZQ61^and more");
    ASSERT_EQ(r.platform.notices.size(), 2u);
    EXPECT_EQ(r.platform.notices[1],
              (DesktopNotice{Kind::LinkUp, "Link to 127.0.0.1:99 up again",
                             "The node sends again; it was found silent 14 min ago."}));
    r.core.trayStatus.refresh();
    EXPECT_EQ(r.core.tray.state(), LinkState::Up);
    EXPECT_EQ(r.core.connects.window.back(), colours::kRed);
    // Back, the link's next loss is told.
    r.core.reconnect.onClosedByPeer();
    ASSERT_EQ(r.platform.notices.size(), 3u);
    EXPECT_EQ(r.platform.notices[2].kind, Kind::LinkDown);
}

TEST(WatchSettings, ReadAtStartAppliedAndSavedFromTheWindowAndAFailedSaveSaid) {
    Rig r(false);
    r.platform.alertSettingsFile = AlertSettings{{"G4ABC, DL*", "G4 ABC"}, false};
    r.core.watchSettings.load();
    EXPECT_EQ(r.core.alertSettings, (AlertSettings{{"G4ABC", "DL*"}, false}));
    EXPECT_NE(r.core.monitor.pane.text().find(
                  "*** dxmonitor.ini: left out of the watch list, not calls or patterns: G4 ABC"),
              std::string::npos);

    WatchSettings& s = r.core.watchSettings;
    WatchListModel& window = r.core.watchListWindow;
    s.open();
    EXPECT_EQ(window.patterns, "G4ABC\nDL*");
    s.edited("K1ABC\n*/P\nF5?X");
    EXPECT_FALSE(s.apply());  // nothing applied, nothing saved
    EXPECT_TRUE(window.messageIsFailure);
    EXPECT_EQ(r.platform.alertSettingsWrites, 0);
    s.edited("K1ABC\n*/P");
    s.desktopTicked(true);
    s.ok();
    EXPECT_FALSE(window.shown);
    EXPECT_EQ(r.platform.alertSettingsFile, (AlertSettings{{"K1ABC", "*/P"}, true}));
    EXPECT_TRUE(r.core.watchList.matches("F5AB/P"));

    // Another monitor of this directory saves its list: the window opens on it, and it is in use.
    r.platform.alertSettingsFile = AlertSettings{{"VK3AA"}, true};
    s.open();
    EXPECT_EQ(window.patterns, "VK3AA");
    EXPECT_TRUE(r.core.watchList.matches("VK3AA-1"));
    s.cancel();

    r.platform.writeError = "No space left on device";
    s.open();
    s.edited("");
    s.ok();
    EXPECT_TRUE(window.shown);  // the window stays, saying why
    EXPECT_EQ(window.message,
              "dxmonitor.ini could not be saved: No space left on device. The list holds until "
              "the program ends.");
    EXPECT_NE(
        r.core.monitor.pane.text().find("*** dxmonitor.ini could not be saved: No space left on device"),
        std::string::npos);
    EXPECT_TRUE(r.core.watchList.empty());
    s.cancel();
    EXPECT_FALSE(window.shown);
    s.open();  // the list that could not be saved, not the file's
    EXPECT_EQ(window.patterns, "");
    s.cancel();

    // Nothing kept: nothing read, nothing written.
    Rig none(false);
    none.platform.keepsConfig = false;
    none.platform.alertSettingsFile = AlertSettings{{"G4ABC"}, true};
    none.core.watchSettings.load();
    EXPECT_TRUE(none.core.watchList.empty());
    none.core.watchSettings.open();
    none.core.watchSettings.edited("G4ABC");
    EXPECT_TRUE(none.core.watchSettings.apply());
    EXPECT_EQ(none.platform.alertSettingsWrites, 0);
    EXPECT_TRUE(none.core.watchList.matches("G4ABC"));
}

}  // namespace
}  // namespace dx::test
