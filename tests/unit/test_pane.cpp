// The traffic pane as data: coloured text, caret, trimming from the front, and the journal of
// edits that a window replays onto its own rich-text view.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "common/colour.h"
#include "stream_support.h"
#include "support/pane_journal.h"
#include "views/pane.h"

namespace dx {
namespace {

using test::Segment;
using test::SegmentsFrom;

// A stand-in for the window's view: it knows only the journal, as the real one does.
using kit::ReplayedView;
// The colour of every shown character of the pane, computed from its runs.
using kit::shownColours;

TEST(Pane, StartsWithItsInitialTextInBlack) {
    Pane p("Press Connect To Begin");
    EXPECT_EQ(p.text(), "Press Connect To Begin");
    EXPECT_EQ(p.colourAt(0), colours::kBlack);
    EXPECT_EQ(p.caret(), 0u);
}

TEST(Pane, AppendedTextKeepsItsColourAndNeighboursOfOneColourShareARun) {
    Pane p("Connected\r\n");
    p.append("\r\n            Hello", colours::kMagenta);
    p.append("\r\n            World", colours::kMagenta);
    p.append("\r\n            Alert", colours::kRed);
    const std::vector<Segment> expected{{"Connected\r\n", colours::kBlack},
                                        {"\r\n            Hello\r\n            World", colours::kMagenta},
                                        {"\r\n            Alert", colours::kRed}};
    EXPECT_EQ(SegmentsFrom(p, 0), expected);
    EXPECT_EQ(p.runs().size(), 3u);
    EXPECT_EQ(p.caret(), p.size());
    EXPECT_EQ(p.colourAt(11), colours::kMagenta);
    EXPECT_EQ(p.colourAt(p.size() - 1), colours::kRed);
}

TEST(Pane, InsertingInsideARunSplitsItAroundTheNewText) {
    Pane p;
    p.append("aaaabbbb", colours::kBlue);
    p.setCaret(4);
    p.insertAtCaret("XY", colours::kRed);
    const std::vector<Segment> expected{
        {"aaaa", colours::kBlue}, {"XY", colours::kRed}, {"bbbb", colours::kBlue}};
    EXPECT_EQ(SegmentsFrom(p, 0), expected);
    EXPECT_EQ(p.caret(), 6u);  // just after what was inserted
}

TEST(Pane, SetTextReplacesEverythingInBlackWithTheCaretAtTheStart) {
    Pane p;
    p.append("one", colours::kRed);
    p.append("two", colours::kBlue);
    p.setText("Trying");
    EXPECT_EQ(SegmentsFrom(p, 0), (std::vector<Segment>{{"Trying", colours::kBlack}}));
    EXPECT_EQ(p.caret(), 0u);
}

TEST(Pane, DeleteFrontDropsWholeAndPartRunsAndMovesTheCaretWithTheText) {
    Pane p;
    p.append("11111", colours::kRed);
    p.append("22222", colours::kBlue);
    p.append("33333", colours::kMagenta);
    p.setCaret(12);
    p.deleteFront(7);
    EXPECT_EQ(p.text(), "22233333");
    const std::vector<Segment> expected{{"222", colours::kBlue}, {"33333", colours::kMagenta}};
    EXPECT_EQ(SegmentsFrom(p, 0), expected);
    EXPECT_EQ(p.caret(), 5u);

    p.setCaret(2);
    p.deleteFront(5);  // the caret stood in the deleted text: it goes to the start
    EXPECT_EQ(p.caret(), 0u);
    p.deleteFront(100);  // more than there is
    EXPECT_EQ(p.text(), "");
    EXPECT_TRUE(p.runs().empty());
}

TEST(Pane, ShownLengthCountsALineBreakPairAsOne) {
    struct Case {
        std::string text;
        std::size_t shown;
    };
    const Case cases[] = {
        {"", 0},   {"abc", 3},  {"\r\n", 1},   {"a\r\nb", 3},   {"\r", 1},
        {"\n", 1}, {"\n\r", 2}, {"\r\r\n", 2}, {"\r\n\r\n", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.text));
        EXPECT_EQ(Pane::displayLength(c.text), c.shown);
        EXPECT_EQ(Pane::displayText(c.text).size(), c.shown);
    }
    EXPECT_EQ(Pane::displayText("a\r\nb\rc\nd"), u"a\nb\nc\nd");
    // latin1Bytes are Latin-1; a control character still takes exactly one place.
    const std::u16string shown = Pane::displayText(std::string("\xE9\x04\x01", 3));
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0], u'\u00E9');
}

TEST(PaneJournal, DeletingUpToTheMiddleOfALineBreakKeepsTheBreakShown) {
    Pane p;
    p.takeEdits();
    p.append("ab\r\ncd", colours::kBlack);
    ReplayedView v;
    v.apply(p, p.takeEdits());
    p.deleteFront(3);  // "ab" and the CR of the pair
    v.apply(p, p.takeEdits());
    EXPECT_EQ(p.text(), "\ncd");
    EXPECT_EQ(v.shown, Pane::displayText(p.text()));
    EXPECT_EQ(p.displaySize(), Pane::displayLength(p.text()));
}

TEST(PaneJournal, AJournalLeftUntakenCollapsesIntoOneReset) {
    struct Case {
        const char* name;
        int appends;
        std::size_t length;
    };
    // Too many edits, or too many bytes in them.
    for (const Case c : {Case{"many edits", 20001, 1}, Case{"many bytes", 5, 1u << 20}}) {
        SCOPED_TRACE(c.name);
        Pane p("Connected\r\n");
        p.takeEdits();
        for (int i = 0; i < c.appends; ++i) p.append(std::string(c.length, 'x'), colours::kBlue);
        p.append("\r\n            last", colours::kRed);
        const std::vector<Pane::Edit> edits = p.takeEdits();
        ASSERT_EQ(edits.size(), 1u);
        EXPECT_EQ(edits[0].kind, Pane::Edit::Kind::Reset);
        ReplayedView v;
        v.apply(p, edits);
        EXPECT_EQ(v.shown, Pane::displayText(p.text()));
        EXPECT_EQ(v.colours, shownColours(p));
        // After the take, edits are journaled one by one again.
        p.append("more", colours::kRed);
        EXPECT_EQ(p.takeEdits().size(), 1u);
    }
}

// The edits the output stage makes: appends of lines that begin with a line break, a line break
// inserted just after the last LF, and trims from the front. Replayed onto a view after any
// number of them, the view shows the pane's text in the pane's colours.
TEST(PaneJournal, ReplayingTheOutputStagesEditsShowsThePaneExactly) {
    std::mt19937 rng(20261208);
    const char* const words[] = {"Hello", "[call] text", "ab",       "x\ry",    "tail\r",
                                 "\n",    "\r\n",        "\x04\x04", "\xff\xfe"};
    const Colour palette[] = {colours::kBlack, colours::kRed, colours::kBlue, colours::kMagenta};
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        Pane p("Connected\r\n");
        ReplayedView v;
        v.apply(p, p.takeEdits());
        for (int step = 0; step < 300; ++step) {
            const int what = static_cast<int>(rng() % 10);
            const Colour c = palette[rng() % 4];
            if (what < 6) {
                std::string line = "\r\n            ";
                line += words[rng() % std::size(words)];
                p.append(line, c);
            } else if (what < 8) {
                const std::size_t lf = p.text().rfind('\n');
                p.setCaret(lf == std::string::npos ? 0 : lf + 1);
                p.insertAtCaret("\r\n", c);
            } else if (what == 8) {
                p.deleteFront(rng() % (p.size() + 1));
            } else {
                p.setCaret(p.size());
            }
            if (rng() % 4 == 0) v.apply(p, p.takeEdits());
            ASSERT_EQ(p.displaySize(), Pane::displayLength(p.text()));
        }
        v.apply(p, p.takeEdits());
        ASSERT_EQ(v.shown, Pane::displayText(p.text()));
        ASSERT_EQ(v.colours, shownColours(p));
    }
}

}  // namespace
}  // namespace dx
