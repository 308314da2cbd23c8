#include "sockets/socket_events.h"

#include <algorithm>

#include "common/platform.h"
#include "views/connections_model.h"
#include "views/grid.h"
#include "views/monitor_model.h"

namespace dx {

std::string_view userKindName(UserKind kind) {
    switch (kind) {
        case UserKind::KelLatest:
            return "kel-latest";
        case UserKind::KelOther:
            return "kel-older";
        case UserKind::KelUnknown:
            return "kel-unknown";
        case UserKind::NonKel:
            return "plain";
        case UserKind::Node:
            return "node";
        case UserKind::NoCall:
            return "nocall";
        case UserKind::Unclassified:
        case UserKind::None:
            break;
    }
    return "unclassified";
}

std::string_view linkDownReasonName(LinkDownReason reason) {
    switch (reason) {
        case LinkDownReason::ClosedByNode:
            return "closed";
        case LinkDownReason::Error:
            return "error";
        case LinkDownReason::Silence:
            return "silence";
        case LinkDownReason::ConnectPressed:
            return "connect-pressed";
        case LinkDownReason::ProgramEnded:
            break;
    }
    return "program-ended";
}

void SocketEvents::subscribe(SocketObserver& observer) {
    if (std::find(observers_.begin(), observers_.end(), &observer) == observers_.end())
        observers_.push_back(&observer);
}

void SocketEvents::unsubscribe(SocketObserver& observer) {
    observers_.erase(std::remove(observers_.begin(), observers_.end(), &observer), observers_.end());
}

template <typename Event, typename Deliver>
void SocketEvents::publish(const Event& event, Deliver deliver) {
    PaneNotes notes;
    for (SocketObserver* observer : observers_) deliver(*observer, event, notes);
    for (PaneNotes::Note& note : notes.notes_) monitor_.pane.append("\r\n" + note.text, note.colour);
}

void SocketEvents::linkCameUp() {
    up_ = true;
    opening_ = true;
    known_.clear();
    openingCalls_.clear();
    publish(LinkUp{platform_.nowUtc()},
            [](SocketObserver& o, const LinkUp& e, PaneNotes& n) { o.linkUp(e, n); });
}

void SocketEvents::linkWentDown(LinkDownReason reason, std::string detail) {
    if (!up_) return;
    up_ = false;
    known_.clear();
    openingCalls_.clear();
    publish(LinkDown{platform_.nowUtc(), reason, std::move(detail)},
            [](SocketObserver& o, const LinkDown& e, PaneNotes& n) { o.linkDown(e, n); });
}

void SocketEvents::batchHandled() {
    if (up_ && !observers_.empty())
        publish(0, [](SocketObserver& o, int, PaneNotes& n) { o.arrivalHandled(n); });
    if (!opening_) return;
    opening_ = false;
    const std::int32_t highest = grid_.highestIndex();
    openingCalls_.assign(static_cast<std::size_t>(std::max(highest, 0)) + 1, std::nullopt);
    for (std::int32_t i = 1; i <= highest; ++i)
        if (grid_.hasRow(i)) openingCalls_[static_cast<std::size_t>(i)] = grid_.row(i).call.text();
}

namespace {
// A KEL client's version, once it has told it.
const std::string& versionShown(UserKind kind, const GridRow& row) {
    static const std::string none;
    return kind == UserKind::KelLatest || kind == UserKind::KelOther ? row.version() : none;
}
}  // namespace

void SocketEvents::fillUser(User& u, std::int32_t socket, UserKind kind, const GridRow& row) {
    u.socket = static_cast<std::int16_t>(socket);
    u.call = row.call.text();
    u.address = row.address.text();
    u.port = row.port.text();
    u.kind = kind;
    u.version = versionShown(kind, row);
}

void SocketEvents::counted(std::int32_t socket, UserKind kind, const GridRow* row) {
    if (socket < 0) return;
    // Most rows counted again are as they were: nothing is made for them. A cell whose stamp is
    // the same has not changed since.
    const auto at = static_cast<std::size_t>(socket);
    const bool user = kind != UserKind::None && row;
    const Known* known = at < known_.size() ? &known_[at] : nullptr;
    if (!user && (!known || !known->present)) return;
    if (user && known && known->present && known->kind == kind && known->callStamp == row->call.stamp() &&
        known->portStamp == row->port.stamp())
        return;
    publishCounted(at, kind, row);
}

void SocketEvents::publishCounted(std::size_t at, UserKind kind, const GridRow* row) {
    const auto socket = static_cast<std::int32_t>(at);
    if (kind == UserKind::None || !row) {
        if (at < openingCalls_.size()) openingCalls_[at].reset();
        Known& was = known_[at];
        UserLeft& left = left_;
        left.at = platform_.nowUtc();
        left.user.socket = static_cast<std::int16_t>(socket);
        left.user.call.swap(was.call);
        left.user.kind = was.kind;
        left.user.version.swap(was.version);
        left.user.address = row ? row->address.text() : std::string();
        left.user.port = row ? row->port.text() : std::string();
        was.present = false;
        was.kind = UserKind::Unclassified;
        was.call.clear();
        was.version.clear();
        publish(left, [](SocketObserver& o, const UserLeft& e, PaneNotes& n) { o.userLeft(e, n); });
        return;
    }
    if (at >= known_.size()) known_.resize(at + 1);
    Known& known = known_[at];
    // A cell whose colour changed has a new stamp: it is compared by its text.
    if (known.present && known.kind == kind && known.call == row->call.text() &&
        known.version == versionShown(kind, *row)) {
        known.callStamp = row->call.stamp();
        known.portStamp = row->port.stamp();
        return;
    }
    known.callStamp = row->call.stamp();
    known.portStamp = row->port.stamp();
    if (!known.present) {
        UserArrived& arrived = arrived_;
        arrived.at = platform_.nowUtc();
        fillUser(arrived.user, socket, kind, *row);
        known.present = true;
        known.kind = kind;
        known.call = arrived.user.call;
        known.version = arrived.user.version;
        arrived.alreadyThere = opening_;
        if (at < openingCalls_.size() && openingCalls_[at]) {
            arrived.alreadyThere = *openingCalls_[at] == arrived.user.call;
            openingCalls_[at].reset();
        }
        publish(arrived, [](SocketObserver& o, const UserArrived& e, PaneNotes& n) { o.userArrived(e, n); });
        return;
    }
    UserChanged& changed = changed_;
    changed.at = platform_.nowUtc();
    fillUser(changed.user, socket, kind, *row);
    changed.previousKind = known.kind;
    changed.previousCall.swap(known.call);
    changed.previousVersion.swap(known.version);
    known.kind = kind;
    known.call = changed.user.call;
    known.version = changed.user.version;
    publish(changed, [](SocketObserver& o, const UserChanged& e, PaneNotes& n) { o.userChanged(e, n); });
}

}  // namespace dx
