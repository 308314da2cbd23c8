#include "history/unwritten_rows.h"

#include <unordered_map>
#include <unordered_set>
#include <variant>

namespace dx {

namespace {

// The session a row belongs to, or 0.
std::uint64_t sessionOf(const HistoryRow& row) {
    if (const auto* r = std::get_if<SessionStarted>(&row)) return r->key;
    if (const auto* r = std::get_if<SessionChanged>(&row)) return r->key;
    if (const auto* r = std::get_if<SessionEnded>(&row)) return r->key;
    return 0;
}

// The link's stretch a row is of, or 0.
std::uint64_t linkOf(const HistoryRow& row) {
    if (const auto* r = std::get_if<LinkWentUp>(&row)) return r->key;
    if (const auto* r = std::get_if<LinkWentDown>(&row)) return r->key;
    return 0;
}

// Of `keys` in the order first met, the oldest beyond `most`.
std::unordered_set<std::uint64_t> oldestBeyond(const std::vector<std::uint64_t>& keys, std::size_t most) {
    std::unordered_set<std::uint64_t> oldest;
    if (keys.size() > most) oldest.insert(keys.begin(), keys.end() - static_cast<std::ptrdiff_t>(most));
    return oldest;
}

}  // namespace

void UnwrittenRows::add(std::vector<HistoryRow>&& rows) {
    for (HistoryRow& row : rows) rows_.push_back(std::move(row));
}

void UnwrittenRows::bound() {
    std::vector<bool> gone(rows_.size(), false);
    // A session's changes, latest first: only what the last one holds is written.
    std::unordered_map<std::uint64_t, SessionChanged*> latest;
    for (std::size_t i = rows_.size(); i-- > 0;) {
        auto* change = std::get_if<SessionChanged>(&rows_[i]);
        if (!change) continue;
        const auto [later, first] = latest.try_emplace(change->key, change);
        if (first) continue;
        if (later->second->call.empty()) later->second->call = std::move(change->call);
        if (later->second->version.empty()) later->second->version = std::move(change->version);
        gone[i] = true;
    }

    // The link's stretches: without its first row a session or a count made on it cannot be
    // written either.
    std::vector<std::uint64_t> links;
    std::unordered_set<std::uint64_t> seen;
    for (const HistoryRow& row : rows_)
        if (const std::uint64_t link = linkOf(row); link && seen.insert(link).second) links.push_back(link);
    const std::unordered_set<std::uint64_t> oldLinks = oldestBeyond(links, bounds_.links);
    lost_.links += oldLinks.size();
    std::unordered_set<std::uint64_t> oldSessions;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const HistoryRow& row = rows_[i];
        if (const std::uint64_t link = linkOf(row)) {
            gone[i] = gone[i] || oldLinks.count(link);
        } else if (const auto* r = std::get_if<SessionStarted>(&row); r && oldLinks.count(r->link)) {
            oldSessions.insert(r->key);
        } else if (const auto* m = std::get_if<MinuteCounted>(&row); m && oldLinks.count(m->link)) {
            gone[i] = true;
            ++lost_.minutes;
        }
    }

    // The sessions, oldest first, then the counts.
    std::vector<std::uint64_t> sessions;
    seen.clear();
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const std::uint64_t session = sessionOf(rows_[i]);
        if (session && !oldSessions.count(session) && seen.insert(session).second)
            sessions.push_back(session);
    }
    for (const std::uint64_t session : oldestBeyond(sessions, bounds_.sessions)) oldSessions.insert(session);
    lost_.sessions += oldSessions.size();
    std::size_t minutes = 0;
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (!gone[i] && std::holds_alternative<MinuteCounted>(rows_[i])) ++minutes;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (gone[i]) continue;
        if (const std::uint64_t session = sessionOf(rows_[i])) {
            gone[i] = oldSessions.count(session) > 0;
        } else if (minutes > bounds_.minutes && std::holds_alternative<MinuteCounted>(rows_[i])) {
            gone[i] = true;
            --minutes;
            ++lost_.minutes;
        }
    }

    std::size_t kept = 0;
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (!gone[i]) {
            if (kept != i) rows_[kept] = std::move(rows_[i]);
            ++kept;
        }
    rows_.resize(kept);
}

}  // namespace dx
