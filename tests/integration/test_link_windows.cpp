#include <gtest/gtest.h>

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "loopback_node.h"

namespace dx::test {
namespace {

TEST(LinkWindows, ConnectShowsTryingThenConnectedAndSendsOnlyBAfterTwoSeconds) {
    LoopbackNode node;
    RunningProgram program(node.port());
    EXPECT_EQ(program.paneText(), "Press Connect To Begin");
    EXPECT_TRUE(program.app->monitor().connectButton->isVisible());

    program.app->monitor().connectButton->click();
    EXPECT_EQ(program.paneText(), "Trying");
    ASSERT_TRUE(node.waitForPeer());
    ASSERT_TRUE(node.waitForReceived(1, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return program.paneText() == "Connected\r\n"; }, 1000));
    QTest::qWait(200);
    EXPECT_EQ(node.received, "B");
    // The node gets its "B" two seconds after the link is up, not before.
    EXPECT_GE(node.firstByteAfterMs, 1900);
    EXPECT_LE(node.firstByteAfterMs, 2600);
    EXPECT_FALSE(program.app->monitor().connectButton->isVisible());
}

TEST(LinkWindows, BatchThenEotArrivalShowsSentencesInTheirColours) {
    LoopbackNode node;
    RunningProgram program(node.port());
    program.app->platform().sleepScale = 0.0;  // the pauses are real but not what is tested here
    program.app->monitor().connectButton->click();
    ASSERT_TRUE(node.waitForReceived(1));

    node.send("^ZQ61^magenta line^ZQ62^blue line^ZQ63^red line^ZQ70^5^traffic^ZQ99\x04");
    QTest::qWait(300);
    node.send("\x04");
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return program.paneText().find("red line") != std::string::npos; }, 3000));
    const Pane& pane = program.core().monitor.pane;
    const std::string& text = pane.text();
    EXPECT_EQ(pane.colourAt(text.find("magenta line")), colours::kMagenta);
    EXPECT_EQ(pane.colourAt(text.find("blue line")), colours::kBlue);
    EXPECT_EQ(pane.colourAt(text.find("red line")), colours::kRed);
    // A traffic line before any socket record goes on as it came, in black.
    EXPECT_EQ(pane.colourAt(text.find("^ZQ70^5^traffic")), colours::kBlack);
    // The view shows the same lines.
    const QString shown = program.app->monitor().pane->toPlainText();
    EXPECT_TRUE(shown.contains(QStringLiteral("            magenta line")));
    EXPECT_TRUE(shown.contains(QStringLiteral("            red line")));
}

TEST(LinkWindows, RefusedConnectionShowsTheSocketErrorAndKeepsConnect) {
    quint16 closedPort = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        closedPort = probe.serverPort();
    }
    RunningProgram program(closedPort);
    program.app->monitor().connectButton->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return program.paneText() != "Trying"; }, 5000));
    EXPECT_NE(program.paneText().find("refused"), std::string::npos) << program.paneText();
    EXPECT_TRUE(program.app->monitor().connectButton->isVisible());
}

TEST(LinkWindows, EnterInTheCommandLineSendsExactlyWhatWasTyped) {
    LoopbackNode node;
    RunningProgram program(node.port());
    program.app->platform().sleepScale = 0.0;
    program.app->monitor().connectButton->click();
    ASSERT_TRUE(node.waitForReceived(1));

    QLineEdit* line = program.app->monitor().commandLine;
    line->setFocus();
    line->clear();
    QTest::keyClicks(line, QStringLiteral("sh/u"));
    QTest::keyClick(line, Qt::Key_Return);
    ASSERT_TRUE(node.waitForReceived(5));
    QTest::qWait(100);
    EXPECT_EQ(node.received, "Bsh/u");
    EXPECT_TRUE(line->text().isEmpty());
}

TEST(LinkWindows, ClosingTheMonitorWindowEndsTheProgramWithCodeZero) {
    LoopbackNode node;
    RunningProgram program(node.port());
    program.app->monitor().close();
    EXPECT_EQ(program.exitCode, 0);
}

TEST(LinkWindows, ClosingTheConnectionsWindowEndsTheProgramWithCodeZero) {
    LoopbackNode node;
    RunningProgram program(node.port());
    program.app->connects().close();
    EXPECT_EQ(program.exitCode, 0);
}

}  // namespace
}  // namespace dx::test

namespace dx::test {
namespace {

TEST(StartUp, ShowsMonitorAndConnectionsButNotTheSettingsWindow) {
    LoopbackNode node;
    RunningProgram program(node.port());  // its configuration names host and port: settings loads
    EXPECT_TRUE(program.core().settings.window.loaded());
    EXPECT_TRUE(program.app->monitor().isVisible());
    EXPECT_TRUE(program.app->connects().isVisible());
    EXPECT_FALSE(program.app->settings().isVisible());
    program.app->connects().menuConfiguration->trigger();
    EXPECT_TRUE(program.app->settings().isVisible());
    program.app->settings().exitButton->click();
    EXPECT_FALSE(program.app->settings().isVisible());
}

TEST(StartUp, ConfigurationAndConnectBringTheirOpenWindowToTheFront) {
    LoopbackNode node;
    RunningProgram program(node.port());
    program.app->platform().sleepScale = 0.0;
    ui::ConnectionsWindow& c = program.app->connects();
    ui::MonitorWindow& m = program.app->monitor();
    c.menuConfiguration->trigger();
    m.activateWindow();
    // An X server without a window manager hands activation to no one.
    if (!QTest::qWaitForWindowActive(&m)) GTEST_SKIP() << "this desktop does not activate windows";
    c.menuConfiguration->trigger();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&program.app->settings()));
    m.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m));
    m.connectButton->click();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&c));
}

TEST(StartUp, AFirstRunShowsBothMainWindowsApartEachAtItsDesignSize) {
    RunningProgram program(0, false);
    ui::ConnectionsWindow& c = program.app->connects();
    ui::MonitorWindow& m = program.app->monitor();
    EXPECT_TRUE(c.isVisible());
    EXPECT_TRUE(m.isVisible());
    // The design client areas, the connections window's with its menu bar.
    EXPECT_EQ(c.size(), QSize(12195 / 15, (6525 + 300) / 15));
    EXPECT_EQ(m.size(), QSize(12255 / 15, 6960 / 15));
    EXPECT_EQ(c.pos(), QPoint(0, 0));
    EXPECT_FALSE(c.frameGeometry().intersects(m.frameGeometry()));
    c.menuConfiguration->trigger();
    EXPECT_EQ(program.app->settings().pos(), QPoint(1000 / 15, 2000 / 15));
}

}  // namespace
}  // namespace dx::test

namespace dx::test {
namespace {

TEST(WindowActions, ClickingACallCellPicksThatSocketAndScrollButtonsMoveTheGrid) {
    LoopbackNode node;
    RunningProgram program(node.port());
    program.app->platform().sleepScale = 0.0;
    program.app->monitor().connectButton->click();
    ASSERT_TRUE(node.waitForReceived(1));
    node.send("^ZQ81^1^65280^7300^ZQ66^7^0^1.2.3.7^16777215^23^255^K7ABC^65280^ZQ99\x04");
    QTest::qWait(30);
    node.send("\x04");
    ASSERT_TRUE(QTest::qWaitFor([&] { return program.core().grid.hasRow(7); }, 3000));
    program.app->sync();

    const Element& call = program.core().connects.rows[7].call;
    ui::GridWidget* grid = program.app->connects().grid;
    const QPoint centre = ui::pxRect(call.place()).center();
    EXPECT_EQ(grid->callAt(centre), 7);
    QTest::mouseClick(grid, Qt::LeftButton, Qt::NoModifier, centre);
    ASSERT_TRUE(node.waitForReceived(5));
    QTest::qWait(50);
    EXPECT_EQ(node.received, "B7M7^");
    EXPECT_EQ(program.app->monitor().autoButton->text(), QStringLiteral("Manual"));

    const Twips before = call.left();
    program.app->connects().scrollLeft->click();
    EXPECT_EQ(program.core().grid.scrollColumns, 1);
    EXPECT_EQ(program.core().connects.rows[7].call.left(), before - 3850);
    program.app->connects().scrollRight->click();
    EXPECT_EQ(program.core().connects.rows[7].call.left(), before);
}

TEST(WindowActions, ADoubleClickChoosesACallOnceAndAPressCarriedToAnotherCallIsNoClick) {
    LoopbackNode node;
    RunningProgram program(node.port());
    program.app->platform().sleepScale = 0.0;
    program.app->monitor().connectButton->click();
    ASSERT_TRUE(node.waitForReceived(1));
    node.send("^ZQ81^1^65280^7300^ZQ66^7^0^a^0^1^0^K7ABC^0^ZQ66^8^0^b^0^2^0^K8ABC^0^ZQ99\x04");
    QTest::qWait(30);
    node.send("\x04");
    ASSERT_TRUE(QTest::qWaitFor([&] { return program.core().grid.hasRow(8); }, 3000));
    program.app->sync();

    // Through the window, as the desktop delivers a mouse: the double click's second press comes
    // as a double-click event.
    ui::ConnectionsWindow& w = program.app->connects();
    const auto at = [&](int row) {
        const QPoint centre =
            ui::pxRect(program.core().connects.rows[static_cast<std::size_t>(row)].call.place()).center();
        return w.grid->mapTo(&w, centre);
    };
    QTest::mousePress(w.windowHandle(), Qt::LeftButton, {}, at(7));
    QTest::mouseRelease(w.windowHandle(), Qt::LeftButton, {}, at(8));
    QTest::mouseDClick(w.windowHandle(), Qt::LeftButton, {}, at(8));
    ASSERT_TRUE(node.waitForReceived(5));
    QTest::qWait(100);
    EXPECT_EQ(node.received, "B8M8^");
}

TEST(WindowActions, ResizingTheMonitorWindowResizesThePane) {
    LoopbackNode node;
    RunningProgram program(node.port());
    ui::MonitorWindow& m = program.app->monitor();
    const WindowModel& w = program.core().monitor.window;
    // 5000 x 3000 twips outer: the pane takes 4620 x 2080.
    m.resize((5000 - w.frameWidth()) / 15, (3000 - w.frameHeight()) / 15);
    QTest::qWait(50);
    EXPECT_EQ(program.core().monitor.paneBox.width(), w.width() - 380);
    EXPECT_EQ(program.core().monitor.paneBox.height(), w.height() - 920);
    EXPECT_EQ(m.pane->width(), (w.width() - 380) / 15);
}

TEST(WindowActions, ResetScreensPlacesTheThreeWindows) {
    LoopbackNode node;
    RunningProgram program(node.port());
    program.app->monitor().resetScreensButton->click();
    EXPECT_EQ(program.app->connects().pos(), QPoint(0, 0));
    EXPECT_EQ(program.app->monitor().pos(), QPoint(4000 / 15, 0));
    EXPECT_EQ(program.app->settings().pos(), QPoint(0, 4000 / 15));
    EXPECT_FALSE(program.app->settings().isVisible());
    EXPECT_EQ(program.core().monitor.window.outer(), (Rect{4000, 0, 4000, 4000}));
}

}  // namespace
}  // namespace dx::test
