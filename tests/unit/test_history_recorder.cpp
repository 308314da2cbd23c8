// The history's rows as the recorder makes them from what the node reports: sessions that open,
// learn and end with the right reason, the link's stretches and a row of counters per minute.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <variant>
#include <vector>

#include "history/history_recorder.h"
#include "stream_support.h"

namespace dx::test {
namespace {

std::string User(int s, const std::string& call) {
    return "^ZQ66^" + std::to_string(s) + "^0^10.0.0." + std::to_string(s) + "^16777215^2300" +
           std::to_string(s) + "^255^" + call + "^65280";
}

// Keeps the rows as the store does: a session's and a link's later rows complete its first.
struct KeptRows : HistorySink {
    struct Session {
        std::string node, call, kind, version, started, ended, endReason;
        std::int32_t socket = 0;
    };
    struct Link {
        std::string node, up, down, reason;
    };
    std::map<std::uint64_t, Session> sessions;
    std::map<std::uint64_t, Link> links;
    std::vector<MinuteCounted> counts;
    void write(std::vector<HistoryRow> rows) override {
        for (HistoryRow& row : rows) take(row);
    }
    void take(HistoryRow& row) {
        if (auto* r = std::get_if<LinkWentUp>(&row))
            links[r->key] = Link{historyText(r->node), historyTime(r->at), {}, {}};
        if (auto* r = std::get_if<LinkWentDown>(&row)) {
            links[r->key].down = historyTime(r->at);
            links[r->key].reason = linkDownReasonName(r->reason);
        }
        if (auto* r = std::get_if<SessionStarted>(&row))
            sessions[r->key] = Session{links[r->link].node,
                                       historyText(r->call),
                                       std::string(userKindName(r->kind)),
                                       historyText(r->version),
                                       historyTime(r->at),
                                       {},
                                       {},
                                       r->socket};
        if (auto* r = std::get_if<SessionChanged>(&row)) {
            Session& s = sessions.at(r->key);
            s.kind = userKindName(r->kind);
            if (!r->call.empty()) s.call = historyText(r->call);
            if (!r->version.empty()) s.version = historyText(r->version);
        }
        if (auto* r = std::get_if<SessionEnded>(&row)) {
            Session& s = sessions.at(r->key);
            EXPECT_TRUE(s.ended.empty()) << "a session ends once";
            s.ended = historyTime(r->at);
            s.endReason = sessionEndName(r->reason);
        }
        if (auto* r = std::get_if<MinuteCounted>(&row)) counts.push_back(*r);
    }
    // "node socket call kind [version] started - ended reason", in the order the sessions began.
    std::vector<std::string> sessionLines() const {
        std::vector<std::string> out;
        for (const auto& [key, s] : sessions)
            out.push_back(s.node + " " + std::to_string(s.socket) + " " + s.call + " " + s.kind + " [" +
                          s.version + "] " + s.started + " - " + s.ended + " " + s.endReason);
        return out;
    }
};

struct Recording {
    Rig rig{false};
    KeptRows rows;
    HistoryRecorder recorder{rig.core.config, rig.core.statistics, rows};
    Recording() {
        rig.core.config.remoteHost = "node.example";
        rig.core.config.remotePort = 7300;
        rig.core.events.subscribe(recorder);
    }
    void connect() {
        rig.core.link.connectToNode();
        rig.platform.state = kSocketConnected;
        rig.core.link.onConnected();
    }
    void later(int seconds) { rig.platform.now += std::chrono::seconds(seconds); }
};

TEST(HistoryRecorder, SessionsOpenLearnAndEndWithTheirReasonsAndTheLinkAndTheMinutesAreKept) {
    Recording r;
    r.later(30);  // 00:00:30
    r.connect();
    Deliver(r.rig, "^ZQ81^1^65280^7300" + User(2, "G4ABC") + User(3, "DL1XYZ"));
    r.later(45);  // 00:01:15
    Deliver(r.rig, "^ZQ70^2^x^ZQ70^3^x^ZQ70^4^hello" + User(4, "K1NEW"));
    Deliver(r.rig, "^ZQ70^4^ZQ11^x^ZQ66^4^7^65280");  // K1NEW runs a KEL client
    r.later(60);                                      // 00:02:15
    Deliver(r.rig, "^ZQ66^3^7^16777215");             // DL1XYZ leaves
    r.recorder.clockTick(r.rig.platform.now + std::chrono::minutes(1));
    r.later(80);  // 00:03:35: the link fails
    r.rig.core.reconnect.onError("Connection reset by peer");
    const std::string n = "node.example:7300 ";
    EXPECT_EQ(r.rows.sessionLines(),
              (std::vector<std::string>{
                  n + "2 G4ABC unclassified [] 2026-12-09 00:01:15 - 2026-12-09 00:03:35 link-lost",
                  n + "3 DL1XYZ unclassified [] 2026-12-09 00:01:15 - 2026-12-09 00:02:15 left",
                  n + "4 K1NEW kel-older [] 2026-12-09 00:01:15 - 2026-12-09 00:03:35 link-lost"}));
    ASSERT_EQ(r.rows.links.size(), 1u);
    const KeptRows::Link& link = r.rows.links.begin()->second;
    EXPECT_EQ(link.node + " " + link.up + " " + link.down + " " + link.reason,
              "node.example:7300 2026-12-09 00:00:30 2026-12-09 00:03:35 error");
    // One row per minute the link was up, the last as far as it went.
    std::vector<std::string> minutes;
    for (const MinuteCounted& c : r.rows.counts)
        minutes.push_back(historyMinute(c.minute) + " " + std::to_string(c.users) + "/" +
                          std::to_string(c.maxUsers) + " " + std::to_string(c.kelOlder) + " " +
                          std::to_string(c.unclassified));
    EXPECT_EQ(minutes, (std::vector<std::string>{"2026-12-09 00:00 0/0 0 0", "2026-12-09 00:01 3/3 1 2",
                                                 "2026-12-09 00:02 2/3 1 1", "2026-12-09 00:03 2/2 1 1"}));

    // Back up: those still there start new sessions; the program's end ends them as such.
    r.connect();
    Deliver(r.rig, User(2, "G4ABC") + "^ZQ70^2^hello");
    r.rig.core.link.endProgram();
    ASSERT_EQ(r.rows.sessions.size(), 4u);
    EXPECT_EQ(r.rows.sessions.rbegin()->second.endReason, "program-ended");
    EXPECT_EQ(r.rows.links.rbegin()->second.reason, "program-ended");
}

TEST(HistoryRecorder, AnOpenSessionKeepsTheMostDefiniteKindAndTheLatestVersion) {
    Recording r;
    r.connect();
    PaneNotes notes;
    const UtcTime at = r.rig.platform.now;
    dx::User u{5, "G0KEL", "10.0.0.5", "23005", UserKind::Unclassified, ""};
    r.recorder.userArrived(UserArrived{at, u, false}, notes);
    r.recorder.clockTick(at);
    EXPECT_EQ(r.rows.sessions.begin()->second.kind, "unclassified");
    const auto change = [&](UserKind kind, const std::string& version) {
        UserChanged e{at, u, u.kind, u.call, u.version};
        u.kind = kind;
        u.version = version;
        e.user = u;
        r.recorder.userChanged(e, notes);
        r.recorder.clockTick(at);
        return r.rows.sessions.begin()->second.kind + " " + r.rows.sessions.begin()->second.version;
    };
    EXPECT_EQ(change(UserKind::KelUnknown, ""), "kel-unknown ");
    EXPECT_EQ(change(UserKind::KelOther, "2.1"), "kel-older 2.1");
    EXPECT_EQ(change(UserKind::Unclassified, ""), "kel-older 2.1");  // a rescan
    EXPECT_EQ(change(UserKind::KelUnknown, ""), "kel-older 2.1");
    EXPECT_EQ(change(UserKind::KelLatest, "2.3"), "kel-latest 2.3");
    EXPECT_EQ(r.rows.sessions.size(), 1u);
    // Text is the node's bytes read as Latin-1; NUL bytes are dropped.
    EXPECT_EQ(historyText(std::string("a\0b\xB0", 4)), "ab\xC2\xB0");
}

}  // namespace
}  // namespace dx::test
