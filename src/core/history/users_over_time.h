#pragma once
#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include "history/shown_span.h"
#include "views/user_kind.h"

namespace dx {

// The kinds the history counts minute by minute, in the order of its columns and of the plot's
// stack, from the bottom.
inline constexpr std::array<UserKind, 7> kCountedKinds{
    UserKind::KelLatest, UserKind::KelOther, UserKind::KelUnknown,  UserKind::NonKel,
    UserKind::Node,      UserKind::NoCall,   UserKind::Unclassified};

// The header's counters at one minute's end, and the most users seen within it; with several
// nodes, their sum. A count beyond what 16 bits hold stays at the most they hold.
struct MinuteCounts {
    std::int32_t minute = 0;  // minutes since 1970-01-01, UTC
    std::uint16_t users = 0;
    std::uint16_t mostUsers = 0;
    std::array<std::uint16_t, kCountedKinds.size()> kinds{};  // in the order of kCountedKinds
};

// What the plot draws for one bucket: the counters of its busiest minute (the most users at a
// minute's end) stacked by kind, and the most users seen within any of its minutes.
struct CountBucket {
    UtcTime start;
    bool counted = false;  // some minute of it has counts; the link was down for the rest
    std::uint16_t mostUsers = 0;
    MinuteCounts busiest;
};

// The users over time, one row a minute, ordered by minute.
class UserCounts {
  public:
    // Takes in rows as read from the history, ordered by minute, several nodes' rows of a minute
    // summed: each replaces what is held for its minute.
    void merge(std::vector<MinuteCounts> rows);
    // The buckets of `size` that cover `span`, the first one starting at or before its start.
    std::vector<CountBucket> buckets(TimeSpan span, std::chrono::minutes size) const;
    std::optional<UtcTime> first() const;
    const std::vector<MinuteCounts>& rows() const { return rows_; }

  private:
    std::vector<MinuteCounts> rows_;
};

// Rows of several nodes, ordered by minute, made one row a minute by adding them up.
std::vector<MinuteCounts> sumByMinute(std::vector<MinuteCounts> rows);

// A stretch of a node's link being up; no `down` while it is up.
struct LinkStretch {
    std::uint32_t node = 0;
    UtcTime up;
    std::optional<UtcTime> down;
};

// The times within `span` when a node's link was down, from its first stretch on: between its
// stretches, and from its last one's end until `now` (no monitor was watching it). With several
// nodes, the times when any of them was down. Ordered, none overlapping another.
std::vector<TimeSpan> linkDowns(std::vector<LinkStretch> stretches, TimeSpan span, UtcTime now);

}  // namespace dx
