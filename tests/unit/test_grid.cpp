// The rows of the connections grid: their creation and their layout in columns.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "app/core.h"
#include "common/fault.h"
#include "stream_support.h"

namespace dx::test {
namespace {

constexpr std::array<Twips, 3> kBaseLeft{120, 1680, 2360};       // first column, per cell
constexpr std::array<Twips, 3> kProvisionalLeft{0, 1560, 2230};  // where a new row waits
constexpr Twips kColumnPitch = 3850;

struct Place {
    Twips left;
    Twips top;
    bool operator==(const Place&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Place& p) {
    return os << "(left " << p.left << ", top " << p.top << ")";
}

Element& Cell(Core& core, std::int32_t row, int family) {
    GridRow& r = core.connects.rows.at(static_cast<std::size_t>(row));
    return family == 0 ? r.address : family == 1 ? r.port : r.call;
}

Place PlaceOf(Core& core, std::int32_t row, int family) {
    const Element& e = Cell(core, row, family);
    return Place{e.left(), e.top()};
}

void SetOuterHeight(Core& core, Twips height) {
    core.connects.window.setHeight(height);
    core.grid.layOut();  // what the window's resize does
}

void Scroll(Core& core, std::int32_t columns) {
    core.grid.scrollColumns = columns;
    core.grid.layOut();  // what the scroll buttons do
}

// The placement rule, written out independently: rows above the port count are placed in
// socket order (a missing row takes no place) down a column every 300 twips from 360; a row that
// would reach past the outer height less 600 (with a margin of 100) opens the next column, 3850
// to the right. Rows up to the port count are never placed.
std::map<std::int32_t, std::array<Place, 3>> Expected(const std::set<std::int32_t>& rows,
                                                      std::int32_t portCount, Twips outerHeight,
                                                      std::int32_t scroll) {
    std::map<std::int32_t, std::array<Place, 3>> out;
    const Twips cellHeight = 285;
    std::int32_t column = -scroll;
    Twips top = 60;
    for (const std::int32_t i : rows) {
        if (i <= portCount) {
            for (int f = 0; f < 3; ++f) out[i][f] = Place{kProvisionalLeft[f], 0};
            continue;
        }
        top += 300;
        if (cellHeight + top + 100 > outerHeight - 600) {
            ++column;
            top = 360;
        }
        for (int f = 0; f < 3; ++f) out[i][f] = Place{kBaseLeft[f] + column * kColumnPitch, top};
    }
    return out;
}

void ExpectPlaces(Core& core, const std::map<std::int32_t, std::array<Place, 3>>& expected) {
    for (const auto& [row, places] : expected) {
        for (int f = 0; f < 3; ++f) {
            SCOPED_TRACE("row " + std::to_string(row) + " cell " + std::to_string(f));
            ASSERT_EQ(PlaceOf(core, row, f), places[f]);
        }
    }
}

const std::string kRecord9 = "^ZQ66^9^0^10.0.0.9^0^4000^0^K9ABC^0";

TEST(GridLayout, RowsAboveThePortCountAreLaidOutFromTop360AndPortRowsKeepTheirWaitingPlace) {
    Rig r;
    SetOuterHeight(r.core, 7280);
    Deliver(r, "^ZQ81^4^255^7300" + kRecord9);
    ASSERT_EQ(r.core.ports.portCount, 4);
    ASSERT_EQ(r.core.grid.highestIndex(), 9);
    for (std::int32_t i = 1; i <= 4; ++i) {
        SCOPED_TRACE("port row " + std::to_string(i));
        for (int f = 0; f < 3; ++f) EXPECT_EQ(PlaceOf(r.core, i, f), (Place{kProvisionalLeft[f], 0}));
        EXPECT_FALSE(Cell(r.core, i, 0).visible());
        EXPECT_FALSE(Cell(r.core, i, 2).visible());
    }
    for (std::int32_t i = 5; i <= 9; ++i) {
        SCOPED_TRACE("socket row " + std::to_string(i));
        for (int f = 0; f < 3; ++f)
            EXPECT_EQ(PlaceOf(r.core, i, f), (Place{kBaseLeft[f], 360 + 300 * (i - 5)}));
        EXPECT_TRUE(Cell(r.core, i, 0).visible());
        EXPECT_TRUE(Cell(r.core, i, 1).visible());
        EXPECT_TRUE(Cell(r.core, i, 2).visible());
    }
    // The design row stays hidden and in its place.
    EXPECT_FALSE(Cell(r.core, 0, 0).visible());
    EXPECT_EQ(PlaceOf(r.core, 0, 1), (Place{1680, 0}));
}

TEST(GridLayout, ANewRowTakesTheTemplatesLookAndACallTipWithItsNumber) {
    Rig r;
    r.core.ports.portCount = 0;
    r.core.grid.createRow(1);
    r.core.grid.createRow(12);
    const GridRow& row = r.core.connects.rows[12];
    EXPECT_EQ(row.call.tip(), "  12  ");
    EXPECT_EQ(r.core.connects.rows[1].call.tip(), "  1  ");
    EXPECT_EQ(row.address.text(), "IP Address");
    EXPECT_EQ(row.port.text(), " Port");
    EXPECT_EQ(row.call.text(), "Call");
    EXPECT_EQ(row.port.fore(), colours::kRed);
    EXPECT_EQ(row.address.width(), 1500);
    EXPECT_EQ(row.port.width(), 615);
    EXPECT_EQ(row.call.width(), 1455);
    EXPECT_EQ(row.address.height(), 285);
    EXPECT_TRUE(row.address.visible());
}

// The port cell shows a socket's verdict as its background and its watch as its text colour.
TEST(PortColours, EveryVerdictAndWatchShowsTheColoursOfTheCell) {
    const struct {
        Verdict verdict;
        std::uint32_t back;
    } verdicts[] = {{Verdict::Unclassified, 0xFFFFFF}, {Verdict::KelLatest, 0x00FF00},
                    {Verdict::KelOlder, 0xC7FFB9},     {Verdict::Node, 0x00FFFF},
                    {Verdict::PlainUser, 0xFFFF00},    {Verdict::NoCall, 0xFF0000},
                    {Verdict::Script, 0xFF00FF}};
    const struct {
        Watch watch;
        std::uint32_t fore;
    } watches[] = {{Watch::Watched, 0xFF0000}, {Watch::Settled, 0x000000}};
    for (const auto& v : verdicts) {
        for (const auto& w : watches) {
            SCOPED_TRACE(testing::Message() << "verdict " << static_cast<int>(v.verdict) << ", watch "
                                            << static_cast<int>(w.watch));
            EXPECT_EQ(portColours(v.verdict, w.watch), (PortBoxColours{rgb(v.back), rgb(w.fore)}));
            // The row's port cell follows whichever of the two changes last.
            GridRow row;
            row.setWatch(w.watch);
            row.setVerdict(v.verdict);
            EXPECT_EQ(row.port.back(), rgb(v.back));
            EXPECT_EQ(row.port.fore(), rgb(w.fore));
            row.setWatch(w.watch == Watch::Watched ? Watch::Settled : Watch::Watched);
            row.setWatch(w.watch);
            EXPECT_EQ(row.port.back(), rgb(v.back));
            EXPECT_EQ(row.port.fore(), rgb(w.fore));
        }
    }
}

TEST(GridLayout, CreatingARowThatExistsIsAFault) {
    Rig r;
    r.core.grid.createRow(3);
    EXPECT_THROW(r.core.grid.createRow(3), Fault);
}

// The counters recount only the rows marked changed: a read must not mark one, and every way of
// changing one must.
TEST(GridRows, AReadLeavesARowUnmarkedAChangeOrAMarkMarksIt) {
    Rig r;
    r.core.grid.createMissingRows(1, 4);
    r.core.grid.takeTouched();
    EXPECT_EQ(r.core.grid.row(3).call.text(), "Call");
    EXPECT_TRUE(r.core.grid.takeTouched().empty());
    r.core.grid.rowToChange(2);
    r.core.grid.markChanged(4);
    EXPECT_EQ(r.core.grid.takeTouched(), (std::vector<std::int32_t>{2, 4}));
    EXPECT_THROW(r.core.grid.markChanged(9), Fault);
}

struct WrapCase {
    Twips outerHeight;
    int rowsPerColumn;  // 0: every row opens a column of its own, the first stays empty
};

class ColumnWrap : public ::testing::TestWithParam<WrapCase> {};

TEST_P(ColumnWrap, AColumnHoldsTheRowsThatFitAboveTheOuterHeightLess600) {
    const WrapCase c = GetParam();
    Rig r;
    r.core.connects.window.setHeight(c.outerHeight);
    for (std::int32_t i = 1; i <= 10; ++i) r.core.grid.createRow(i);
    for (std::int32_t i = 1; i <= 10; ++i) {
        SCOPED_TRACE("row " + std::to_string(i));
        const int k = i - 1;  // the row's place in the order
        const int column = c.rowsPerColumn == 0 ? k + 1 : k / c.rowsPerColumn;
        const Twips top = c.rowsPerColumn == 0 ? 360 : 360 + 300 * (k % c.rowsPerColumn);
        for (int f = 0; f < 3; ++f)
            EXPECT_EQ(PlaceOf(r.core, i, f), (Place{kBaseLeft[f] + column * kColumnPitch, top}));
    }
}

// A row at top t fits when t + 285 + 100 <= outer height - 600.
INSTANTIATE_TEST_SUITE_P(Heights, ColumnWrap,
                         ::testing::Values(WrapCase{1344, 0}, WrapCase{1345, 1}, WrapCase{1644, 1},
                                           WrapCase{1645, 2}, WrapCase{1944, 2}, WrapCase{1945, 3},
                                           WrapCase{2245, 4}, WrapCase{7280, 20}));

TEST(GridLayout, ScrollingShiftsEveryColumnByWholeColumnsEitherWay) {
    for (const std::int32_t scroll : {0, 1, 2, 5, -1, -3}) {
        SCOPED_TRACE("scrolled " + std::to_string(scroll));
        Rig r;
        SetOuterHeight(r.core, 1945);  // three rows to a column
        for (std::int32_t i = 1; i <= 7; ++i) r.core.grid.createRow(i);
        Scroll(r.core, scroll);
        ExpectPlaces(r.core, Expected({1, 2, 3, 4, 5, 6, 7}, 0, 1945, scroll));
        EXPECT_EQ(PlaceOf(r.core, 1, 0), (Place{120 - scroll * kColumnPitch, 360}));
    }
}

TEST(GridLayout, AMissingRowTakesNoPlace) {
    // While the node has sent no port list, row 1 is never made: the rows from 2 are laid out.
    Rig r;
    SetOuterHeight(r.core, 7280);
    Deliver(r, "^ZQ66^5^0^10.0.0.5^0^4000^0^K5ABC^0");
    ASSERT_FALSE(r.core.grid.hasRow(1));
    for (std::int32_t i = 2; i <= 5; ++i) {
        SCOPED_TRACE("row " + std::to_string(i));
        for (int f = 0; f < 3; ++f)
            EXPECT_EQ(PlaceOf(r.core, i, f), (Place{kBaseLeft[f], 360 + 300 * (i - 2)}));
    }
    // A gap further up is passed over too, and filling it moves the rows behind it down.
    r.core.grid.createRow(8);
    EXPECT_EQ(PlaceOf(r.core, 8, 2), (Place{2360, 360 + 300 * 4}));
    r.core.grid.createRow(6);
    EXPECT_EQ(PlaceOf(r.core, 6, 2), (Place{2360, 360 + 300 * 4}));
    EXPECT_EQ(PlaceOf(r.core, 8, 2), (Place{2360, 360 + 300 * 5}));
}

TEST(GridLayout, WhileThereIsNoPortListRowsAreMadeFromTwoAndOnlyWhereMissing) {
    Rig r;
    Deliver(r, "^ZQ66^3^0^10.0.0.3^0^4000^0^K3ABC^0");
    EXPECT_FALSE(r.core.grid.hasRow(1));
    EXPECT_TRUE(r.core.grid.hasRow(2));
    EXPECT_TRUE(r.core.grid.hasRow(3));
    // A later record for an existing row, and one for a higher socket, are both applied.
    Deliver(r, "^ZQ66^2^0^10.0.0.2^0^4002^0^K2ABC^0^ZQ66^6^0^10.0.0.6^0^4006^0^K6ABC^0");
    EXPECT_FALSE(r.core.grid.hasRow(1));
    EXPECT_EQ(r.core.connects.rows[2].address.text(), "10.0.0.2");
    EXPECT_EQ(r.core.connects.rows[6].call.text(), "K6ABC");
    EXPECT_EQ(r.core.grid.highestIndex(), 6);
}

TEST(GridLayout, RowsBelowTheHiddenLimitStayHiddenYetKeepTheirPlaceInTheOrder) {
    // Port boxes 1 and 2 are ports; the text sentence makes boxes up to 6 without counting them.
    Rig r;
    SetOuterHeight(r.core, 7280);
    Deliver(r, "^ZQ81^2^255^7000^ZQ80^6^six^ZQ66^8^0^10.0.0.8^0^4000^0^K8ABC^0");
    ASSERT_EQ(r.core.ports.portCount, 2);
    ASSERT_EQ(r.core.ports.hiddenRowLimit, 6);
    for (std::int32_t i = 1; i <= 8; ++i) {
        SCOPED_TRACE("row " + std::to_string(i));
        EXPECT_EQ(Cell(r.core, i, 2).visible(), i > 6);
        const Place expected = i <= 2 ? Place{2230, 0} : Place{2360, 360 + 300 * (i - 3)};
        EXPECT_EQ(PlaceOf(r.core, i, 2), expected);
    }
}

TEST(GridLayout, AfterAReconnectRowsUpToTheHiddenLimitAreMadeHidden) {
    Rig r;
    SetOuterHeight(r.core, 7280);
    Deliver(r, "^ZQ81^4^255^7300^ZQ66^6^0^a^0^p^0^K6ABC^0^ZQ66^6^0^a^0^p^0^K6ABC^0");
    ASSERT_EQ(r.core.ports.hiddenRowLimit, 4);
    ASSERT_EQ(r.core.table.lastCallRow, 6);
    r.core.link.connectToNode();
    r.platform.state = kSocketConnected;
    r.core.link.onConnected();
    ASSERT_EQ(r.core.grid.highestIndex(), 0);

    Deliver(r, "^ZQ66^6^0^a^0^p^0^K6ABC^0");
    // Row 4, the limit, is a port row too: it waits at Top 0, under the header's "Max", unseen.
    for (std::int32_t i = 1; i <= 4; ++i) {
        for (int f = 0; f < 3; ++f)
            EXPECT_FALSE(Cell(r.core, i, f).visible()) << "row " << i << " cell " << f;
    }
    EXPECT_EQ(PlaceOf(r.core, 4, 1), (Place{1560, 0}));
    EXPECT_TRUE(Cell(r.core, 5, 0).visible());
    EXPECT_EQ(PlaceOf(r.core, 5, 0), (Place{120, 360}));
    EXPECT_EQ(PlaceOf(r.core, 6, 0), (Place{120, 660}));
}

// Rows added one at a time, with resizes, scrolls, gaps filled late and rows removed on the way,
// end exactly where one pass over the final grid puts them.
TEST(GridLayout, IncrementalLayoutAlwaysMatchesAFullPass) {
    std::mt19937 rng(1208);
    const Twips heights[] = {1000, 1344, 1345, 1945, 2244, 3000, 7280, 20000};
    for (int round = 0; round < 30; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        Rig r;
        Core& core = r.core;
        const std::int32_t portCount = round % 3 == 0 ? 0 : static_cast<std::int32_t>(rng() % 5);
        core.ports.portCount = portCount;
        Twips height = heights[rng() % std::size(heights)];
        std::int32_t scroll = 0;
        SetOuterHeight(core, height);
        std::set<std::int32_t> rows;
        for (int step = 0; step < 150; ++step) {
            const int what = static_cast<int>(rng() % 20);
            bool check = true;
            if (what < 10) {
                const std::int32_t next = core.grid.highestIndex() + 1;
                core.grid.createRow(next);
                rows.insert(next);
            } else if (what < 12) {
                const std::int32_t next = core.grid.highestIndex() + 2 + static_cast<std::int32_t>(rng() % 4);
                core.grid.createRow(next);
                rows.insert(next);
            } else if (what < 14) {
                // Fill the lowest gap, if there is one.
                std::int32_t g = 1;
                while (rows.count(g)) ++g;
                if (g < core.grid.highestIndex()) {
                    core.grid.createRow(g);
                    rows.insert(g);
                } else {
                    check = false;
                }
            } else if (what < 16) {
                height = heights[rng() % std::size(heights)];
                SetOuterHeight(core, height);
            } else if (what < 18) {
                scroll = static_cast<std::int32_t>(rng() % 7) - 3;
                Scroll(core, scroll);
            } else if (what == 18 && !rows.empty()) {
                // A reconnect removes the rows from 1 up; the rest stay until the next pass.
                const std::int32_t upTo = *rows.begin() + static_cast<std::int32_t>(rng() % 6);
                for (std::int32_t i = 1; i <= upTo; ++i) {
                    core.grid.removeRow(i);
                    rows.erase(i);
                }
                check = false;
            } else {
                core.grid.layOut();
            }
            if (!check) continue;
            ASSERT_NO_FATAL_FAILURE(ExpectPlaces(core, Expected(rows, portCount, height, scroll)))
                << "step " << step;
        }
        // Forcing a pass from scratch moves nothing.
        SetOuterHeight(core, height + 1);
        SetOuterHeight(core, height);
        ASSERT_NO_FATAL_FAILURE(ExpectPlaces(core, Expected(rows, portCount, height, scroll)));
    }
}

}  // namespace
}  // namespace dx::test
