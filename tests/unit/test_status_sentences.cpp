// The node's status sentences: the port strip, the high-water marks, the start time and the
// coloured text lines with the keep-alive.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/core.h"
#include "common/colour.h"
#include "stream_support.h"

namespace dx::test {
namespace {

const Colour kDesignBoxColour = rgb(0x00FF00);

std::vector<Element>& Strip(Rig& r) {
    return r.core.connects.portStrip;
}

TEST(PortStrip, AColourSentenceCreatesTheMissingBoxesWithTheirPortTip) {
    Rig r;
    Deliver(r, "^ZQ81^3^255^7000");
    const auto& boxes = Strip(r);
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(r.core.ports.portCount, 3);
    for (int i = 1; i <= 3; ++i) {
        SCOPED_TRACE("box " + std::to_string(i));
        EXPECT_EQ(boxes[i].tip(), " Port 7000");
        EXPECT_TRUE(boxes[i].visible());
        EXPECT_EQ(boxes[i].left(), 6600 + 250 * i);
        EXPECT_EQ(boxes[i].top(), 0);
    }
    // 255 is red in the node's blue-green-red order.
    EXPECT_EQ(boxes[3].back(), colours::kRed);
    EXPECT_EQ(toRrggbb(boxes[3].back()), 0xFF0000u);
    // The boxes made on the way keep the design box's colour and text.
    for (int i = 1; i <= 2; ++i) {
        EXPECT_EQ(boxes[i].back(), kDesignBoxColour);
        EXPECT_EQ(boxes[i].text(), "0");
    }
    EXPECT_FALSE(boxes[0].visible());
    ASSERT_EQ(r.core.status.portBoxColours.size(), 4u);
    EXPECT_EQ(r.core.status.portBoxColours[3], 255);
}

TEST(PortStrip, LaterSentencesForAnExistingBoxChangeOnlyThatBox) {
    Rig r;
    Deliver(r, "^ZQ81^3^255^7000");
    Deliver(r, "^ZQ80^2^5^ZQ81^1^65280^7300");
    const auto& boxes = Strip(r);
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[2].text(), "5");
    EXPECT_EQ(boxes[1].back(), colours::kGreen);
    EXPECT_EQ(boxes[1].tip(), " Port 7000");  // the tip is given only when the box is made
    EXPECT_EQ(r.core.ports.portCount, 3);
    EXPECT_EQ(r.core.status.portBoxColours[1], 65280);
}

TEST(PortStrip, ATextSentenceCreatesBoxesWithoutCountingThemAsPorts) {
    Rig r;
    Deliver(r, "^ZQ81^2^255^7000");
    Deliver(r, "^ZQ80^5^five");
    const auto& boxes = Strip(r);
    ASSERT_EQ(boxes.size(), 6u);
    EXPECT_EQ(r.core.ports.portCount, 2);
    EXPECT_EQ(boxes[5].text(), "five");
    EXPECT_EQ(boxes[4].text(), "0");
    EXPECT_EQ(boxes[4].tip(), "");
    EXPECT_TRUE(boxes[4].visible());
    EXPECT_EQ(boxes[5].left(), 6600 + 250 * 5);
    // A colour for a box that a text sentence made does not move the port count.
    Deliver(r, "^ZQ81^5^255^7300");
    EXPECT_EQ(r.core.ports.portCount, 2);
    EXPECT_EQ(boxes[5].back(), colours::kRed);
}

TEST(PortStrip, AColourSentenceWithFourFieldsGivesNoTipAndNumbersAreRounded) {
    Rig r;
    Deliver(r, "^ZQ81^2.5^255.5");  // box 2 (half to even), colour 256
    const auto& boxes = Strip(r);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[2].tip(), "");
    EXPECT_EQ(boxes[2].back(), 256);
    EXPECT_EQ(r.core.status.portBoxColours[2], 256);
    Deliver(r, "^ZQ81^0^16777215^9");  // box 0 is the design box: it only takes the colour
    EXPECT_EQ(boxes[0].back(), colours::kWhite);
    EXPECT_EQ(r.core.ports.portCount, 2);
    EXPECT_EQ(r.core.status.portBoxColours[0], 16777215);
}

// A faulty sentence ends there; what it did before the fault stays, and the sentences behind it
// are handled as usual.
struct FaultCase {
    const char* name;
    std::string sentence;
    std::size_t boxes;  // boxes in the strip afterwards (with the design box)
    std::int32_t portCount;
};

class FaultySentence : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FaultySentence, EndsOnlyItself) {
    const FaultCase& c = GetParam();
    Rig r;
    const std::size_t base = r.core.monitor.pane.size();
    Deliver(r, c.sentence + "^ZQ61^after the fault");
    EXPECT_EQ(Strip(r).size(), c.boxes);
    EXPECT_EQ(r.core.ports.portCount, c.portCount);
    EXPECT_EQ(r.core.monitor.pane.text().substr(base), Line("after the fault"));
}

INSTANTIATE_TEST_SUITE_P(
    PortStrip, FaultySentence,
    ::testing::Values(FaultCase{"text_box_number_not_a_number", "^ZQ80^x^text", 1, 0},
                      FaultCase{"text_box_number_with_decimals", "^ZQ80^2.5^text", 1, 0},
                      FaultCase{"text_box_number_missing", "^ZQ80", 1, 0},
                      // the boxes are made before the missing text is found missing
                      FaultCase{"text_sentence_without_text", "^ZQ80^3", 4, 0},
                      FaultCase{"colour_sentence_without_box", "^ZQ81", 1, 0},
                      FaultCase{"colour_sentence_without_colour", "^ZQ81^3", 4, 3},
                      FaultCase{"text_box_number_above_1000", "^ZQ80^1001^x", 1, 0},
                      FaultCase{"colour_box_number_above_1000", "^ZQ81^1001^255^7000", 1, 0}),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

TEST(PortStrip, BoxNumberOneThousandIsStillMade) {
    Rig r;
    Deliver(r, "^ZQ81^1000^255^7000");
    EXPECT_EQ(Strip(r).size(), 1001u);
    EXPECT_EQ(r.core.ports.portCount, 1000);
    Deliver(r, "^ZQ80^1000^last");
    EXPECT_EQ(Strip(r)[1000].text(), "last");
}

TEST(PortStrip, ABoxNumberAboveOneThousandLeavesAnExistingStripAsItWas) {
    Rig r;
    Deliver(r, "^ZQ81^2^255^7000");
    Deliver(r, "^ZQ81^5000^65280^7300");
    Deliver(r, "^ZQ80^5000^text");
    EXPECT_EQ(Strip(r).size(), 3u);
    EXPECT_EQ(r.core.ports.portCount, 2);
    EXPECT_EQ(r.core.status.portBoxColours.size(), 3u);
}

struct MarkCase {
    const char* name;
    std::string payload;
    std::string count;
    std::string tipText;
};

TEST(HighwaterMarks, ShowTheRoundedCountAndTheTextInTheTip) {
    const MarkCase cases[] = {
        {"count and text", "42^since Monday", "42", "since Monday"},
        {"a half goes to the even count", "42.5^t", "42", "t"},
        {"another half", "43.5^t", "44", "t"},
        {"no separator: the whole rest is the text", "42", "42", "42"},
        {"count without a number reads 0", "abc^x", "0", "x"},
        {"only the first separator splits", "7^a^b", "7", "a^b"},
        {"a count beyond 32 bits", "99999999999^t", "99999999999", "t"},
        {"an empty text", "7^", "7", ""},
    };
    for (const MarkCase& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r;
        Deliver(r, "^ZQ90^" + c.payload + "^ZQ91^" + c.payload);
        EXPECT_EQ(r.core.connects.allTimeHighWater.text(), c.count);
        EXPECT_EQ(r.core.connects.allTimeHighWaterLabel.tip(), "All-Time Highwater Mark (" + c.tipText + ")");
        EXPECT_EQ(r.core.connects.sessionHighWater.text(), c.count);
        EXPECT_EQ(r.core.connects.sessionHighWaterLabel.tip(), "Session Highwater Mark (" + c.tipText + ")");
    }
}

TEST(HighwaterMarks, SessionAndAllTimeMarksAreIndependent) {
    Rig r;
    Deliver(r, "^ZQ91^42^t");
    EXPECT_EQ(r.core.connects.sessionHighWater.text(), "42");
    EXPECT_EQ(r.core.connects.sessionHighWaterLabel.tip(), "Session Highwater Mark (t)");
    EXPECT_EQ(r.core.connects.allTimeHighWater.text(), "000");
    EXPECT_EQ(r.core.connects.allTimeHighWaterLabel.tip(), "");
}

TEST(StartTime, IsShownInItsLabelWhichBecomesVisible) {
    Rig r;
    EXPECT_FALSE(r.core.connects.nodeStartTime.visible());
    r.batch("^ZQ92^Started 2026-12-08 08:00^ZQ61^Hello there");
    EXPECT_EQ(r.core.connects.nodeStartTime.text(), "Started 2026-12-08 08:00");
    EXPECT_TRUE(r.core.connects.nodeStartTime.visible());
}

TEST(BlueLines, AHeadAloneBecomesALineBreakThatIsNotWritten) {
    Rig r;
    r.core.recognition.nodeIsArcPassive = false;
    const std::size_t base = r.core.monitor.pane.size();
    Deliver(r, "^ZQ62^ZQ99after the head");
    // The empty blue line writes nothing, but the sentence after it takes its blue.
    EXPECT_EQ(SegmentsFrom(r.core.monitor.pane, base),
              (std::vector<Segment>{{Line("^ZQ99after the head"), colours::kBlue}}));
}

TEST(BlueLines, AreShownDespiteInWhileTheMonitoredSocketsPortCellIsGreen) {
    for (const bool green : {false, true}) {
        SCOPED_TRACE(green ? "green" : "white");
        Rig r;
        r.core.monitor.showIn.setChecked(false);
        if (green) r.core.connects.rows[0].setVerdict(Verdict::KelLatest);
        const std::size_t base = r.core.monitor.pane.size();
        Deliver(r, "^ZQ62^blue line");
        EXPECT_EQ(r.core.monitor.pane.text().substr(base), green ? Line("blue line") : "");
    }
}

TEST(BlueLines, ALightGreenPortCellTakesTheVersionBeforeTheDxSpiderPrompt) {
    struct Case {
        const char* name;
        std::size_t promptAt;  // where the prompt starts in the text after the head
        std::string version;
        std::string tip;
    };
    const Case cases[] = {
        {"prompt at the 38th character", 37, "  1.57", "1.57"},
        {"prompt further on", 60, "  1.57", "1.57"},
        {"prompt at the 37th character is not looked at", 36, "  1.57", "old tip"},
        {"a negative zero is shown as 0", 37, "  -0.0", "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r;
        r.core.connects.rows[0].setVerdict(Verdict::KelOlder);
        Element& port = r.core.connects.rows[0].port;
        port.setTip("old tip");
        const std::string text = std::string(c.promptAt - 6, '-') + c.version + "  dxspider >";
        const std::size_t base = r.core.monitor.pane.size();
        Deliver(r, "^ZQ62^" + text);
        EXPECT_EQ(port.tip(), c.tip);
        EXPECT_EQ(r.core.monitor.pane.text().substr(base), Line(text));
    }
}

TEST(RedLines, AKeepAliveLineIsWrittenInRedLikeAnyOther) {
    Rig r;
    const std::size_t base = r.core.monitor.pane.size();
    Deliver(r, "^ZQ63^KeepAlive from node Velsock V1.93 ok^ZQ63^plain red line");
    EXPECT_EQ(SegmentsFrom(r.core.monitor.pane, base),
              (std::vector<Segment>{
                  {Line("KeepAlive from node Velsock V1.93 ok") + Line("plain red line"), colours::kRed}}));
}

}  // namespace
}  // namespace dx::test
