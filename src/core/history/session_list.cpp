#include "history/session_list.h"

#include <algorithm>
#include <functional>
#include <numeric>
#include <utility>

#include "common/text.h"
#include "history/csv.h"
#include "history/history_recorder.h"
#include "history/users_over_time.h"

namespace dx {

namespace {

char folded(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string foldedText(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = folded(c);
    return out;
}

// Whether `text` holds `needle` (already folded), ignoring the case of A to Z.
bool holds(std::string_view text, std::string_view needle) {
    if (needle.size() > text.size()) return false;
    for (std::size_t at = 0; at + needle.size() <= text.size(); ++at) {
        std::size_t i = 0;
        while (i < needle.size() && folded(text[at + i]) == needle[i]) ++i;
        if (i == needle.size()) return true;
    }
    return false;
}

bool foldedLess(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return folded(x) < folded(y); });
}

std::uint64_t kindPlace(UserKind kind) {
    const auto at = std::find(kCountedKinds.begin(), kCountedKinds.end(), kind);
    return static_cast<std::uint64_t>(at - kCountedKinds.begin());
}

UtcTime timeOf(std::uint32_t seconds) {
    return UtcTime(std::chrono::seconds(seconds));
}

}  // namespace

TextPool::TextPool() : starts_{0}, slots_(64, 0) {
    add({});
}

std::uint32_t TextPool::add(std::string_view text) {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = std::hash<std::string_view>{}(text)&mask;; at = (at + 1) & mask) {
        const std::uint32_t held = slots_[at];
        if (held == 0) {
            const std::uint32_t id = size();
            chars_.append(text);
            starts_.push_back(static_cast<std::uint32_t>(chars_.size()));
            slots_[at] = id + 1;
            // At most half full, so that a look finds its text or a free slot within a few steps.
            if (2 * static_cast<std::size_t>(size()) > slots_.size()) grow();
            return id;
        }
        if ((*this)[held - 1] == text) return held - 1;
    }
}

void TextPool::grow() {
    std::vector<std::uint32_t> slots(slots_.size() * 2, 0);
    const std::size_t mask = slots.size() - 1;
    for (std::uint32_t id = 0; id < size(); ++id) {
        std::size_t at = std::hash<std::string_view>{}((*this)[id]) & mask;
        while (slots[at] != 0) at = (at + 1) & mask;
        slots[at] = id + 1;
    }
    slots_ = std::move(slots);
}

std::string_view endReasonName(SessionEndReason reason) {
    switch (reason) {
        case SessionEndReason::Open:
            return "";
        case SessionEndReason::Left:
            return "left";
        case SessionEndReason::LinkLost:
            return "link-lost";
        case SessionEndReason::ProgramEnded:
            return "program-ended";
        case SessionEndReason::Unknown:
            break;
    }
    return "unknown";
}

SessionEndReason endReasonNamed(std::string_view name) {
    for (const auto reason : {SessionEndReason::Open, SessionEndReason::Left, SessionEndReason::LinkLost,
                              SessionEndReason::ProgramEnded})
        if (name == endReasonName(reason)) return reason;
    return SessionEndReason::Unknown;
}

UserKind userKindNamed(std::string_view name) {
    for (const UserKind kind : kCountedKinds)
        if (name == userKindName(kind)) return kind;
    return UserKind::Unclassified;
}

void SessionList::merge(SessionBatch batch) {
    if (batch.rows.empty()) return;
    std::vector<std::uint32_t> ids(batch.texts.size());
    for (std::uint32_t i = 0; i < batch.texts.size(); ++i) ids[i] = texts_.add(batch.texts[i]);
    const auto byId = [](const SessionRow& a, const SessionRow& b) { return a.id < b.id; };
    for (SessionRow& r : batch.rows) {
        for (std::uint32_t* text : {&r.node, &r.call, &r.address, &r.port, &r.version}) *text = ids[*text];
    }
    std::stable_sort(batch.rows.begin(), batch.rows.end(), byId);
    // Only the held rows among the new ones' ids are looked at: most readings are the newest
    // sessions, or an older stretch.
    const auto lo = std::lower_bound(rows_.begin(), rows_.end(), batch.rows.front(), byId);
    const auto hi = std::upper_bound(lo, rows_.end(), batch.rows.back(), byId);
    std::vector<SessionRow> middle;
    middle.reserve(static_cast<std::size_t>(hi - lo) + batch.rows.size());
    auto held = lo;
    for (const SessionRow& row : batch.rows) {
        while (held != hi && held->id < row.id) middle.push_back(*held++);
        if (held != hi && held->id == row.id) ++held;
        if (!middle.empty() && middle.back().id == row.id)
            middle.back() = row;  // read twice in one batch: the later reading
        else
            middle.push_back(row);
    }
    middle.insert(middle.end(), held, hi);
    const auto at = rows_.erase(lo, hi);
    rows_.insert(at, middle.begin(), middle.end());
    shown_.clear();
}

std::vector<std::int64_t> SessionList::openIds() const {
    std::vector<std::int64_t> out;
    for (const SessionRow& r : rows_)
        if (r.length < 0) out.push_back(r.id);
    return out;
}

const std::vector<std::uint32_t>& SessionList::ranks() {
    if (ranks_.size() == texts_.size()) return ranks_;
    std::vector<std::uint32_t> order(texts_.size());
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(),
              [this](std::uint32_t a, std::uint32_t b) { return foldedLess(texts_[a], texts_[b]); });
    ranks_.assign(texts_.size(), 0);
    std::uint32_t rank = 0;
    for (std::size_t i = 0; i < order.size(); ++i) {
        // Texts alike but for their case sort alike.
        if (i > 0 && foldedLess(texts_[order[i - 1]], texts_[order[i]])) ++rank;
        ranks_[order[i]] = rank;
    }
    return ranks_;
}

void SessionList::show(TimeSpan span, std::string_view filter, SessionOrder order, UtcTime now) {
    const std::string needle = foldedText(filter);
    std::vector<char> matches;
    if (!needle.empty()) {
        // Each text is looked at once, however many sessions share it.
        matches.resize(texts_.size());
        for (std::uint32_t i = 0; i < texts_.size(); ++i) matches[i] = holds(texts_[i], needle);
    }
    const std::vector<std::uint32_t>* rank = nullptr;
    if (order.column == SessionColumn::Call || order.column == SessionColumn::Address ||
        order.column == SessionColumn::Port || order.column == SessionColumn::Version)
        rank = &ranks();
    const auto from = static_cast<std::int64_t>(span.from.time_since_epoch().count());
    const auto until = static_cast<std::int64_t>(span.until.time_since_epoch().count());
    const auto nowSeconds = static_cast<std::int64_t>(now.time_since_epoch().count());

    std::vector<std::pair<std::uint64_t, std::uint32_t>> keyed;
    for (std::uint32_t i = 0; i < rows_.size(); ++i) {
        const SessionRow& r = rows_[i];
        const std::int64_t length =
            r.length >= 0 ? r.length : std::max<std::int64_t>(nowSeconds - r.started, 0);
        if (r.started >= until || r.started + length < from) continue;
        if (!needle.empty() && !matches[r.call] && !matches[r.address]) continue;
        std::uint64_t high = 0;
        switch (order.column) {
            case SessionColumn::Call:
                high = (*rank)[r.call];
                break;
            case SessionColumn::Address:
                high = (*rank)[r.address];
                break;
            case SessionColumn::Port:
                high = (*rank)[r.port];
                break;
            case SessionColumn::Version:
                high = (*rank)[r.version];
                break;
            case SessionColumn::Kind:
                high = kindPlace(r.kind);
                break;
            case SessionColumn::Duration:
                high = static_cast<std::uint64_t>(length);
                break;
            case SessionColumn::EndReason:
                high = static_cast<std::uint64_t>(r.end);
                break;
            case SessionColumn::Start:
                break;
        }
        const std::uint64_t key = (high << 32) | r.started;
        keyed.emplace_back(order.descending ? ~key : key, i);
    }
    std::sort(keyed.begin(), keyed.end());
    shown_.resize(keyed.size());
    for (std::size_t i = 0; i < keyed.size(); ++i) shown_[i] = keyed[i].second;
}

std::string SessionList::cell(const SessionRow& r, SessionColumn column, UtcTime now) const {
    switch (column) {
        case SessionColumn::Call:
            return std::string(texts_[r.call]);
        case SessionColumn::Address:
            return std::string(texts_[r.address]);
        case SessionColumn::Port:
            return std::string(texts_[r.port]);
        case SessionColumn::Kind:
            return std::string(userKindName(r.kind));
        case SessionColumn::Version:
            return std::string(texts_[r.version]);
        case SessionColumn::Start:
            return historyTime(timeOf(r.started));
        case SessionColumn::Duration:
            return durationText(r.length >= 0 ? std::chrono::seconds(r.length) : now - timeOf(r.started));
        case SessionColumn::EndReason:
            break;
    }
    return std::string(endReasonName(r.end));
}

void SessionList::appendShownCsv(std::string& out) const {
    appendCsvRow(out, {"id", "node", "socket", "call", "address", "port", "kind", "version", "started",
                       "ended", "end_reason"});
    for (const std::uint32_t i : shown_) {
        const SessionRow& r = rows_[i];
        const std::string id = std::to_string(r.id);
        const std::string socket = std::to_string(r.socket);
        const std::string started = historyTime(timeOf(r.started));
        const std::string ended =
            r.length >= 0 ? historyTime(timeOf(r.started) + std::chrono::seconds(r.length)) : std::string();
        appendCsvRow(out, {id, texts_[r.node], socket, texts_[r.call], texts_[r.address], texts_[r.port],
                           userKindName(r.kind), texts_[r.version], started, ended, endReasonName(r.end)});
    }
}

}  // namespace dx
