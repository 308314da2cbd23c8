#pragma once
#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sockets/socket_events.h"

namespace dx {

// A stretch of the history, from its start up to (not including) its end.
struct TimeSpan {
    UtcTime from;
    UtcTime until;
    std::chrono::seconds length() const { return until - from; }
    bool operator==(const TimeSpan&) const = default;
};

// The ranges the History window offers, each ending now.
enum class ShownRange : std::uint8_t { SixHours, Day, Week, Month, Year, All };
inline constexpr std::array<ShownRange, 6> kShownRanges{ShownRange::SixHours, ShownRange::Day,
                                                        ShownRange::Week,     ShownRange::Month,
                                                        ShownRange::Year,     ShownRange::All};
// "6 h", "24 h", "7 days", "30 days", "1 year", "All".
std::string_view shownRangeName(ShownRange range);

// The span of `range` ending at `now`. "All" begins where the history does (`begins`), and
// covers at least the last hour, so that a history of a few minutes still has a plot to draw.
TimeSpan spanOf(ShownRange range, UtcTime now, UtcTime begins);

// The length of the plot's buckets for `span` drawn `pixels` wide: the shortest of the round
// lengths (1, 2, 5, 10, 15 and 30 minutes, 1, 2, 3, 6 and 12 hours, 1 and 2 days, then whole
// weeks) that gives no more buckets than the plot has pixels, so that no more points are drawn
// than can be seen. Buckets start at whole multiples of their length.
std::chrono::minutes bucketFor(TimeSpan span, int pixels);

// The operator's zoom and pan: `span` made `factor` times as long about `around` (a factor below
// 1 zooms in), or moved by `by`. The result stays within `limits` (the range picked) and is never
// shorter than ten minutes.
inline constexpr std::chrono::minutes kShortestSpan{10};
TimeSpan zoomed(TimeSpan span, double factor, UtcTime around, TimeSpan limits);
TimeSpan panned(TimeSpan span, std::chrono::seconds by, TimeSpan limits);

// The plot's time axis: marks at round UTC times within `span`, no more than `most` of them, each
// labelled as finely as its step needs ("21:00", "12-08 18:00", "2026-12-08", "2026-12").
struct TimeTick {
    UtcTime at;
    std::string label;
    bool operator==(const TimeTick&) const = default;
};
std::vector<TimeTick> timeTicks(TimeSpan span, int most);

// The history's UTC text read back: "YYYY-MM-DD HH:MM:SS", or a minute "YYYY-MM-DD HH:MM".
// Nothing when the text is not such a time.
std::optional<UtcTime> parseHistoryTime(std::string_view text);

}  // namespace dx
