// The users' arrivals and departures and the link's ups and downs, as an observer hears them:
// at the moment the header's counters change, so that what it believes is what they count.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "presence_tally.h"
#include "stream_support.h"

namespace dx::test {
namespace {

// A record of socket s, a logged-in user with call `call` (call colour: connected green).
std::string User(int s, const std::string& call) {
    return "^ZQ66^" + std::to_string(s) + "^0^10.0.0." + std::to_string(s) + "^16777215^2300" +
           std::to_string(s) + "^255^" + call + "^65280";
}

struct Watching {
    Rig rig{false};
    PresenceTally tally;
    Watching() {
        rig.core.events.subscribe(tally);
        tally.afterEach = [this] {
            if (rig.core.events.linkIsUp()) {
                EXPECT_EQ(tally.counts(), rig.core.statistics.counts());
            }
        };
    }
    void connect() {
        rig.core.link.connectToNode();
        rig.platform.state = kSocketConnected;
        rig.core.link.onConnected();
    }
};

TEST(SocketEvents, ArrivalsChangesAndDeparturesFollowTheCountersAndTheLinkEndsEveryPresence) {
    Watching w;
    w.connect();
    // The opening: the node reports who is there already. The counters count them (and so they
    // arrive) only once traffic has reached their rows.
    Deliver(w.rig, "^ZQ81^1^65280^7300" + User(2, "G4ABC") + User(3, "DL1XYZ"));
    EXPECT_EQ(w.tally.events, std::vector<std::string>{"up"});
    w.rig.platform.now += std::chrono::minutes(5);
    Deliver(w.rig, "^ZQ70^4^hello" + User(4, "K1NEW"));
    Deliver(w.rig, "^ZQ70^4^ZQ11^x^ZQ66^4^7^65280");  // K1NEW runs a KEL client
    Deliver(w.rig, "^ZQ66^3^7^16777215");             // DL1XYZ's call cell leaves the connected colours
    EXPECT_EQ(w.tally.events,
              (std::vector<std::string>{"up", "arrived 2 G4ABC unclassified opening",
                                        "arrived 3 DL1XYZ unclassified opening",
                                        "arrived 4 K1NEW unclassified", "changed 4 K1NEW kel-unknown",
                                        "changed 4 K1NEW kel-older", "left 3 DL1XYZ unclassified"}));
    EXPECT_EQ(w.tally.present.size(), 2u);

    // Every way down is told once, with its reason; no one is present after it, and those still
    // there when the link comes back arrive again as part of the opening.
    struct Way {
        const char* reason;
        std::function<void(Watching&)> down;
    };
    const Way ways[] = {
        {"closed", [](Watching& x) { x.rig.core.reconnect.onClosedByPeer(); }},
        {"error", [](Watching& x) { x.rig.core.reconnect.onError("Connection reset by peer"); }},
        {"connect-pressed", [](Watching& x) { x.rig.core.reconnect.connectNow(); }},
        {"program-ended", [](Watching& x) { x.rig.core.link.endProgram(); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.reason);
        w.connect();
        w.tally.events.clear();
        Deliver(w.rig, User(2, "G4ABC") + "^ZQ70^2^hello^ZQ66^2^7^65280");
        EXPECT_EQ(w.tally.events, std::vector<std::string>{"arrived 2 G4ABC unclassified opening"});
        w.tally.events.clear();
        way.down(w);
        way.down(w);  // the same way again: nothing more to tell
        EXPECT_EQ(w.tally.events, std::vector<std::string>{std::string("down ") + way.reason});
        EXPECT_TRUE(w.tally.present.empty());
    }
}

TEST(SocketEvents, AnObserversPaneLinesFollowTheEventInOrder) {
    struct Noting : SocketObserver {
        void userArrived(const UserArrived& e, PaneNotes& notes) override {
            notes.add("*** " + e.user.call + " connected", colours::kMagenta);
            notes.add("*** and said so", colours::kMagenta);
        }
    } noting;
    Watching w;
    w.rig.core.events.subscribe(noting);
    w.connect();
    const std::size_t before = w.rig.core.monitor.pane.size();
    Deliver(w.rig, "^ZQ81^1^65280^7300" + User(2, "G4ABC") + "^ZQ70^2^hello^ZQ66^2^7^65280" +
                       "^ZQ61^after the record");
    const std::string shown = w.rig.core.monitor.pane.text().substr(before);
    const std::size_t notes = shown.find("\r\n*** G4ABC connected\r\n*** and said so\r\n");
    ASSERT_NE(notes, std::string::npos) << shown;
    EXPECT_LT(shown.find("hello"), notes);
    EXPECT_GT(shown.find("after the record"), notes);
    EXPECT_EQ(w.rig.core.monitor.pane.colourAt(before + notes + 2), colours::kMagenta);
    EXPECT_EQ(w.rig.platform.now, std::chrono::sys_days{std::chrono::December / 9 / 2026});
}

}  // namespace
}  // namespace dx::test
