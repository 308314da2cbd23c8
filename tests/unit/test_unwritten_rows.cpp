// The rows the history keeps while it cannot write them: held to their bounds, oldest first, with
// what went counted, and a session's many changes kept as one.
#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "history/unwritten_rows.h"

namespace dx::test {
namespace {

// Each row as a word: its kind's letter and its key ("u1" a link up, "s5" a session started, "c5"
// a change, "e5" an end, "m1" a minute counted on link 1).
std::string words(const UnwrittenRows& kept) {
    std::string out;
    for (const HistoryRow& row : kept.rows()) {
        if (const auto* r = std::get_if<LinkWentUp>(&row)) out += " u" + std::to_string(r->key);
        if (const auto* r = std::get_if<LinkWentDown>(&row)) out += " d" + std::to_string(r->key);
        if (const auto* r = std::get_if<SessionStarted>(&row)) out += " s" + std::to_string(r->key);
        if (const auto* r = std::get_if<SessionChanged>(&row)) out += " c" + std::to_string(r->key);
        if (const auto* r = std::get_if<SessionEnded>(&row)) out += " e" + std::to_string(r->key);
        if (const auto* r = std::get_if<MinuteCounted>(&row)) out += " m" + std::to_string(r->link);
    }
    return out;
}

// Rows that hold only their keys.
HistoryRow up(std::uint64_t key) {
    LinkWentUp r;
    r.key = key;
    return r;
}
HistoryRow down(std::uint64_t key) {
    LinkWentDown r;
    r.key = key;
    return r;
}
HistoryRow start(std::uint64_t key, std::uint64_t link = 1) {
    SessionStarted r;
    r.key = key;
    r.link = link;
    return r;
}
HistoryRow change(std::uint64_t key, UserKind kind = UserKind::NonKel, std::string call = {},
                  std::string version = {}) {
    return SessionChanged{key, kind, std::move(call), std::move(version)};
}
HistoryRow end(std::uint64_t key) {
    SessionEnded r;
    r.key = key;
    return r;
}
HistoryRow minute(std::uint64_t link) {
    MinuteCounted r;
    r.link = link;
    return r;
}

TEST(UnwrittenRows, TheOldestGoBeyondTheBoundsWithTheirRowsAndAreCounted) {
    struct Case {
        const char* what;
        UnwrittenRows::Bounds bounds;
        std::vector<HistoryRow> rows;
        std::string kept;
        UnwrittenRows::Lost lost;
    };
    const Case cases[] = {
        {"within the bounds, nothing goes",
         {2, 2, 2},
         {up(1), start(5, 1), minute(1), end(5)},
         " u1 s5 m1 e5",
         {}},
        {"the oldest session goes with every row of it, whatever came between",
         {9, 3, 9},
         {start(5, 1), start(6, 1), end(5), change(7), start(8, 1)},
         " s6 c7 s8",
         {1, 0, 0}},
        {"the oldest minutes go",
         {2, 9, 9},
         {minute(1), start(5, 1), minute(1), minute(2)},
         " s5 m1 m2",
         {0, 1, 0}},
        {"the oldest stretch of the link goes with the sessions and minutes made on it",
         {9, 9, 1},
         {up(1), start(5, 1), minute(1), down(1), end(5), up(2), start(6, 2), minute(2)},
         " u2 s6 m2",
         {1, 1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        UnwrittenRows kept(c.bounds);
        kept.add(std::vector<HistoryRow>(c.rows));
        kept.bound();
        EXPECT_EQ(words(kept), c.kept);
        const UnwrittenRows::Lost lost = kept.takeLost();
        EXPECT_EQ(lost.sessions, c.lost.sessions);
        EXPECT_EQ(lost.minutes, c.lost.minutes);
        EXPECT_EQ(lost.links, c.lost.links);
        EXPECT_FALSE(kept.takeLost().any());
    }
}

TEST(UnwrittenRows, ASessionsChangesBecomeOneHoldingTheLatestOfEach) {
    UnwrittenRows kept;
    kept.add({start(5), change(5, UserKind::KelUnknown, "G4ABC"), change(5, UserKind::KelOther, {}, "2.1"),
              change(6), change(5, UserKind::KelLatest, {}, "2.3"), end(5)});
    kept.bound();
    EXPECT_EQ(words(kept), " s5 c6 c5 e5");
    const auto& merged = std::get<SessionChanged>(kept.rows()[2]);
    EXPECT_EQ(merged.kind, UserKind::KelLatest);
    EXPECT_EQ(merged.call, "G4ABC");
    EXPECT_EQ(merged.version, "2.3");
    EXPECT_FALSE(kept.takeLost().any());
}

}  // namespace
}  // namespace dx::test
