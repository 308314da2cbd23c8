#include "history/shown_span.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

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

std::vector<TimeTick> timeTicks(TimeSpan span, int most) {
    static constexpr int kStepMinutes[] = {1,   2,   5,   10,   15,   30,    60,   120,
                                           180, 360, 720, 1440, 2880, 10080, 20160};
    static constexpr int kStepMonths[] = {1, 2, 3, 6, 12, 24, 60, 120};
    most = std::max(most, 2);
    const auto length = span.length();
    std::vector<TimeTick> out;
    const auto label = [&](UtcTime t, bool daysOnly, bool monthsOnly) {
        const auto day = std::chrono::floor<days>(t);
        const std::chrono::year_month_day date{day};
        const std::chrono::hh_mm_ss clock{t - day};
        char text[32];
        if (monthsOnly)
            std::snprintf(text, sizeof text, "%04d-%02u", int(date.year()), unsigned(date.month()));
        else if (daysOnly)
            std::snprintf(text, sizeof text, "%04d-%02u-%02u", int(date.year()), unsigned(date.month()),
                          unsigned(date.day()));
        else if (length <= hours(24))
            std::snprintf(text, sizeof text, "%02d:%02d", int(clock.hours().count()),
                          int(clock.minutes().count()));
        else
            std::snprintf(text, sizeof text, "%02u-%02u %02d:%02d", unsigned(date.month()),
                          unsigned(date.day()), int(clock.hours().count()), int(clock.minutes().count()));
        return std::string(text);
    };
    for (const int m : kStepMinutes) {
        const seconds step = minutes(m);
        if (length / step + 1 > most) continue;
        // The first whole multiple of the step at or after the span's start.
        const auto count = span.from.time_since_epoch().count();
        UtcTime t{seconds((count + step.count() - 1) / step.count() * step.count())};
        for (; t < span.until; t += step) out.push_back({t, label(t, m >= 1440, false)});
        return out;
    }
    // Long spans: the first days of months.
    for (const int m : kStepMonths) {
        const std::chrono::year_month_day start{std::chrono::floor<days>(span.from)};
        std::chrono::year_month_day first{start.year(), start.month(), std::chrono::day(1)};
        if (std::chrono::sys_days(first) < span.from) first = first + std::chrono::months(1);
        // Whole multiples of the step, counted in months from year 0.
        const int place = (int(first.year()) * 12 + int(unsigned(first.month())) - 1) % m;
        if (place != 0) first = first + std::chrono::months(m - place);
        std::vector<TimeTick> ticks;
        for (auto d = first; std::chrono::sys_days(d) < span.until; d = d + std::chrono::months(m))
            ticks.push_back({std::chrono::sys_days(d), label(std::chrono::sys_days(d), false, true)});
        if (static_cast<int>(ticks.size()) <= most || m == kStepMonths[std::size(kStepMonths) - 1])
            return ticks;
    }
    return out;
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
