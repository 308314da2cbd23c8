// The receive buffer, the cutting of sentences from it, their dispatch by head and the output
// stage that writes their text into the monitor window's pane.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "app/core.h"
#include "app/sentence_stream.h"
#include "common/colour.h"
#include "stream_support.h"
#include "wire/sentences.h"

namespace dx::test {
namespace {

const Colour kBlack = colours::kBlack;
const Colour kMagenta = colours::kMagenta;
const Colour kBlue = colours::kBlue;
const Colour kRed = colours::kRed;

std::string Shown(Rig& r, std::size_t from) {
    return r.core.monitor.pane.text().substr(from);
}
std::vector<Segment> Written(Rig& r, std::size_t from) {
    return SegmentsFrom(r.core.monitor.pane, from);
}

// ---------------------------------------------------------------------------------------------
// When the buffer is cut

// The node ends each batch with EOT: everything up to the last one is handled in the arrival that
// brings it, the batch's last sentence included; what follows waits for the rest of its batch.
TEST(ReceiveBuffer, EverythingUpToTheLastBatchEndIsHandledInTheArrivalThatBringsIt) {
    struct Case {
        const char* name;
        std::vector<std::string> arrivals;
        std::string shown;
        std::string waiting;
    };
    const std::string full = "^ZQ61^" + std::string(8192 - 7, 'x') + kEotStr;  // one 8192-byte read
    const Case cases[] = {
        {"the first data after start-up",
         {"^ZQ61^Hello^ZQ61^World" + kEotStr},
         Line("Hello") + Line("World\x04"),
         ""},
        {"a read of exactly 8192 bytes", {full}, Line(full.substr(6)), ""},
        {"a read that stops inside a batch",
         {"^ZQ61^one" + kEotStr + "^ZQ61^second^ZQ6"},
         Line("one\x04"),
         "^ZQ61^second^ZQ6"},
        {"the rest of that batch",
         {"^ZQ61^one" + kEotStr + "^ZQ61^second^ZQ6", "1^third" + kEotStr},
         Line("one\x04") + Line("second") + Line("third\x04"),
         ""},
        {"a read that stops inside ZQ11",
         {"^ZQ61^ab^ZQ1", "1^cd^ZQ61^next" + kEotStr},
         Line("ab^ZQ11^cd") + Line("next\x04"),
         ""},
        {"no batch end yet", {"^ZQ61^one^ZQ61^two"}, "", "^ZQ61^one^ZQ61^two"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r;
        const std::size_t base = r.core.monitor.pane.size();
        for (const std::string& a : c.arrivals) r.arrive(a);
        EXPECT_EQ(Shown(r, base), c.shown);
        EXPECT_EQ(r.core.stream.receiveBuffer(), c.waiting);
    }
}

TEST(ReceiveBuffer, AStreamReadInPiecesThatSplitItsBatchesComesThroughWholeAndInOrder) {
    // A node faster than the program fills every read, so reads end anywhere in a batch, seldom
    // right after its EOT. Well past the buffer's cap, every line must still be shown once and in
    // order, and the buffer stay within a few reads.
    Rig r;
    std::string stream;
    int lines = 0;
    while (stream.size() < SentenceStream::kBufferCap + (2u << 20)) {
        stream += "^ZQ61^line " + std::to_string(++lines);
        if (lines % 7 == 0) stream += kEotStr;
    }
    const std::size_t read = 4093;
    int expected = 1;
    auto take = [&](const std::string& data) {
        const std::size_t before = r.core.monitor.pane.size();
        const std::size_t kept = Pane::keptAfterTrim(before);
        r.arrive(data);
        const std::string added = r.core.monitor.pane.text().substr(kept);
        for (std::size_t at = 0; (at = added.find("line ", at)) != std::string::npos; at += 5) {
            ASSERT_EQ(std::stoi(added.substr(at + 5)), expected);
            ++expected;
        }
        ASSERT_EQ(added.find("dropped"), std::string::npos);
    };
    for (std::size_t at = 0; at < stream.size(); at += read) {
        take(stream.substr(at, read));
        ASSERT_LT(r.core.stream.receiveBuffer().size(), 3 * read) << "after byte " << at;
    }
    take(kEotStr);
    EXPECT_EQ(expected, lines + 1);  // every line, the last one with the final batch end
}

TEST(ReceiveBuffer, DataIsReadOnlyFromAnOpenLink) {
    // A link still connecting is waited for; one that is closed is not read at all.
    struct OpensAfterWaiting : FakePlatform {
        void sleepMs(int ms) override {
            FakePlatform::sleepMs(ms);
            if (sleeps == 3) state = kSocketConnected;
        }
    };
    kit::StartedCore<OpensAfterWaiting> s;
    OpensAfterWaiting& p = s.platform;
    Core& core = s.core;
    p.state = kSocketConnecting;
    p.incoming = "data";
    core.stream.onDataArrival();
    EXPECT_EQ(core.stream.receiveBuffer(), "data");
    EXPECT_EQ(p.sleeps, 3);

    for (const int state : {kSocketClosed, kSocketClosing}) {
        SCOPED_TRACE("state " + std::to_string(state));
        Rig r;
        r.core.watchdog.idleTicks = 4;
        r.platform.state = state;
        r.arrive("^ZQ61^Hello" + kEotStr);
        EXPECT_EQ(r.core.stream.receiveBuffer(), "");
        EXPECT_EQ(r.platform.incoming, "^ZQ61^Hello" + kEotStr);  // left unread
        EXPECT_EQ(r.core.watchdog.idleTicks, 4);
    }
}

TEST(ReceiveBuffer, EveryArrivalFromAnOpenLinkResetsTheIdleCount) {
    Rig r;
    r.core.watchdog.idleTicks = 5;
    r.arrive("x");
    EXPECT_EQ(r.core.watchdog.idleTicks, 0);
}

// ---------------------------------------------------------------------------------------------
// Sentences split over arrivals

// A stream of several batches; none of its sentences depends on where an arrival ends.
const std::string kSplitStream = "^ZQ61^Hello there^ZQ63^Red alert" + kEotStr +
                                 "^ZQ62^Blue line^ZQ70^12^traffic line^ZQ61^[Bracketed" + kEotStr +
                                 "^ZQ61^Last words^ZQ92^tail" + kEotStr;

const std::vector<Segment> kSplitShown{
    {Line("Hello there"), kMagenta},
    {Line("Red alert\x04"), kRed},
    {Line("Blue line"), kBlue},
    {Line("^ZQ70^12^traffic line"), kBlack},
    {BracketLine("[Bracketed\x04") + Line("Last words"), kMagenta},
};

TEST(SentenceCutting, ASentenceSplitAtAnyPositionIsHandledAsIfItCameWhole) {
    for (std::size_t k = 1; k < kSplitStream.size(); ++k) {
        SCOPED_TRACE("split after " + std::to_string(k) + " characters");
        Rig r;
        const std::size_t base = r.core.monitor.pane.size();
        r.arrive(kSplitStream.substr(0, k));
        r.arrive(kSplitStream.substr(k));
        ASSERT_EQ(Written(r, base), kSplitShown);
        ASSERT_EQ(r.core.stream.receiveBuffer(), "");
    }
}

TEST(SentenceCutting, AStreamArrivingOneByteAtATimeIsHandledAsIfItCameWhole) {
    Rig r;
    const std::size_t base = r.core.monitor.pane.size();
    for (const char c : kSplitStream) r.arrive(std::string(1, c));
    EXPECT_EQ(Written(r, base), kSplitShown);
}

TEST(SentenceCutting, WithinABatchAHeadEvenCloseBehindASentenceStartEndsIt) {
    Rig r;
    const std::size_t base = r.core.monitor.pane.size();
    r.batch("^ZQ61^ab^ZQ61^more text");
    EXPECT_EQ(Shown(r, base), Line("more text\x04"));  // "ab" is too short to be written
}

// Text in front of the first head, at the start of the stream or after a drop, is a piece of its
// own; the sentence behind it is handled by its type.
TEST(SentenceCutting, TextBeforeTheFirstHeadIsAPieceOfItsOwn) {
    Rig r;
    const std::size_t base = r.core.monitor.pane.size();
    Deliver(r, "junk text^ZQ61^Hello^ZQ63^Red line");
    EXPECT_EQ(Written(r, base),
              (std::vector<Segment>{
                  {Line("junk text"), kBlack}, {Line("Hello"), kMagenta}, {Line("Red line"), kRed}}));

    const std::string record = "^ZQ66^12^0^10.0.0.1^0^4000^0^K1ABC^0";
    for (const std::string& before :
         {std::string("\r\n"), std::string(SentenceStream::kBufferCap + 1, 'j')}) {
        SCOPED_TRACE(before.size() > 2 ? "after a drop" : "a line break");
        Rig s;
        s.arrive(before);
        s.batch(record);
        EXPECT_TRUE(s.core.grid.hasRow(12));
        EXPECT_EQ(s.row(12).call.text(), "K1ABC");
    }
}

TEST(SentenceCutting, OneZq11RightAfterASentenceStartIsNotABoundary) {
    struct Case {
        const char* name;
        std::string stream;
        std::vector<Segment> shown;
    };
    const Case cases[] = {
        {"traffic line whose text begins with ZQ11",
         "^ZQ70^12^ZQ11^hello^ZQ61^Next line",
         {{Line("^ZQ70^12^ZQ11^hello"), kBlack}, {Line("Next line"), kMagenta}}},
        {"text sentence holding ZQ11",
         "^ZQ61^ab^ZQ11^cd^ZQ61^Next line",
         {{Line("ab^ZQ11^cd") + Line("Next line"), kMagenta}}},
        {"only the first ZQ11 is passed over",
         "^ZQ61^ab^ZQ11^xy^ZQ11^yz^ZQ61^Next line",
         {{Line("ab^ZQ11^xy") + Line("^ZQ11^yz") + Line("Next line"), kMagenta}}},
        {"a ZQ11 at the start of the buffer is a piece of its own",
         "^ZQ11^junk^ZQ63^Red line",
         {{Line("^ZQ11^junk"), kBlack}, {Line("Red line"), kRed}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r;
        const std::size_t base = r.core.monitor.pane.size();
        Deliver(r, c.stream);
        EXPECT_EQ(Written(r, base), c.shown);
    }
}

TEST(SentenceCutting, ATrafficLineRunsToTheFirstHeadFromItsEleventhCharacter) {
    struct Case {
        const char* name;
        std::string stream;
        std::vector<Segment> shown;
    };
    const Case cases[] = {
        {"head at the ninth character belongs to the line",
         "^ZQ70^5^^ZQ61^xyzw^ZQ61^Next line",
         {{Line("^ZQ70^5^^ZQ61^xyzw"), kBlack}, {Line("Next line"), kMagenta}}},
        {"head at the tenth character belongs to the line",
         "^ZQ70^5^a^ZQ61^Next line^ZQ61^More text",
         {{Line("^ZQ70^5^a^ZQ61^Next line"), kBlack}, {Line("More text"), kMagenta}}},
        {"head at the eleventh character ends the line",
         "^ZQ70^5^ab^ZQ61^Next line",
         {{Line("^ZQ70^5^ab"), kBlack}, {Line("Next line"), kMagenta}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r;
        const std::size_t base = r.core.monitor.pane.size();
        Deliver(r, c.stream);
        EXPECT_EQ(Written(r, base), c.shown);
    }
}

TEST(SentenceCutting, ATrafficLineWithNoHeadFromItsEleventhCharacterTakesTheRestOfTheBatch) {
    Rig r;
    const std::size_t base = r.core.monitor.pane.size();
    r.batch("^ZQ70^5^a^ZQ61^Next line");
    EXPECT_EQ(Shown(r, base), Line("^ZQ70^5^a^ZQ61^Next line\x04"));
    EXPECT_EQ(r.core.stream.receiveBuffer(), "");
}

// ---------------------------------------------------------------------------------------------
// Dispatch, colours and filters

TEST(SentenceDispatch, EachTypeIsWrittenInItsColour) {
    Rig r;
    const std::size_t base = r.core.monitor.pane.size();
    Deliver(r, "^ZQ61^magenta line^ZQ62^blue line^ZQ63^red line^ZQ64^blue again^ZQ70^3^black line");
    const std::vector<Segment> expected{{Line("magenta line"), kMagenta},
                                        {Line("blue line"), kBlue},
                                        {Line("red line"), kRed},
                                        {Line("blue again"), kBlue},
                                        {Line("^ZQ70^3^black line"), kBlack}};
    EXPECT_EQ(Written(r, base), expected);
}

TEST(SentenceDispatch, StatusAndTableSentencesWriteNothing) {
    Rig r;
    const std::size_t base = r.core.monitor.pane.size();
    Deliver(r,
            "^ZQ80^1^box text^ZQ81^2^255^7000^ZQ90^12^all time^ZQ91^7^session^ZQ92^Monday 10:00"
            "^ZQ66^12^0^10.0.0.1^0^4000^0^K1ABC^0^ZQ60^12^0^10.0.0.1^0^4000^0^K1ABC^0^ZQ65^1.5^x");
    EXPECT_EQ(Shown(r, base), "");
    EXPECT_EQ(r.core.connects.linkTime.text(), "1.50000");  // the link time went to its box
    EXPECT_TRUE(r.core.grid.hasRow(12));                    // and the record to its row
}

TEST(SentenceDispatch, AnUnknownHeadIsWrittenWholeInTheColourOfTheSentenceBeforeIt) {
    Rig r;
    const std::size_t base = r.core.monitor.pane.size();
    Deliver(r, "^ZQ63^red line^ZQ99unknown one^ZQ61^magenta line^ZQ5xunknown two");
    const std::vector<Segment> expected{{Line("red line") + Line("^ZQ99unknown one"), kRed},
                                        {Line("magenta line") + Line("^ZQ5xunknown two"), kMagenta}};
    EXPECT_EQ(Written(r, base), expected);
}

TEST(SentenceDispatch, TheColourStartsBlackAtEveryArrival) {
    Rig r;
    const std::size_t base = r.core.monitor.pane.size();
    r.batch("^ZQ63^red line");
    r.batch("^ZQ99next arrival");
    const std::vector<Segment> expected{{Line("red line\x04"), kRed},
                                        {Line("^ZQ99next arrival\x04"), kBlack}};
    EXPECT_EQ(Written(r, base), expected);
}

struct FilterCase {
    const char* name;
    bool out, in, unknown;
    std::vector<Segment> shown;
};

class OutputFilters : public ::testing::TestWithParam<FilterCase> {};

// Each filter hides its sentences; a hidden sentence still sets the colour that the sentences
// after it inherit, except a hidden traffic line, which sets none.
TEST_P(OutputFilters, HideTheirSentencesAndKeepTheColourRules) {
    const FilterCase& c = GetParam();
    Rig r;
    r.core.monitor.showOut.setChecked(c.out);
    r.core.monitor.showIn.setChecked(c.in);
    r.core.monitor.showUnknown.setChecked(c.unknown);
    const std::size_t base = r.core.monitor.pane.size();
    Deliver(r,
            "^ZQ61^magenta one^ZQ62^blue two^ZQ99after blue^ZQ63^red three^ZQ64^blue four^ZQ70^3^black five"
            "^ZQ99after traffic");
    EXPECT_EQ(Written(r, base), c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Filters, OutputFilters,
    ::testing::Values(FilterCase{"all_ticked",
                                 true,
                                 true,
                                 true,
                                 {{Line("magenta one"), kMagenta},
                                  {Line("blue two") + Line("^ZQ99after blue"), kBlue},
                                  {Line("red three"), kRed},
                                  {Line("blue four"), kBlue},
                                  {Line("^ZQ70^3^black five") + Line("^ZQ99after traffic"), kBlack}}},
                      FilterCase{"out_unticked_shows_nothing", false, true, true, {}},
                      FilterCase{"in_unticked_hides_blue_lines",
                                 true,
                                 false,
                                 true,
                                 {{Line("magenta one"), kMagenta},
                                  {Line("^ZQ99after blue"), kBlue},
                                  {Line("red three"), kRed},
                                  {Line("^ZQ70^3^black five") + Line("^ZQ99after traffic"), kBlack}}},
                      FilterCase{"unknown_unticked_hides_traffic",
                                 true,
                                 true,
                                 false,
                                 {{Line("magenta one"), kMagenta},
                                  {Line("blue two") + Line("^ZQ99after blue"), kBlue},
                                  {Line("red three"), kRed},
                                  {Line("blue four") + Line("^ZQ99after traffic"), kBlue}}}),
    [](const ::testing::TestParamInfo<FilterCase>& info) { return std::string(info.param.name); });

TEST(OutputFilters, WithOutUntickedStatusSentencesAndRecordsStillTakeEffect) {
    Rig r;
    r.core.monitor.showOut.setChecked(false);
    Deliver(r, "^ZQ91^42^session^ZQ81^2^255^7000^ZQ66^12^0^10.0.0.1^0^4000^0^K1ABC^0^ZQ65^1.5^x");
    EXPECT_EQ(r.core.connects.sessionHighWater.text(), "42");
    EXPECT_EQ(r.core.ports.portCount, 2);
    EXPECT_TRUE(r.core.grid.hasRow(12));
    EXPECT_EQ(r.core.connects.linkTime.text(), "Time");  // the link time goes through the output stage
}

TEST(OutputFilters, WithOutUntickedAShortLinkTimeDoesNotStopTheCutting) {
    for (const bool out : {true, false}) {
        SCOPED_TRACE(out ? "Out ticked" : "Out unticked");
        Rig r;
        r.core.monitor.showOut.setChecked(out);
        r.batch("^ZQ92^first^ZQ65^^ZQ92^second label^ZQ92^third label");
        EXPECT_EQ(r.core.connects.nodeStartTime.text(), out ? "first" : "third label\x04");
    }
}

// ---------------------------------------------------------------------------------------------
// The line layout of the output stage

TEST(OutputStage, SplitsOnLineBreakPairsIndentsAndDropsShortParts) {
    struct Case {
        const char* name;
        std::string text;
        std::string shown;
    };
    const Case cases[] = {
        {"plain line", "Hello", Line("Hello")},
        {"a line opening with [ is not indented", "[K1ABC   ] hi", BracketLine("[K1ABC   ] hi")},
        {"four characters are written", "abcd", Line("abcd")},
        {"three characters are dropped", "abc", ""},
        {"a bracket and two characters are dropped", "[ab", ""},
        {"a bracket and three characters are written", "[abc", BracketLine("[abc")},
        {"every part on its own line", "first\r\n[second\r\nabc\r\n\r\nfourth line",
         Line("first") + BracketLine("[second") + Line("fourth line")},
        {"a lone CR or LF does not split", "one\rtwo\nthree", Line("one\rtwo\nthree")},
        {"leading and trailing pairs give empty parts", "\r\nmiddle\r\n", Line("middle")},
        {"blanks count as characters", "    ", Line("    ")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r;
        const std::size_t base = r.core.monitor.pane.size();
        Deliver(r, "^ZQ61^" + c.text);
        EXPECT_EQ(Shown(r, base), c.shown);
    }
}

TEST(OutputStage, LeavesTheCaretJustAfterTheLastLineFeed) {
    Rig r;
    Deliver(r, "^ZQ61^first line^ZQ61^second line");
    const std::string& t = r.core.monitor.pane.text();
    EXPECT_EQ(r.core.monitor.pane.caret(), t.rfind('\n') + 1);
    EXPECT_EQ(t.substr(r.core.monitor.pane.caret()), "            second line");
}

TEST(OutputStage, ForAPassiveNodeALineBreakIsInsertedInFrontOfTheNewestLine) {
    Rig r;
    r.core.recognition.nodeIsArcPassive = true;
    const std::size_t base = r.core.monitor.pane.size();
    r.batch("^ZQ63^first line^ZQ61^second line^ZQ66^12^0^10.0.0.1^0^4000^0^K1ABC^0^ZQ61^ab" + kFlush);
    // Each written piece (even one whose only part is too short to show) puts a line break just
    // after the last line feed, in that piece's colour: in front of the newest line's text. A
    // piece left empty (the record) adds none.
    const std::vector<Segment> expected{
        {"\r\n\r\n            first line", kRed},
        {"\r\n\r\n\r\n            second line", kMagenta},
    };
    EXPECT_EQ(Written(r, base), expected);
}

// ---------------------------------------------------------------------------------------------
// The pane's length limit

// Once the pane holds more than 100000 characters, the next arrival first deletes its oldest
// 50000, and 50000 more at a time while it still holds more than 100000, before anything of that
// arrival is written.
TEST(PaneLimit, APaneAboveOneHundredThousandCharactersLosesItsOldestFiftyThousandsAtTheNextArrival) {
    struct Case {
        std::size_t size, kept;
    };
    for (const Case c :
         {Case{100000, 100000}, Case{100001, 50001}, Case{120000, 70000}, Case{400000, 100000}}) {
        SCOPED_TRACE("pane of " + std::to_string(c.size));
        Rig r;
        Pane& pane = r.core.monitor.pane;
        std::string old;
        for (std::size_t i = 0; old.size() < c.size; ++i) old += static_cast<char>('A' + i % 26);
        pane.setText(old);
        r.batch("^ZQ61^new line" + kFlush);
        EXPECT_EQ(pane.text(), old.substr(old.size() - c.kept) + Line("new line"));
    }
}

TEST(PaneLimit, ColoursStayWithTheirTextAfterATrim) {
    Rig r;
    Pane& pane = r.core.monitor.pane;
    pane.setText(std::string(50000, 'A'));
    pane.append(std::string(20, 'R'), kRed);
    pane.append(std::string(49990, 'B'), kBlue);
    r.arrive("x");
    EXPECT_EQ(SegmentsFrom(pane, 0),
              (std::vector<Segment>{{std::string(20, 'R'), kRed}, {std::string(49990, 'B'), kBlue}}));
}

// ---------------------------------------------------------------------------------------------
// A "^ZQ64" swallowed into another piece

TEST(Zq64InsideAPiece, ItsTailGoesInFrontOfTheWaitingSentencesAndIsHandledNextArrival) {
    // A head within a traffic line's first ten characters belongs to the line.
    Rig r;
    const std::size_t base = r.core.monitor.pane.size();
    Deliver(r, "^ZQ70^12^^ZQ64^blue text^ZQ61^after words^ZQ61^more words");
    // Nothing of the piece is written, and the cutting stops with the tail in front.
    EXPECT_EQ(Shown(r, base), "");
    EXPECT_EQ(r.core.stream.receiveBuffer().substr(0, 48),
              "^ZQ64^blue text^ZQ61^after words^ZQ61^more words");
    // What waited behind the piece is not lost.
    r.arrive(kEotStr);
    EXPECT_EQ(Written(r, base), (std::vector<Segment>{{Line("blue text"), kBlue},
                                                      {Line("after words") + Line("more words"), kMagenta}}));
}

// ---------------------------------------------------------------------------------------------
// The receive buffer's cap

TEST(ReceiveBufferCap, PastTheCapTheOldestBytesGoAndOneRedLineSaysHowMany) {
    const std::size_t cap = SentenceStream::kBufferCap;
    Rig r;
    const std::size_t base = r.core.monitor.pane.size();
    std::string data = "^ZQ61" + std::string(cap - 5, 'a');
    r.arrive(data);  // exactly the cap: kept whole
    EXPECT_EQ(r.core.stream.receiveBuffer().size(), cap);
    EXPECT_EQ(Shown(r, base), "");

    const std::string more = "bcdefghij";
    r.arrive(more);
    data += more;
    const std::size_t dropped = data.size() - cap / 2;
    EXPECT_EQ(r.core.stream.receiveBuffer(), std::string_view(data).substr(dropped));
    const std::vector<Segment> written = Written(r, base);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].colour, kRed);
    EXPECT_EQ(written[0].text.rfind("\r\n", 0), 0u);
    EXPECT_EQ(written[0].text.find("\r\n", 2), std::string::npos);  // one line
    EXPECT_NE(written[0].text.find(std::to_string(dropped)), std::string::npos);
}

TEST(ReceiveBufferCap, ArrivalsThatAddUpPastTheCapDropOnceAndTheStreamGoesOn) {
    const std::size_t cap = SentenceStream::kBufferCap;
    Rig r;
    const std::size_t base = r.core.monitor.pane.size();
    const std::size_t chunk = cap / 8 * 3;  // three of them pass the cap
    for (int i = 0; i < 3; ++i) r.arrive(std::string(chunk, static_cast<char>('a' + i)));
    EXPECT_EQ(r.core.stream.receiveBuffer().size(), cap / 2);
    EXPECT_EQ(r.core.stream.receiveBuffer().back(), 'c');
    const std::string afterDrop = Shown(r, base);
    EXPECT_NE(afterDrop.find(std::to_string(3 * chunk - cap / 2)), std::string::npos);

    r.arrive("dddd");  // below the cap again: no further line
    EXPECT_EQ(Shown(r, base), afterDrop);
    EXPECT_EQ(r.core.stream.receiveBuffer().size(), cap / 2 + 4);
}

// ---------------------------------------------------------------------------------------------
// Input that does not follow the sentence rules

TEST(BadInput, NeverStopsTheStreamFromHandlingLaterSentences) {
    const std::string cases[] = {
        std::string("\0\0\0", 3),
        std::string("^ZQ61ab\0cd\0ef", 13),
        "\x80\xff\xfe^ZQ61\x80\x81\x82\xff\xfe\xfd",
        "^ZQ",
        "^ZQ^ZQ^ZQ^ZQ",
        "^ZQ6",
        "^Z",
        "^",
        "^ZQ60",
        "^ZQ66^",
        "^ZQ66^^^",
        "^ZQ66^abc^0",
        "^ZQ66^99999^0^x",
        "^ZQ66^-5^0^a^b^c^d^e^f",
        "^ZQ60^5^1^x",
        "^ZQ66^5^-1^x",
        "^ZQ66^5^99999999999^x",
        "^ZQ66^5^7",
        "^ZQ66^5^0^a",
        "^ZQ70^",
        "^ZQ70^^^",
        "^ZQ70^abc^def",
        "^ZQ70^99999^x",
        "^ZQ80",
        "^ZQ80^",
        "^ZQ80^-1^x",
        "^ZQ80^2147483648^x",
        "^ZQ81",
        "^ZQ81^^^",
        "^ZQ81^-3^255",
        "^ZQ81^1e9^5",
        "^ZQ81^99999999999^1^2",
        "^ZQ90",
        "^ZQ90^",
        "^ZQ91^99999999999^x",
        "^ZQ90^-3.5^x",
        "^ZQ92",
        "^ZQ62",
        "^ZQ63^KeepAlive ",
        "^ZQ63^KeepAlive V",
        "^ZQ63^KeepAlive Vabc",
        "^ZQ65",
        "^ZQ65^",
        "^ZQ65^^^^",
        "^ZQ64",
        "^ZQ64^ZQ64^ZQ64",
        "x^ZQ64",
        "\x04\x04\x04",
        "\r\n\r\n",
        "^ZQ61\r\n\r\n\r",
    };
    for (const std::string& input : cases) {
        SCOPED_TRACE(::testing::PrintToString(input));
        Rig r;
        r.batch(input);
        Deliver(r, "^ZQ61^recovered line^ZQ61^second recovered");
        for (int i = 0; i < 10 && r.core.monitor.pane.text().find("second recovered") == std::string::npos;
             ++i)
            r.arrive(kEotStr);
        EXPECT_NE(r.core.monitor.pane.text().find(Line("second recovered")), std::string::npos);
    }
}

TEST(BadInput, RandomStreamsInRandomChunksKeepTheBufferAndPaneSound) {
    const char* const fragments[] = {
        "^ZQ60^",
        "^ZQ66^",
        "^ZQ61",
        "^ZQ62",
        "^ZQ63",
        "^ZQ64",
        "^ZQ65^",
        "^ZQ70^",
        "^ZQ80^",
        "^ZQ81^",
        "^ZQ90^",
        "^ZQ91^",
        "^ZQ92",
        "^ZQ11^",
        "^ZQ",
        "^",
        "\x04",
        "\r\n",
        "\r",
        "\xff",
        "0",
        "1",
        "12",
        "-3",
        "2.5",
        "40",
        "abc",
        "KeepAlive V1.93",
        "  dxspider >",
        "[",
        "text of a line ",
        "\x04",
        "\x04",
        "\x04",  // batch ends come often, so arrivals often cut
    };
    std::mt19937 rng(4242);
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        Rig r;
        r.core.recognition.nodeIsArcPassive = round % 3 == 0;
        std::string stream;
        while (stream.size() < 4000) {
            stream += fragments[rng() % std::size(fragments)];
            if (rng() % 50 == 0) stream.push_back('\0');
        }
        std::size_t at = 0;
        while (at < stream.size()) {
            const std::size_t n = 1 + rng() % 300;
            r.arrive(stream.substr(at, n));
            at += n;
            if (rng() % 20 == 0) r.core.monitor.showIn.setChecked(!r.core.monitor.showIn.checked());
            if (rng() % 20 == 0) r.core.monitor.showUnknown.setChecked(!r.core.monitor.showUnknown.checked());
            const Pane& pane = r.core.monitor.pane;
            ASSERT_LE(r.core.stream.receiveBuffer().size(), SentenceStream::kBufferCap);
            ASSERT_EQ(pane.displaySize(), Pane::displayLength(pane.text()));
            std::size_t runTotal = 0;
            for (const Pane::Run& run : pane.runs()) runTotal += run.length;
            ASSERT_EQ(runTotal, pane.size());
        }
        r.core.monitor.showIn.setChecked(true);
        r.core.monitor.showUnknown.setChecked(true);
        r.arrive(kEotStr);
        r.arrive("^ZQ61^recovered line^ZQ61^second recovered" + kFlush + kEotStr);
        // Each faulty sentence ends its arrival: as many arrivals as it takes work the rest off.
        for (int i = 0; i < 5000 && r.core.monitor.pane.text().find("second recovered") == std::string::npos;
             ++i)
            r.arrive(kEotStr);
        EXPECT_NE(r.core.monitor.pane.text().find("second recovered"), std::string::npos);
    }
}

// ---------------------------------------------------------------------------------------------
// The dispatch table

TEST(DispatchTable, HasOneRouteForEveryKindAndEveryHeadFindsItsKind) {
    const SentenceStream::DispatchTable& table = SentenceStream::dispatchTable();
    for (const wire::SentenceKind kind : wire::kSentenceKinds) {
        SCOPED_TRACE(std::string(wire::headOf(kind)));
        EXPECT_EQ(std::count_if(table.begin(), table.end(),
                                [kind](const SentenceStream::Route& r) { return r.kind == kind; }),
                  1);
        EXPECT_EQ(wire::kindOf(std::string(wire::headOf(kind)) + "^text"), kind);
    }
}

TEST(DispatchTable, APieceOfNoKindIsShownWholeInTheColourPassedOnToIt) {
    for (const char* piece :
         {"text before a head", "^ZQ99^x", "^ZQ70x^1^y", "^ZQ7", "^ZQ", "^zq61^x", "^ZQ6x^"}) {
        SCOPED_TRACE(piece);
        EXPECT_FALSE(wire::kindOf(piece).has_value());
        Rig r;
        const wire::Outcome out = r.core.stream.dispatch(piece);
        EXPECT_EQ(out.kind(), wire::Outcome::Kind::Show);
        EXPECT_EQ(out.text(), piece);
        EXPECT_FALSE(out.colour().has_value());
    }
}

TEST(DispatchTable, EachRouteAnswersWhatItsHandlerGivesThePane) {
    using K = wire::Outcome::Kind;
    struct Case {
        std::string sentence;
        K kind;
        std::string text;
        std::optional<Colour> colour;
    };
    const Case cases[] = {
        {"^ZQ61^node line", K::Show, "node line", kMagenta},
        {"^ZQ62^to the socket", K::Show, "to the socket", kBlue},
        {"^ZQ62", K::Show, "\r\n", kBlue},
        {"^ZQ63^from the socket", K::Show, "from the socket", kRed},
        {"^ZQ64^to every user", K::Show, "to every user", kBlue},
        {"^ZQ65^1.5^x", K::Nothing, "", std::nullopt},
        {"^ZQ65^", K::Stop, "", std::nullopt},
        {"^ZQ66^12^0^10.0.0.1^0^4000^0^K1ABC^0", K::Nothing, "", std::nullopt},
        {"^ZQ60^12^0^10.0.0.1^0^4000^0^K1ABC^0", K::Nothing, "", std::nullopt},
        {"^ZQ70^3^a line", K::Show, "^ZQ70^3^a line", kBlack},  // before any record: as it came
        {"^ZQ80^1^7", K::Nothing, "", std::nullopt},
        {"^ZQ81^1^255^23", K::Nothing, "", std::nullopt},
        {"^ZQ90^4^t", K::Nothing, "", std::nullopt},
        {"^ZQ91^4^t", K::Nothing, "", std::nullopt},
        {"^ZQ92^Monday", K::Nothing, "", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sentence);
        Rig r;
        const wire::Outcome out = r.core.stream.dispatch(c.sentence);
        EXPECT_EQ(out.kind(), c.kind);
        EXPECT_EQ(out.text(), c.text);
        EXPECT_EQ(out.colour(), c.colour);
    }
}

TEST(DispatchTable, AHiddenBlueLinePassesItsColourOnAHiddenTrafficLineDoesNot) {
    Rig r;
    r.core.monitor.showIn.setChecked(false);
    r.core.monitor.showUnknown.setChecked(false);
    for (const char* blue : {"^ZQ62^hidden", "^ZQ64^hidden"}) {
        SCOPED_TRACE(blue);
        const wire::Outcome out = r.core.stream.dispatch(blue);
        EXPECT_EQ(out.kind(), wire::Outcome::Kind::Nothing);
        EXPECT_EQ(out.colour(), kBlue);
    }
    const wire::Outcome traffic = r.core.stream.dispatch("^ZQ70^3^hidden");
    EXPECT_EQ(traffic.kind(), wire::Outcome::Kind::Nothing);
    EXPECT_FALSE(traffic.colour().has_value());
}

}  // namespace
}  // namespace dx::test
