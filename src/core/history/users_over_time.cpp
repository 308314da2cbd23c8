#include "history/users_over_time.h"

#include <algorithm>
#include <limits>
#include <tuple>

namespace dx {

namespace {
using std::chrono::minutes;

std::int32_t minuteOf(UtcTime t) {
    return static_cast<std::int32_t>(std::chrono::floor<minutes>(t).time_since_epoch().count());
}

std::uint16_t add(std::uint16_t a, std::uint16_t b) {
    constexpr unsigned kMost = std::numeric_limits<std::uint16_t>::max();
    return static_cast<std::uint16_t>(std::min<unsigned>(unsigned(a) + b, kMost));
}

bool earlier(const MinuteCounts& a, const MinuteCounts& b) {
    return a.minute < b.minute;
}
}  // namespace

void UserCounts::merge(std::vector<MinuteCounts> rows) {
    if (rows.empty()) return;
    // Only the held rows among the new ones' minutes are looked at: a reading is either the
    // newest minutes or an older stretch before what is held.
    const auto lo = std::lower_bound(rows_.begin(), rows_.end(), rows.front(), earlier);
    const auto hi = std::upper_bound(lo, rows_.end(), rows.back(), earlier);
    std::vector<MinuteCounts> middle;
    middle.reserve(static_cast<std::size_t>(hi - lo) + rows.size());
    auto held = lo;
    for (const MinuteCounts& row : rows) {
        while (held != hi && held->minute < row.minute) middle.push_back(*held++);
        if (held != hi && held->minute == row.minute) ++held;
        middle.push_back(row);
    }
    middle.insert(middle.end(), held, hi);
    const auto at = rows_.erase(lo, hi);
    rows_.insert(at, middle.begin(), middle.end());
}

std::vector<CountBucket> UserCounts::buckets(TimeSpan span, minutes size) const {
    std::vector<CountBucket> out;
    const std::int32_t length = static_cast<std::int32_t>(std::max<minutes::rep>(size.count(), 1));
    const std::int32_t first = minuteOf(span.from);
    const std::int32_t end = minuteOf(span.until + std::chrono::seconds(59));
    auto row = std::lower_bound(rows_.begin(), rows_.end(), MinuteCounts{first - first % length}, earlier);
    for (std::int32_t start = first - first % length; start < end; start += length) {
        CountBucket bucket;
        bucket.start = UtcTime(minutes(start));
        for (; row != rows_.end() && row->minute < start + length; ++row) {
            if (!bucket.counted || row->users > bucket.busiest.users) bucket.busiest = *row;
            bucket.counted = true;
            bucket.mostUsers = std::max(bucket.mostUsers, row->mostUsers);
        }
        out.push_back(bucket);
    }
    return out;
}

std::optional<UtcTime> UserCounts::first() const {
    if (rows_.empty()) return std::nullopt;
    return UtcTime(minutes(rows_.front().minute));
}

std::vector<MinuteCounts> sumByMinute(std::vector<MinuteCounts> rows) {
    std::stable_sort(rows.begin(), rows.end(), earlier);
    std::vector<MinuteCounts> out;
    out.reserve(rows.size());
    for (const MinuteCounts& row : rows) {
        if (out.empty() || out.back().minute != row.minute) {
            out.push_back(row);
            continue;
        }
        MinuteCounts& sum = out.back();
        sum.users = add(sum.users, row.users);
        sum.mostUsers = add(sum.mostUsers, row.mostUsers);
        for (std::size_t k = 0; k < sum.kinds.size(); ++k) sum.kinds[k] = add(sum.kinds[k], row.kinds[k]);
    }
    return out;
}

std::vector<TimeSpan> linkDowns(std::vector<LinkStretch> stretches, TimeSpan span, UtcTime now) {
    std::sort(stretches.begin(), stretches.end(), [](const LinkStretch& a, const LinkStretch& b) {
        return std::tie(a.node, a.up) < std::tie(b.node, b.up);
    });
    std::vector<TimeSpan> downs;
    for (std::size_t i = 0; i < stretches.size();) {
        // One node's stretches; two monitors of one node may have written overlapping ones.
        const std::uint32_t node = stretches[i].node;
        UtcTime upUntil = stretches[i].down.value_or(now);
        for (++i; i < stretches.size() && stretches[i].node == node; ++i) {
            if (stretches[i].up > upUntil) downs.push_back({upUntil, stretches[i].up});
            upUntil = std::max(upUntil, stretches[i].down.value_or(now));
        }
        if (upUntil < now) downs.push_back({upUntil, now});
    }
    std::sort(downs.begin(), downs.end(),
              [](const TimeSpan& a, const TimeSpan& b) { return a.from < b.from; });
    std::vector<TimeSpan> out;
    for (TimeSpan down : downs) {
        down.from = std::max(down.from, span.from);
        down.until = std::min(down.until, span.until);
        if (down.from >= down.until) continue;
        if (!out.empty() && down.from <= out.back().until)
            out.back().until = std::max(out.back().until, down.until);
        else
            out.push_back(down);
    }
    return out;
}

}  // namespace dx
