#include "alerts/watch_list.h"

#include <algorithm>
#include <bit>

namespace dx {

namespace {

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The call without its SSID ("-" and one or two digits at its end), or the call itself.
std::string_view withoutSsid(std::string_view call) {
    const std::size_t dash = call.rfind('-');
    if (dash == std::string_view::npos || dash == 0) return call;
    const std::string_view ssid = call.substr(dash + 1);
    if (ssid.empty() || ssid.size() > 2 || !std::all_of(ssid.begin(), ssid.end(), isDigit)) return call;
    return call.substr(0, dash);
}

void addLength(std::vector<std::size_t>& lengths, std::size_t length) {
    const auto at = std::lower_bound(lengths.begin(), lengths.end(), length);
    if (at == lengths.end() || *at != length) lengths.insert(at, length);
}

std::string_view lastTwo(std::string_view text) {
    return text.size() >= 2 ? text.substr(text.size() - 2) : text;
}

}  // namespace

void WatchList::Views::clear() {
    slots_.clear();
    count_ = 0;
}

std::uint64_t WatchList::Views::hash(std::string_view text) {
    std::uint64_t h = 14695981039346656037ull;
    for (const char c : text) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    return h;
}

void WatchList::Views::insert(std::string_view text) {
    if (contains(text)) return;
    // At most half full, so that a text not there meets a free slot soon.
    if (2 * (count_ + 1) > slots_.size()) {
        std::vector<std::string_view> held;
        held.reserve(count_);
        for (const std::string_view v : slots_)
            if (v.data()) held.push_back(v);
        slots_.assign(std::bit_ceil(std::max<std::size_t>(16, 4 * (count_ + 1))), std::string_view{});
        count_ = 0;
        for (const std::string_view v : held) insert(v);
    }
    const std::size_t mask = slots_.size() - 1;
    std::size_t at = hash(text) & mask;
    while (slots_[at].data()) at = (at + 1) & mask;
    slots_[at] = text;
    ++count_;
}

bool WatchList::Views::contains(std::string_view text) const {
    if (count_ == 0) return false;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = hash(text) & mask; slots_[at].data(); at = (at + 1) & mask)
        if (slots_[at] == text) return true;
    return false;
}

void WatchList::Pairs::clear() {
    pairs_.reset();
    single_ = any_ = false;
}

void WatchList::Pairs::add(std::string_view pair) {
    any_ = true;
    if (pair.size() < 2)
        single_ = true;
    else
        pairs_.set(key(pair[0], pair[1]));
}

bool globMatches(std::string_view pattern, std::string_view text) {
    // The last "*" seen and where in the text its run would end: on a mismatch the run grows by
    // one character. Linear in each, times the other at worst.
    std::size_t p = 0, t = 0;
    std::size_t star = std::string_view::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool WatchList::isPattern(std::string_view text) {
    if (text.empty() || text.size() > kLongest) return false;
    return std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || isDigit(c) || c == '/' || c == '-' ||
               c == '*';
    });
}

void WatchList::set(const std::vector<std::string>& patterns) {
    exact_.clear();
    prefixes_.clear();
    suffixes_.clear();
    prefixLengths_.clear();
    suffixLengths_.clear();
    general_.clear();
    everything_ = false;
    exactStarts_.clear();
    prefixStarts_.clear();
    suffixEnds_.clear();
    patterns_.clear();
    patterns_.reserve(patterns.size());
    for (const std::string& pattern : patterns) {
        if (!isPattern(pattern)) continue;
        std::string normal;
        for (const char c : pattern)
            if (c != '*' || normal.empty() || normal.back() != '*') normal += upper(c);
        patterns_.push_back(std::move(normal));
    }
    std::sort(patterns_.begin(), patterns_.end());
    patterns_.erase(std::unique(patterns_.begin(), patterns_.end()), patterns_.end());
    // From here on the strings stay where they are: the sets look into them.
    for (const std::string& pattern : patterns_) {
        const std::string_view p = pattern;
        const std::size_t stars = static_cast<std::size_t>(std::count(p.begin(), p.end(), '*'));
        if (stars == 0) {
            exact_.insert(p);
            exactStarts_.add(p.substr(0, 2));
        } else if (p == "*") {
            everything_ = true;
        } else if (stars == 1 && p.back() == '*') {
            prefixes_.insert(p.substr(0, p.size() - 1));
            prefixStarts_.add(p.substr(0, std::min<std::size_t>(2, p.size() - 1)));
            addLength(prefixLengths_, p.size() - 1);
        } else if (stars == 1 && p.front() == '*') {
            suffixes_.insert(p.substr(1));
            suffixEnds_.add(lastTwo(p.substr(1)));
            addLength(suffixLengths_, p.size() - 1);
        } else {
            general_.push_back(p);
        }
    }
}

bool WatchList::matches(std::string_view call) const {
    if (call.empty() || call.size() > kLongest || patterns_.empty()) return false;
    if (everything_) return true;
    char buffer[kLongest];
    for (std::size_t i = 0; i < call.size(); ++i) buffer[i] = upper(call[i]);
    const std::string_view full(buffer, call.size());
    const std::string_view base = withoutSsid(full);
    // Every prefix of the call without its SSID is a prefix of the call itself.
    if (prefixStarts_.mayHold(full.substr(0, 2))) {
        for (const std::size_t length : prefixLengths_) {
            if (length > full.size()) break;
            if (prefixes_.contains(full.substr(0, length))) return true;
        }
    }
    return matchesForm(full) || (base.size() != full.size() && matchesForm(base));
}

bool WatchList::matchesForm(std::string_view call) const {
    if (exactStarts_.mayHold(call.substr(0, 2)) && exact_.contains(call)) return true;
    if (suffixEnds_.mayHold(lastTwo(call))) {
        for (const std::size_t length : suffixLengths_) {
            if (length > call.size()) break;
            if (suffixes_.contains(call.substr(call.size() - length))) return true;
        }
    }
    return std::any_of(general_.begin(), general_.end(),
                       [call](std::string_view pattern) { return globMatches(pattern, call); });
}

}  // namespace dx
