#include "history/shown_span.h"

#include <algorithm>
#include <cmath>

namespace dx {

namespace {
using std::chrono::days;
using std::chrono::hours;
using std::chrono::minutes;
using std::chrono::seconds;

// Keeps `span`'s length and moves it, as little as it takes, to lie within `limits`.
TimeSpan within(TimeSpan span, TimeSpan limits) {
    if (span.length() >= limits.length()) return limits;
    if (span.from < limits.from) return {limits.from, limits.from + span.length()};
    if (span.until > limits.until) return {limits.until - span.length(), limits.until};
    return span;
}

// The value of `count` digits at `text[at]`, or -1 if any of them is not a digit.
int digits(std::string_view text, std::size_t at, std::size_t count) {
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}
}  // namespace

std::string_view shownRangeName(ShownRange range) {
    switch (range) {
        case ShownRange::SixHours:
            return "6 h";
        case ShownRange::Day:
            return "24 h";
        case ShownRange::Week:
            return "7 days";
        case ShownRange::Month:
            return "30 days";
        case ShownRange::Year:
            return "1 year";
        case ShownRange::All:
            break;
    }
    return "All";
}

TimeSpan spanOf(ShownRange range, UtcTime now, UtcTime begins) {
    switch (range) {
        case ShownRange::SixHours:
            return {now - hours(6), now};
        case ShownRange::Day:
            return {now - hours(24), now};
        case ShownRange::Week:
            return {now - days(7), now};
        case ShownRange::Month:
            return {now - days(30), now};
        case ShownRange::Year:
            return {now - days(365), now};
        case ShownRange::All:
            break;
    }
    return {std::min(begins, now - hours(1)), now};
}

minutes bucketFor(TimeSpan span, int pixels) {
    static constexpr int kRound[] = {1, 2, 5, 10, 15, 30, 60, 120, 180, 360, 720, 1440, 2880, 10080};
    const auto fits = [&](minutes size) {
        const auto first = std::chrono::floor<minutes>(span.from);
        const auto start = first - minutes(first.time_since_epoch().count() % size.count());
        const auto buckets = (std::chrono::ceil<minutes>(span.until) - start + size - minutes(1)) / size;
        return buckets <= std::max(pixels, 1);
    };
    for (const int m : kRound)
        if (fits(minutes(m))) return minutes(m);
    minutes weeks(10080 * 2);
    while (!fits(weeks)) weeks += minutes(10080);
    return weeks;
}

TimeSpan zoomed(TimeSpan span, double factor, UtcTime around, TimeSpan limits) {
    const double length = static_cast<double>(span.length().count());
    const double wanted =
        std::clamp(length * factor, static_cast<double>(seconds(kShortestSpan).count()),
                   static_cast<double>(std::max(limits.length(), seconds(kShortestSpan)).count()));
    around = std::clamp(around, span.from, span.until);
    // The time under the pointer stays where it is.
    const double before = static_cast<double>((around - span.from).count()) * wanted / length;
    const UtcTime from = around - seconds(std::llround(before));
    return within({from, from + seconds(std::llround(wanted))}, limits);
}

TimeSpan panned(TimeSpan span, seconds by, TimeSpan limits) {
    return within({span.from + by, span.until + by}, limits);
}

std::string durationText(seconds length) {
    const long long s = std::max<long long>(length.count(), 0);
    if (s < 60) return std::to_string(s) + " s";
    if (s < 3600) return std::to_string(s / 60) + " min";
    if (s < 86400) {
        const long long m = s / 60 % 60;
        return std::to_string(s / 3600) + " h" + (m ? " " + std::to_string(m) + " min" : "");
    }
    const long long h = s / 3600 % 24;
    return std::to_string(s / 86400) + " d" + (h ? " " + std::to_string(h) + " h" : "");
}

std::optional<UtcTime> parseHistoryTime(std::string_view text) {
    if (text.size() != 16 && text.size() != 19) return std::nullopt;
    if (text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':') return std::nullopt;
    if (text.size() == 19 && text[16] != ':') return std::nullopt;
    const int year = digits(text, 0, 4), month = digits(text, 5, 2), day = digits(text, 8, 2);
    const int hour = digits(text, 11, 2), minute = digits(text, 14, 2);
    const int second = text.size() == 19 ? digits(text, 17, 2) : 0;
    if (year < 0 || month < 0 || day < 0 || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59)
        return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year(year), std::chrono::month(unsigned(month)),
                                           std::chrono::day(unsigned(day))};
    if (!date.ok()) return std::nullopt;
    return std::chrono::sys_days(date) + hours(hour) + minutes(minute) + seconds(second);
}

}  // namespace dx
