// Finding text in the traffic pane: the operator's text as typed, the count and the steps through
// the matches, and the matches kept right while lines come and the oldest are trimmed.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "common/colour.h"
#include "support/pane_journal.h"
#include "views/pane.h"
#include "views/pane_find.h"

namespace dx {
namespace {

// The engine of a build without regular expressions: every expression is refused.
struct NoRegularExpressions : RegexEngine {
    std::unique_ptr<TextSearch> compile(std::string_view, bool) const override { return nullptr; }
};
const NoRegularExpressions kNoRegex;

std::vector<Span> literal(std::string_view text, std::string_view needle, bool matchCase,
                          std::size_t from = 0) {
    std::vector<Span> out;
    LiteralSearch(needle, matchCase).findAll(text, from, out);
    return out;
}

TEST(LiteralSearch, FindsTheTextAsTypedWithLatin1CaseFoldingUnlessCaseMatters) {
    struct Case {
        std::string text, needle;
        bool matchCase;
        std::size_t from;
        std::vector<Span> expected;
    };
    const std::vector<Case> cases{
        {"G4ABC g4abc G4Abc", "g4abc", false, 0, {{0, 5}, {6, 11}, {12, 17}}},
        {"G4ABC g4abc G4Abc", "g4abc", true, 0, {{6, 11}}},
        {"G4ABC g4abc G4Abc", "G4ABC", false, 1, {{6, 11}, {12, 17}}},  // from mid-text
        {"caf\xE9 CAF\xC9", "caf\xC9", false, 0, {{0, 4}, {5, 9}}},     // é and É
        {"\xD7\xF7", "\xF7", false, 0, {{1, 2}}},                       // × and ÷ are no letters
        {"\xDF\xFF", "\xDF\xFF", false, 0, {{0, 2}}},                   // ß and ÿ have no capitals here
        {"aaaa", "aa", false, 0, {{0, 2}, {2, 4}}},                     // matches never overlap
        {"abc", "", false, 0, {}},
        {"abc", "abcd", false, 0, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(literal(c.text, c.needle, c.matchCase, c.from), c.expected) << c.text << " / " << c.needle;
}

TEST(PaneFind, StartsAtTheNewestMatchAndStepsRoundBothWays) {
    Pane pane("Connected\r\n");
    for (const char* line : {"\r\n G4ABC one", "\r\n DL1XX", "\r\n g4abc two", "\r\n G4ABC three"})
        pane.append(line, colours::kBlue);
    PaneFind find(pane, kNoRegex);
    find.setText("G4ABC");  // typed while the bar is closed: nothing is searched yet
    EXPECT_TRUE(find.matches().empty());
    find.next();
    EXPECT_FALSE(find.current());

    find.open();
    EXPECT_EQ(find.countText(), "3 of 3");
    const std::vector<std::string> steps{"1 of 3", "2 of 3", "3 of 3", "1 of 3"};
    for (const std::string& expected : steps) {
        find.next();
        EXPECT_EQ(find.countText(), expected);
    }
    find.previous();
    find.previous();
    EXPECT_EQ(find.countText(), "2 of 3");
    find.setMatchCase(true);
    EXPECT_EQ(find.countText(), "2 of 2");
    find.setText("K1ZZZ");
    EXPECT_EQ(find.countText(), "0 of 0");
    find.next();
    EXPECT_EQ(find.countText(), "0 of 0");
    find.setText("");
    EXPECT_EQ(find.countText(), "");

    find.setText("DL1");
    EXPECT_EQ(find.matches().size(), 1u);
    find.close();
    EXPECT_TRUE(find.matches().empty());
    EXPECT_EQ(find.text(), "DL1");  // kept for the next opening
    find.open();
    EXPECT_EQ(find.countText(), "1 of 1");
}

TEST(PaneFind, AnExpressionTheEngineRefusesIsInvalidAndFindsNothing) {
    Pane pane("a(b");
    PaneFind find(pane, kNoRegex);
    find.open();
    find.setText("(");
    EXPECT_EQ(find.countText(), "1 of 1");
    find.setRegularExpression(true);
    EXPECT_FALSE(find.valid());
    EXPECT_TRUE(find.matches().empty());
    EXPECT_EQ(find.countText(), "");
    find.setRegularExpression(false);
    EXPECT_TRUE(find.valid());
    EXPECT_EQ(find.countText(), "1 of 1");
}

// Whatever the pane does (lines appended whole or in pieces, line breaks put in after a line,
// trims of the oldest text, the whole text replaced), the matches it follows to are those a fresh
// search finds, at the places the view shows them.
TEST(PaneFind, FollowingThePaneFindsWhatAFreshSearchFinds) {
    std::mt19937 random(22);
    const std::vector<std::string> pieces{
        "\r\n            G4A",          "BC de DL1XX", "\r\n[G4ABC    ] g4abc-2",
        "\r\n            nothing here", "g4",          "abc"};
    Pane pane("Connected\r\n");
    PaneFind find(pane, kNoRegex);
    find.open();
    find.setText("g4abc");
    for (int step = 0; step < 4000; ++step) {
        const auto roll = random() % 100;
        if (roll < 80) {
            pane.append(pieces[random() % pieces.size()], colours::kRed);
        } else if (roll < 90) {
            // As a passive node's lines are: just after a line feed.
            const std::size_t lf = pane.text().rfind('\n', random() % (pane.size() + 1));
            pane.setCaret(lf == std::string::npos ? 0 : lf + 1);
            pane.insertAtCaret("\r\n", colours::kBlue);
        } else if (roll < 99) {
            pane.deleteFront(random() % (pane.size() / 2 + 1));
        } else {
            pane.setText("Trying");
        }
        if (random() % 3 == 0) continue;  // the window looks after some changes only
        find.follow();
        const std::vector<Span> expected = literal(pane.text(), "g4abc", false);
        ASSERT_EQ(find.matches().size(), expected.size()) << "step " << step;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const PaneFind::Match& m = find.matches()[i];
            ASSERT_EQ((Span{m.start, m.end}), expected[i]) << "step " << step;
            const std::string_view text = pane.text();
            ASSERT_EQ(m.displayStart, kit::shownLength(text.substr(0, m.start))) << "step " << step;
            ASSERT_EQ(m.displayEnd, kit::shownLength(text.substr(0, m.end))) << "step " << step;
        }
        ASSERT_EQ(find.current().has_value(), !expected.empty());
    }
}

TEST(PaneFind, TheOperatorsMatchStaysCurrentAsLinesComeAndGoesToTheOldestWhenTrimmedAway) {
    Pane pane;
    for (int i = 0; i < 10; ++i) pane.append("\r\nline " + std::to_string(i) + " G4ABC", colours::kRed);
    PaneFind find(pane, kNoRegex);
    find.open();
    find.setText("G4ABC");
    for (int i = 0; i < 6; ++i) find.previous();
    ASSERT_EQ(find.countText(), "4 of 10");
    const auto currentLine = [&] { return pane.text().substr(find.matches()[*find.current()].start - 7, 6); };
    ASSERT_EQ(currentLine(), "line 3");

    pane.append("\r\nline 10 G4ABC", colours::kRed);
    pane.deleteFront(pane.text().find("line 2"));
    find.follow();
    EXPECT_EQ(find.countText(), "2 of 9");
    EXPECT_EQ(currentLine(), "line 3");

    pane.deleteFront(pane.text().find("line 5"));
    find.follow();
    EXPECT_EQ(find.countText(), "1 of 6");
    EXPECT_EQ(currentLine(), "line 5");
}

}  // namespace
}  // namespace dx
