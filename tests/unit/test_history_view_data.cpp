// What the History window shows, as plain data: the ranges and their buckets, zoom and pan,
// durations, the plot's buckets and the link's downs, and the sessions' span, filter and order.
#include <gtest/gtest.h>

#include "common/text.h"
#include "history/session_list.h"
#include "history/shown_span.h"
#include "history/users_over_time.h"

namespace dx {
namespace {
using namespace std::chrono;

UtcTime at(std::string_view text) {
    return parseHistoryTime(text).value();
}

TEST(HistoryRanges, EachRangeEndsNowAndItsBucketsFitThePlotsPixels) {
    const UtcTime now = at("2026-12-09 10:00:00");
    struct Case {
        ShownRange range;
        std::string_view from;
        int minutesAt1000Pixels;
    };
    const Case cases[] = {
        {ShownRange::SixHours, "2026-12-09 04:00:00", 1}, {ShownRange::Day, "2026-12-08 10:00:00", 2},
        {ShownRange::Week, "2026-12-02 10:00:00", 15},    {ShownRange::Month, "2026-11-09 10:00:00", 60},
        {ShownRange::Year, "2025-12-09 10:00:00", 720},   {ShownRange::All, "2024-12-09 10:00:00", 1440},
    };
    for (const Case& c : cases) {
        const TimeSpan span = spanOf(c.range, now, at("2024-12-09 10:00:00"));
        EXPECT_EQ(span, (TimeSpan{at(c.from), now})) << shownRangeName(c.range);
        EXPECT_EQ(bucketFor(span, 1000), minutes(c.minutesAt1000Pixels)) << shownRangeName(c.range);
    }
    // A history of minutes still gets an hour; a plot of no width still gets a bucket.
    EXPECT_EQ(spanOf(ShownRange::All, now, now - minutes(3)).from, now - hours(1));
    EXPECT_GE(bucketFor({now - days(3650), now}, 0), days(3650));
}

TEST(HistoryRanges, ZoomKeepsTheTimeUnderThePointerAndPanStaysWithinTheRange) {
    const TimeSpan day{at("2026-12-08 10:00:00"), at("2026-12-09 10:00:00")};
    EXPECT_EQ(zoomed(day, 0.5, at("2026-12-08 22:00:00"), day),
              (TimeSpan{at("2026-12-08 16:00:00"), at("2026-12-09 04:00:00")}));
    EXPECT_EQ(zoomed(day, 0.5, day.from, day), (TimeSpan{day.from, at("2026-12-08 22:00:00")}));
    EXPECT_EQ(zoomed(day, 4, at("2026-12-08 22:00:00"), day), day);
    EXPECT_EQ(zoomed(day, 1e-6, day.from, day).length(), kShortestSpan);
    const TimeSpan hour{at("2026-12-09 08:00:00"), at("2026-12-09 09:00:00")};
    EXPECT_EQ(panned(hour, minutes(30), day),
              (TimeSpan{at("2026-12-09 08:30:00"), at("2026-12-09 09:30:00")}));
    EXPECT_EQ(panned(hour, hours(5), day), (TimeSpan{at("2026-12-09 09:00:00"), day.until}));
}

TEST(HistoryRanges, TheTimeAxisMarksRoundTimesAsFinelyAsTheirStepNeeds) {
    const auto marks = [](std::string_view from, std::string_view until, int most) {
        std::vector<std::string> out;
        for (const TimeTick& t : timeTicks({at(from), at(until)}, most)) out.push_back(t.label);
        return out;
    };
    EXPECT_EQ(marks("2026-12-09 04:10:00", "2026-12-09 10:00:00", 4),
              (std::vector<std::string>{"06:00", "08:00"}));
    EXPECT_EQ(marks("2026-12-07 10:00:00", "2026-12-09 10:00:00", 4),
              (std::vector<std::string>{"2026-12-08", "2026-12-09"}));
    EXPECT_EQ(marks("2026-12-07 10:00:00", "2026-12-09 10:00:00", 6),
              (std::vector<std::string>{"12-07 12:00", "12-08 00:00", "12-08 12:00", "12-09 00:00"}));
    EXPECT_EQ(marks("2026-11-20 00:00:00", "2026-12-09 00:00:00", 3),
              (std::vector<std::string>{"2026-11-26", "2026-12-03"}));
    EXPECT_EQ(marks("2025-12-09 10:00:00", "2026-12-09 10:00:00", 5),
              (std::vector<std::string>{"2026-01", "2026-04", "2026-07", "2026-10"}));
}

TEST(HistoryText, DurationsAndTheHistorysTimes) {
    const std::pair<long long, std::string_view> durations[] = {
        {-5, "0 s"},          {0, "0 s"},       {45, "45 s"},
        {60, "1 min"},        {3599, "59 min"}, {7200, "2 h"},
        {8040, "2 h 14 min"}, {86400, "1 d"},   {3 * 86400 + 4 * 3600 + 59, "3 d 4 h"}};
    for (const auto& [length, text] : durations) EXPECT_EQ(durationText(seconds(length)), text) << length;

    EXPECT_EQ(parseHistoryTime("2026-12-09 10:05:07"), sys_days(2026y / 12 / 9) + 10h + 5min + 7s);
    EXPECT_EQ(parseHistoryTime("2024-02-29 23:59"), sys_days(2024y / 2 / 29) + 23h + 59min);
    for (const std::string_view bad : {"", "2026-02-30 10:00", "2026-12-09T10:00", "2026-12-09 24:00",
                                       "2026-12-09 10:00:60", "2026-12-09 10:0x", "2026-12-09 10:00:00Z"})
        EXPECT_FALSE(parseHistoryTime(bad)) << bad;
}

MinuteCounts counts(std::string_view minute, std::uint16_t users, std::uint16_t most, std::uint16_t plain) {
    MinuteCounts c;
    c.minute = static_cast<std::int32_t>(floor<minutes>(at(minute)).time_since_epoch().count());
    c.users = users;
    c.mostUsers = most;
    c.kinds[3] = plain;
    return c;
}

TEST(UsersOverTime, EachBucketDrawsItsBusiestMinuteAndTheMostUsersSeenInIt) {
    UserCounts held;
    held.merge({counts("2026-12-09 10:01", 5, 6, 5), counts("2026-12-09 10:02", 9, 9, 9),
                counts("2026-12-09 10:07", 4, 12, 4)});
    // A later reading of a minute replaces it; an older stretch goes before what is held.
    held.merge({counts("2026-12-09 10:07", 4, 13, 4)});
    held.merge({counts("2026-12-09 09:58", 1, 1, 1)});
    ASSERT_EQ(held.rows().size(), 4u);
    EXPECT_EQ(held.first(), at("2026-12-09 09:58:00"));

    const auto buckets = held.buckets({at("2026-12-09 09:56:00"), at("2026-12-09 10:09:30")}, minutes(5));
    ASSERT_EQ(buckets.size(), 3u);
    EXPECT_EQ(buckets[0].start, at("2026-12-09 09:55:00"));
    EXPECT_EQ(buckets[0].busiest.users, 1);
    EXPECT_EQ(buckets[1].busiest.users, 9);
    EXPECT_EQ(buckets[1].busiest.kinds[3], 9);
    EXPECT_EQ(buckets[1].mostUsers, 9);
    EXPECT_EQ(buckets[2].mostUsers, 13);
    EXPECT_TRUE(buckets[2].counted);
    EXPECT_FALSE(held.buckets({at("2026-12-09 11:00:00"), at("2026-12-09 11:05:00")}, minutes(5))[0].counted);

    const auto summed = sumByMinute({counts("2026-12-09 10:02", 9, 9, 9), counts("2026-12-09 10:01", 5, 6, 5),
                                     counts("2026-12-09 10:02", 65530, 65530, 1)});
    ASSERT_EQ(summed.size(), 2u);
    EXPECT_EQ(summed[1].users, 65535);
    EXPECT_EQ(summed[1].kinds[3], 10);
}

TEST(UsersOverTime, TheLinksDownsAreBetweenItsStretchesAndAfterTheLastAnyNodeDownCounts) {
    const UtcTime now = at("2026-12-09 12:00:00");
    const std::vector<LinkStretch> stretches{
        {1, at("2026-12-09 08:00:00"), at("2026-12-09 09:00:00")},
        {1, at("2026-12-09 08:30:00"), at("2026-12-09 09:10:00")},  // another monitor of the node
        {1, at("2026-12-09 09:30:00"), at("2026-12-09 11:00:00")},
        {2, at("2026-12-09 07:00:00"), std::nullopt},
        {2, at("2026-12-09 06:00:00"), at("2026-12-09 06:20:00")},
    };
    const TimeSpan all{at("2026-12-09 00:00:00"), now};
    EXPECT_EQ(linkDowns(stretches, all, now),
              (std::vector<TimeSpan>{{at("2026-12-09 06:20:00"), at("2026-12-09 07:00:00")},
                                     {at("2026-12-09 09:10:00"), at("2026-12-09 09:30:00")},
                                     {at("2026-12-09 11:00:00"), now}}));
    EXPECT_EQ(linkDowns(stretches, {at("2026-12-09 09:20:00"), at("2026-12-09 11:30:00")}, now),
              (std::vector<TimeSpan>{{at("2026-12-09 09:20:00"), at("2026-12-09 09:30:00")},
                                     {at("2026-12-09 11:00:00"), at("2026-12-09 11:30:00")}}));
}

SessionBatch batchOf(std::initializer_list<std::tuple<std::int64_t, std::string_view, std::string_view,
                                                      std::string_view, std::int32_t, UserKind>>
                         sessions) {
    SessionBatch batch;
    for (const auto& [id, call, address, started, length, kind] : sessions) {
        SessionRow r;
        r.id = id;
        r.node = batch.texts.add("node.example:7300");
        r.call = batch.texts.add(call);
        r.address = batch.texts.add(address);
        r.port = batch.texts.add("23005");
        r.started = static_cast<std::uint32_t>(at(started).time_since_epoch().count());
        r.length = length;
        r.kind = kind;
        r.end = length < 0 ? SessionEndReason::Open : SessionEndReason::Left;
        batch.rows.push_back(r);
    }
    return batch;
}

std::vector<std::string> calls(const SessionList& list) {
    std::vector<std::string> out;
    for (const std::uint32_t i : list.shown()) out.emplace_back(list.text(list.row(i).call));
    return out;
}

TEST(SessionList, ItsTextsAreKeptOnceEachHoweverManyComeIn) {
    TextPool texts;
    EXPECT_EQ(texts.add(""), 0u);
    for (int round = 0; round < 2; ++round)
        for (std::uint32_t i = 1; i <= 20000; ++i) ASSERT_EQ(texts.add("10.0." + std::to_string(i)), i);
    EXPECT_EQ(texts.size(), 20001u);
    EXPECT_EQ(texts[12345], "10.0.12345");
}

TEST(SessionList, ShowsTheSessionsOfTheSpanThatMatchTheFilterInTheOperatorsOrder) {
    SessionList list;
    list.merge(batchOf({{3, "G4ABC", "10.0.0.1", "2026-12-09 09:00:00", 600, UserKind::KelLatest},
                        {1, "k1xyz", "10.0.0.2", "2026-12-08 20:00:00", 3600, UserKind::NonKel},
                        {2, "DL1AA", "192.168.4.7", "2026-12-09 08:00:00", -1, UserKind::Node}}));
    list.merge(batchOf({{4, "g4abd", "10.0.0.3", "2026-12-09 09:30:00", 60, UserKind::NoCall}}));
    const UtcTime now = at("2026-12-09 10:00:00");
    const TimeSpan morning{at("2026-12-09 06:00:00"), now};
    const struct {
        std::string_view filter;
        SessionOrder order;
        std::vector<std::string> shown;
    } cases[] = {
        {"", {}, {"g4abd", "G4ABC", "DL1AA"}},
        {"", {SessionColumn::Start, false}, {"DL1AA", "G4ABC", "g4abd"}},
        {"G4AB", {SessionColumn::Call, false}, {"G4ABC", "g4abd"}},
        {"g4ab", {SessionColumn::Call, true}, {"g4abd", "G4ABC"}},
        {"168.4", {}, {"DL1AA"}},                                            // the address
        {"", {SessionColumn::Duration, true}, {"DL1AA", "G4ABC", "g4abd"}},  // the open one: 2 h so far
        {"", {SessionColumn::Kind, false}, {"G4ABC", "DL1AA", "g4abd"}},
        {"zz", {}, {}},
    };
    for (const auto& c : cases) {
        list.show(morning, c.filter, c.order, now);
        EXPECT_EQ(calls(list), c.shown) << c.filter << " " << int(c.order.column);
    }
    list.show({at("2026-12-08 20:30:00"), at("2026-12-08 21:00:00")}, "", {}, now);
    EXPECT_EQ(calls(list), std::vector<std::string>{"k1xyz"});

    // The open session's end, read later, replaces it.
    EXPECT_EQ(list.openIds(), std::vector<std::int64_t>{2});
    list.merge(batchOf({{2, "DL1AA", "192.168.4.7", "2026-12-09 08:00:00", 5400, UserKind::Node}}));
    EXPECT_TRUE(list.openIds().empty());
    EXPECT_EQ(list.size(), 4u);
    list.show(morning, "dl1", {}, now);
    EXPECT_EQ(list.cell(list.row(list.shown()[0]), SessionColumn::Duration, now), "1 h 30 min");
    std::string csv;
    list.appendShownCsv(csv);
    EXPECT_EQ(csv,
              "id,node,socket,call,address,port,kind,version,started,ended,end_reason\r\n"
              "2,node.example:7300,0,DL1AA,192.168.4.7,23005,node,,2026-12-09 08:00:00,2026-12-09 "
              "09:30:00,left\r\n");
}

}  // namespace
}  // namespace dx
