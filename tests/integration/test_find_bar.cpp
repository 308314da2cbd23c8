// The monitor window's find bar, offscreen: Ctrl+F, the count and the steps, an invalid expression,
// and the pane held still while the bar is open.
#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

#include "loopback_node.h"

namespace dx::test {
namespace {

struct FindBarTest : ::testing::Test {
    LoopbackNode node;
    RunningProgram program{node.port()};
    ui::MonitorWindow& monitor = program.app->monitor();
    ui::FindBar& bar = *monitor.findBar;

    void SetUp() override {
        monitor.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&monitor));
    }
    // Lines as the output stage writes them, the pane trimmed as after an arrival.
    void lines(int from, int to, const std::string& text) {
        Pane& pane = program.core().monitor.pane;
        for (int i = from; i < to; ++i)
            pane.append("\r\n            line " + std::to_string(i) + " " + text, colours::kBlue);
        pane.trim();
        program.app->sync();
    }
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key), modifiers);
    }
    QString count() const { return bar.matchCount->text(); }
    std::string topLine() const {
        return monitor.pane->cursorForPosition(QPoint(0, 0)).block().text().toStdString();
    }
};

TEST_F(FindBarTest, CtrlFOpensItAndEnterF3AndShiftF3StepRoundTheMatches) {
    lines(0, 3, "G4ABC de DL1XX");
    lines(3, 5, "nothing");
    EXPECT_FALSE(bar.isVisible());
    key(Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(bar.isVisible());
    ASSERT_TRUE(bar.findText->hasFocus());
    EXPECT_GT(monitor.pane->geometry().top(), bar.geometry().top());  // the bar sits above the pane

    QTest::keyClicks(bar.findText, QStringLiteral("g4abc"));
    EXPECT_EQ(count(), QStringLiteral("3 of 3"));  // the newest
    EXPECT_EQ(monitor.pane->extraSelections().size(), 3);
    const std::vector<std::pair<int, Qt::KeyboardModifiers>> steps{{Qt::Key_F3, Qt::NoModifier},
                                                                   {Qt::Key_Return, Qt::NoModifier},
                                                                   {Qt::Key_F3, Qt::ShiftModifier},
                                                                   {Qt::Key_F3, Qt::ShiftModifier},
                                                                   {Qt::Key_F3, Qt::ShiftModifier}};
    const QStringList expected{"1 of 3", "2 of 3", "1 of 3", "3 of 3", "2 of 3"};
    for (std::size_t i = 0; i < steps.size(); ++i) {
        key(steps[i].first, steps[i].second);
        EXPECT_EQ(count(), expected[static_cast<qsizetype>(i)]);
    }
    // The current match is marked in a colour of its own.
    const auto marks = monitor.pane->extraSelections();
    EXPECT_EQ(marks[1].cursor.selectedText(), QStringLiteral("G4ABC"));
    EXPECT_NE(marks[1].format.background(), marks[0].format.background());

    bar.matchCase->click();
    EXPECT_EQ(count(), QStringLiteral("0 of 0"));
    EXPECT_TRUE(monitor.pane->extraSelections().isEmpty());
}

TEST_F(FindBarTest, AnInvalidExpressionTurnsTheBoxRedAndFindsNothing) {
    lines(0, 4, "G4ABC de DL1XX");
    key(Qt::Key_F, Qt::ControlModifier);
    const QColor normal = bar.findText->palette().color(QPalette::Base);
    bar.regularExpression->click();
    QTest::keyClicks(bar.findText, QStringLiteral("^ +line [13] G4("));
    const QColor red = bar.findText->palette().color(QPalette::Base);
    EXPECT_EQ(red.red(), 255);
    EXPECT_LT(red.green(), 128);
    EXPECT_EQ(count(), QString());
    EXPECT_TRUE(monitor.pane->extraSelections().isEmpty());

    QTest::keyClick(bar.findText, Qt::Key_Backspace);
    EXPECT_EQ(bar.findText->palette().color(QPalette::Base), normal);
    EXPECT_EQ(count(), QStringLiteral("2 of 2"));  // each line's start is a line's start
}

TEST_F(FindBarTest, WhileOpenNewLinesLeaveThePaneWhereItIsAndEscGoesBackToTheNewestLine) {
    lines(0, 2900, "filler filler");  // past 100 000 characters: trimmed to about 54 000
    lines(2900, 2901, "G4ABC");
    lines(2901, 3200, "filler filler");
    key(Qt::Key_F, Qt::ControlModifier);
    QTest::keyClicks(bar.findText, QStringLiteral("G4ABC"));
    ASSERT_EQ(count(), QStringLiteral("1 of 1"));
    const std::string reading = topLine();
    ASSERT_NE(reading.find("line 28"), std::string::npos) << reading;  // scrolled up to it

    const std::size_t before = program.core().monitor.pane.size();
    lines(3200, 4400, "filler G4ABC");
    ASSERT_LT(program.core().monitor.pane.size(), before);  // the oldest 50 000 characters went
    EXPECT_EQ(topLine(), reading);
    EXPECT_EQ(count(), QStringLiteral("1 of 1201"));
    QScrollBar* scroll = monitor.pane->verticalScrollBar();
    EXPECT_LT(scroll->value(), scroll->maximum());

    key(Qt::Key_Escape);
    EXPECT_FALSE(bar.isVisible());
    EXPECT_TRUE(monitor.pane->extraSelections().isEmpty());
    EXPECT_EQ(scroll->value(), scroll->maximum());
    lines(4000, 4010, "filler");
    EXPECT_EQ(scroll->value(), scroll->maximum());
}

}  // namespace
}  // namespace dx::test
