#include "alerts/watched_calls.h"

#include <algorithm>

#include "alerts/notice_texts.h"
#include "alerts/watch_list.h"
#include "common/platform.h"
#include "common/text.h"

namespace dx {

namespace {
std::string upper(std::string call) {
    for (char& c : call)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return call;
}
}  // namespace

WatchedCalls::Stay& WatchedCalls::stayOn(std::int16_t socket) {
    const auto at = static_cast<std::size_t>(std::max<std::int16_t>(socket, 0));
    if (at >= stays_.size()) stays_.resize(at + 1);
    return stays_[at];
}

bool WatchedCalls::due(Way way, const std::string& call, UtcTime at) {
    auto& last = lastNotice_[static_cast<std::size_t>(way)];
    std::size_t& prune = pruneAt_[static_cast<std::size_t>(way)];
    if (last.size() > prune) {
        std::erase_if(last, [at](const auto& entry) { return at - entry.second >= kQuietTime; });
        // Calls told of in the last five minutes stay; the next look comes once as many again
        // have been told of, so each costs the same however busy the node.
        prune = std::max(kRemembered, 2 * last.size());
    }
    const auto [it, first] = last.try_emplace(upper(call), at);
    if (first) return true;
    // A clock set back is no reason to stay quiet.
    if (at - it->second < kQuietTime && at >= it->second) return false;
    it->second = at;
    return true;
}

void WatchedCalls::came(const User& user, UtcTime at, PaneNotes& notes) {
    std::string where;
    if (!user.address.empty()) where = " from " + user.address + (user.port.empty() ? "" : ":" + user.port);
    const std::string version = user.version.empty() ? "" : ", KEL " + user.version;
    notes.add("*** " + user.call + " connected" + where + version, kColour);
    if (!settings_.desktopNotices || !due(Way::Came, user.call, at)) return;
    platform_.notify({DesktopNotice::Kind::WatchedArrived, user.call + " connected",
                      user.call + " connected to " + nodeName(config_) + where + version});
}

void WatchedCalls::went(std::int16_t socket, const std::string& call, UtcTime at, PaneNotes& notes) {
    Stay& stay = stayOn(socket);
    std::string after;
    if (stay.known != Stay::Unknown)
        after = std::string(" after ") + (stay.known == Stay::AtLeast ? "at least " : "") +
                durationText(at - stay.since);
    stay = Stay{};
    notes.add("*** " + call + " left" + after, kColour);
    if (!settings_.desktopNotices || !due(Way::Went, call, at)) return;
    platform_.notify(
        {DesktopNotice::Kind::WatchedLeft, call + " left", call + " left " + nodeName(config_) + after});
}

void WatchedCalls::userArrived(const UserArrived& e, PaneNotes& notes) {
    Stay& stay = stayOn(e.user.socket);
    // Of a user already there, only the link's time is known, if that.
    if (!e.alreadyThere)
        stay = Stay{e.at, Stay::Since};
    else
        stay = upSince_ ? Stay{*upSince_, Stay::AtLeast} : Stay{};
    if (!list_.matches(e.user.call)) return;
    if (e.alreadyThere)
        alreadyThere_.push_back(e.user.call);
    else
        came(e.user, e.at, notes);
}

void WatchedCalls::userChanged(const UserChanged& e, PaneNotes& notes) {
    // A socket whose call changes has seen one user go and another come.
    if (e.previousCall == e.user.call) return;
    if (list_.matches(e.previousCall)) went(e.user.socket, e.previousCall, e.at, notes);
    stayOn(e.user.socket) = Stay{e.at, Stay::Since};
    if (list_.matches(e.user.call)) came(e.user, e.at, notes);
}

void WatchedCalls::userLeft(const UserLeft& e, PaneNotes& notes) {
    if (list_.matches(e.user.call))
        went(e.user.socket, e.user.call, e.at, notes);
    else
        stayOn(e.user.socket) = Stay{};
}

void WatchedCalls::linkUp(const LinkUp& e, PaneNotes&) {
    forget();
    upSince_ = e.at;
}

void WatchedCalls::linkDown(const LinkDown&, PaneNotes&) {
    // The presence of every user ends with the link, without a departure: no one is said to
    // have left.
    forget();
}

void WatchedCalls::forget() {
    upSince_.reset();
    stays_.clear();
    alreadyThere_.clear();
}

void WatchedCalls::arrivalHandled(PaneNotes& notes) {
    if (alreadyThere_.empty()) return;
    std::string line = "*** Watched calls already on the node:";
    for (auto it = alreadyThere_.begin(); it != alreadyThere_.end(); ++it)
        line += (it == alreadyThere_.begin() ? " " : ", ") + *it;
    alreadyThere_.clear();
    notes.add(std::move(line), kColour);
}

}  // namespace dx
