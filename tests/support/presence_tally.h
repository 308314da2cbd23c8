#pragma once
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "sockets/socket_events.h"
#include "sockets/statistics.h"

namespace dx::test {

// An observer that keeps who it believes is on the node, by socket, and every event in order as
// one line ("arrived 5 G4ABC unclassified opening", "left 6 ...", "up", "down closed"), so that a
// test can hold its belief against the header's counters.
class PresenceTally : public SocketObserver {
  public:
    std::map<std::int16_t, User> present;
    std::vector<std::string> events;
    // Called after every event, to check the belief there and then.
    std::function<void()> afterEach;

    // The header's counters as this belief would make them.
    Statistics::Counts counts() const {
        Statistics::Counts c;
        for (const auto& [socket, user] : present) {
            switch (user.kind) {
                case UserKind::KelLatest:
                    ++c.kelLatest;
                    break;
                case UserKind::KelUnknown:
                    ++c.kelUnknown;
                    [[fallthrough]];
                case UserKind::KelOther:
                    ++c.kelOther;
                    break;
                case UserKind::NonKel:
                    ++c.nonKel;
                    break;
                case UserKind::Node:
                    ++c.node;
                    break;
                case UserKind::NoCall:
                    ++c.noCall;
                    break;
                case UserKind::Unclassified:
                    ++c.unclassified;
                    break;
                case UserKind::None:
                    break;
            }
        }
        return c;
    }

    void userArrived(const UserArrived& e, PaneNotes&) override {
        present[e.user.socket] = e.user;
        note("arrived " + describe(e.user) + (e.alreadyThere ? " opening" : ""));
    }
    void userChanged(const UserChanged& e, PaneNotes&) override {
        present[e.user.socket] = e.user;
        note("changed " + describe(e.user));
    }
    void userLeft(const UserLeft& e, PaneNotes&) override {
        present.erase(e.user.socket);
        note("left " + describe(e.user));
    }
    void linkUp(const LinkUp&, PaneNotes&) override { note("up"); }
    void linkDown(const LinkDown& e, PaneNotes&) override {
        present.clear();
        note("down " + std::string(linkDownReasonName(e.reason)));
    }

  private:
    static std::string describe(const User& u) {
        std::string s = std::to_string(u.socket) + " " + u.call + " " + std::string(userKindName(u.kind));
        if (!u.version.empty()) s += " " + u.version;
        return s;
    }
    void note(std::string line) {
        events.push_back(std::move(line));
        if (afterEach) afterEach();
    }
};

}  // namespace dx::test
