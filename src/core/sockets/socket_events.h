#pragma once
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/colour.h"
#include "views/user_kind.h"

namespace dx {
class Grid;
struct GridRow;
struct MonitorModel;
class Platform;

// A time as the events carry it: UTC, to the second.
using UtcTime = std::chrono::sys_seconds;

// Which of the header's counters counts a user (views/user_kind.h): every connected socket the
// header counts is a user, "nocall" ones included. Its name in the events' records:
// "kel-latest", "kel-older", "kel-unknown", "plain", "node", "nocall", "unclassified".
std::string_view userKindName(UserKind kind);

// What is known of a user at the moment of an event: the node's texts as received.
struct User {
    std::int16_t socket = 0;
    std::string call;
    std::string address;
    std::string port;
    UserKind kind = UserKind::Unclassified;
    std::string version;  // the KEL client's version as shown, when known; empty otherwise
};

struct UserArrived {
    UtcTime at;
    User user;
    bool alreadyThere = false;  // reported in the node's opening, as the link came up
};
// A kind, a call or a version that came after the arrival.
struct UserChanged {
    UtcTime at;
    User user;
    UserKind previousKind = UserKind::Unclassified;
    std::string previousCall;
    std::string previousVersion;
};
struct UserLeft {
    UtcTime at;
    User user;
};

enum class LinkDownReason : std::uint8_t {
    ClosedByNode,    // the node closed the link
    Error,           // the link failed (reset, timed out, ...): `detail` says how
    Silence,         // the node was silent so long that the link was given up
    ConnectPressed,  // Connect pressed while the link was up
    ProgramEnded,    // the program is ending
};
// "closed", "error", "silence", "connect-pressed", "program-ended".
std::string_view linkDownReasonName(LinkDownReason reason);

struct LinkUp {
    UtcTime at;
};
// Ends the presence of every user: no user-left follows for them. Users still on the node when
// the link comes back arrive anew, flagged as already there.
struct LinkDown {
    UtcTime at;
    LinkDownReason reason = LinkDownReason::ClosedByNode;
    std::string detail;  // the socket layer's words for an error
};

// Lines an observer asks for in the traffic pane: written after the event, in order.
class PaneNotes {
  public:
    void add(std::string text, Colour colour) { notes_.push_back({std::move(text), colour}); }

  private:
    friend class SocketEvents;
    struct Note {
        std::string text;
        Colour colour;
    };
    std::vector<Note> notes_;
};

// Listens to the comings and goings of users and of the link. An observer learns; it changes
// nothing in the program (it is handed no part of it), but may ask for lines in the pane.
class SocketObserver {
  public:
    virtual ~SocketObserver() = default;
    virtual void userArrived(const UserArrived&, PaneNotes&) {}
    virtual void userChanged(const UserChanged&, PaneNotes&) {}
    virtual void userLeft(const UserLeft&, PaneNotes&) {}
    virtual void linkUp(const LinkUp&, PaneNotes&) {}
    virtual void linkDown(const LinkDown&, PaneNotes&) {}
    // The stream has handled every whole sentence of an arrival, while the link is up: a moment
    // to say what several of its events together make.
    virtual void arrivalHandled(PaneNotes&) {}
};

// Publishes every arrival and departure of a user, at the moment the header's counters change,
// and the link coming up and going down. Users are followed only while the link is up.
class SocketEvents {
  public:
    SocketEvents(const Grid& grid, Platform& platform, MonitorModel& monitor)
        : grid_(grid), platform_(platform), monitor_(monitor) {}

    void subscribe(SocketObserver& observer);
    void unsubscribe(SocketObserver& observer);
    // Whether anyone listens, and so whether the counters need report each row they count.
    bool listening() const { return !observers_.empty() && up_; }
    bool linkIsUp() const { return up_; }

    // The link's own events. A link that goes down is published once, and only if it was up.
    void linkCameUp();
    void linkWentDown(LinkDownReason reason, std::string detail = {});
    // The stream has handled a whole batch. The node's first on a link is its opening: the users
    // of the sockets it reported there were on the node already, even those the counters come to
    // count only later. Observers hear of it while the link is up.
    void batchHandled();

    // The counters have counted socket `socket` (`row`, null when it has none) as a user of
    // `kind`, or as none.
    void counted(std::int32_t socket, UserKind kind, const GridRow* row);

  private:
    // What was last published of the user on a socket, and the stamps of the row's call and port
    // cells then: while neither has changed, nor has the kind, there is nothing new to tell.
    struct Known {
        bool present = false;
        UserKind kind = UserKind::Unclassified;
        std::string call;
        std::string version;
        std::uint64_t callStamp = 0, portStamp = 0;
    };
    template <typename Event, typename Deliver>
    void publish(const Event& event, Deliver deliver);
    // Sets `u` to the user on socket `socket` as the row shows it.
    static void fillUser(User& u, std::int32_t socket, UserKind kind, const GridRow& row);
    // Publishes what changed of the user on socket `at`, if anything did: a departure of one known
    // present, an arrival, or a change.
    void publishCounted(std::size_t at, UserKind kind, const GridRow* row);

    const Grid& grid_;
    Platform& platform_;
    MonitorModel& monitor_;
    std::vector<SocketObserver*> observers_;
    std::vector<Known> known_;  // by socket
    // The events as last published, made anew in place each time: publishing one copies only
    // what it tells.
    UserArrived arrived_;
    UserChanged changed_;
    UserLeft left_;
    // By socket, the call the opening reported, until a user on that socket has come or gone.
    std::vector<std::optional<std::string>> openingCalls_;
    bool up_ = false;
    bool opening_ = false;
};

}  // namespace dx
