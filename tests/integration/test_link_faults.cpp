// Faults of the link and of the node: closes and resets mid-sentence, silence, refusal, names that
// do not resolve, floods of junk, a node faster than the program, and a configuration that cannot
// be saved. The program must stay up, keep what it must keep and stay small.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <QFile>
#include <QMenuBar>
#include <QTest>

#include "loopback_node.h"

namespace dx::test {
namespace {

struct LiveLink {
    LoopbackNode node;
    RunningProgram program{node.port()};

    LiveLink() {
        program.app->platform().sleepScale = 0.0;
        connect();
    }
    void connect() {
        node.peer = nullptr;
        node.received.clear();
        program.app->monitor().connectButton->click();
        EXPECT_TRUE(node.waitForReceived(1));
    }
    // The sentences, EOT, then a lone EOT so that the program cuts them at once.
    void batch(const std::string& sentences) {
        node.send(sentences + "\x04");
        QTest::qWait(20);
        node.send("\x04");
        QTest::qWait(20);
    }
    Core& core() { return program.core(); }
    bool connectShown() { return program.app->monitor().connectButton->isVisible(); }
};

TEST(LinkFaults, ANodeClosingMidSentenceLeavesTheProgramReadyToConnectAgain) {
    LiveLink link;
    link.batch("^ZQ61^first line^ZQ61^second");
    link.node.send("^ZQ61^half a sent");
    QTest::qWait(20);
    link.node.peer->disconnectFromHost();
    ASSERT_TRUE(QTest::qWaitFor([&] { return link.connectShown(); }, 3000));
    EXPECT_NE(link.program.paneText().find("first line"), std::string::npos);
    link.connect();
    EXPECT_EQ(link.node.received, "B");
    EXPECT_EQ(link.program.paneText(), "Connected\r\n");
}

TEST(LinkFaults, ANodeResettingTheLinkLeavesTheProgramUsable) {
    LiveLink link;
    link.batch("^ZQ61^before the reset^ZQ99");
    link.node.peer->abort();
    ASSERT_TRUE(QTest::qWaitFor([&] { return link.connectShown(); }, 3000));
    link.connect();
    link.batch("^ZQ61^after the reset^ZQ99");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return link.program.paneText().find("after the reset") != std::string::npos; }, 3000));
}

TEST(LinkFaults, ASilentNodeTurnsTheConnectionsWindowRedAndTheProgramStaysUsable) {
    LiveLink link;
    ui::QtPlatform& platform = link.program.app->platform();
    for (int tick = 0; tick < 5; ++tick) emit platform.keepAliveTick();
    EXPECT_NE(link.core().connects.window.back(), colours::kRed);
    emit platform.keepAliveTick();
    EXPECT_EQ(link.core().connects.window.back(), colours::kRed);
    // The window's body turns red; its menu bar keeps the desktop's colour.
    ui::ConnectionsWindow& c = link.program.app->connects();
    EXPECT_EQ(c.centralWidget()->palette().color(QPalette::Window), QColor(Qt::red));
    EXPECT_NE(c.grab().toImage().pixel(c.menuBar()->geometry().bottomRight() - QPoint(2, 2)),
              qRgb(255, 0, 0));
    // Data again does not undo the red; the command line still reaches the node.
    link.batch("^ZQ61^awake again^ZQ99");
    EXPECT_EQ(link.core().connects.window.back(), colours::kRed);
    link.core().monitor.setCommandLine("sh/c");
    link.program.app->monitor().commandLine->setText(QStringLiteral("sh/c"));
    QTest::keyClick(link.program.app->monitor().commandLine, Qt::Key_Return);
    EXPECT_TRUE(link.node.waitForReceived(5));
    EXPECT_EQ(link.node.received, "Bsh/c");
    // The next connection restores the window.
    link.node.peer->disconnectFromHost();
    ASSERT_TRUE(QTest::qWaitFor([&] { return link.connectShown(); }, 3000));
    link.connect();
    EXPECT_EQ(link.core().connects.window.back(), colours::kButtonFace);
}

TEST(LinkFaults, AHostNameThatDoesNotResolveShowsTheSocketErrorText) {
    LoopbackNode node;
    RunningProgram program(node.port());
    program.core().config.remoteHost = "no-such-node.invalid";
    program.app->monitor().connectButton->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return program.paneText() != "Trying"; }, 10000));
    EXPECT_NE(program.paneText().find("not found"), std::string::npos) << program.paneText();
    EXPECT_TRUE(program.app->monitor().connectButton->isVisible());
}

TEST(LinkFaults, FiftyConnectionsEachStartWithAClearedGrid) {
    LiveLink link;
    for (int cycle = 0; cycle < 50; ++cycle) {
        SCOPED_TRACE(cycle);
        std::string records = "^ZQ81^1^65280^7300";
        for (int s = 2; s <= 30; ++s)
            records += "^ZQ66^" + std::to_string(s) + "^0^10.0.0." + std::to_string(s) +
                       "^16777215^23^255^C" + std::to_string(cycle) + "^65280";
        link.batch(records + "^ZQ99");
        ASSERT_TRUE(QTest::qWaitFor([&] { return link.core().grid.hasRow(30); }, 3000));
        EXPECT_EQ(link.core().connects.rows[30].call.text(), "C" + std::to_string(cycle));
        link.node.peer->disconnectFromHost();
        ASSERT_TRUE(QTest::qWaitFor([&] { return link.connectShown(); }, 3000));
        link.connect();
        // Connect removed the rows of the last connection.
        EXPECT_FALSE(link.core().grid.hasRow(30));
        EXPECT_LE(link.core().monitor.pane.size(), 100000u);
    }
}

TEST(LinkFaults, AFloodOfJunkKeepsTheProgramSmall) {
    LiveLink link;
    std::string junk(1 << 20, 'x');
    for (std::size_t i = 0; i < junk.size(); i += 97) junk[i] = static_cast<char>(0x80 + i % 100);
    for (int mb = 0; mb < 100; ++mb) {
        link.node.send(junk);
        if (mb % 8 == 0) QTest::qWait(5);
        ASSERT_LE(link.core().stream.receiveBuffer().size(), SentenceStream::kBufferCap);
    }
    link.node.peer->flush();
    EXPECT_TRUE(QTest::qWaitFor([&] { return link.node.peer->bytesToWrite() == 0; }, 30000));
    QTest::qWait(200);
    EXPECT_LE(link.core().stream.receiveBuffer().size(), SentenceStream::kBufferCap);
    EXPECT_NE(link.program.paneText().find("bytes dropped"), std::string::npos);
    EXPECT_LE(link.core().monitor.pane.size(), 100000u + 4096u);
    // The stream goes on once real sentences come again.
    link.batch("\x04^ZQ61^still here^ZQ99");
    link.batch("^ZQ61^and here^ZQ99");
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return link.program.paneText().find("and here") != std::string::npos; }, 3000));
}

TEST(LinkFaults, ANodeFasterThanTheProgramLosesAndReordersNothing) {
    // More than the receive buffer's cap, sent at once: the program's reads end anywhere in a
    // batch, and it must still cut as it goes rather than hold everything until it overflows.
    LiveLink link;
    const int count = 400000;
    std::string all;
    for (int i = 1; i <= count; ++i) {
        all += "^ZQ90^" + std::to_string(i) + "^t";
        if (i % 100 == 0) all += "^ZQ61^line " + std::to_string(i / 100);
        if (i % 50 == 0) all += "\x04";
    }
    ASSERT_GT(all.size(), SentenceStream::kBufferCap);
    link.node.send(all + "^ZQ99\x04");
    link.node.send("\x04");  // one more arrival after the last batch, whatever the reads were
    std::size_t largestBuffer = 0;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            largestBuffer = std::max(largestBuffer, link.core().stream.receiveBuffer().size());
            return link.core().connects.allTimeHighWater.text() == std::to_string(count);
        },
        60000));
    EXPECT_LT(largestBuffer, std::size_t{1} << 20);
    // The pane keeps its newest lines; they are there in order, with none missing.
    const std::string& text = link.program.paneText();
    EXPECT_EQ(text.find("dropped"), std::string::npos);
    int expected = -1;
    std::size_t at = 0;
    int seen = 0;
    while ((at = text.find("line ", at)) != std::string::npos) {
        const int n = std::stoi(text.substr(at + 5));
        if (expected >= 0) {
            EXPECT_EQ(n, expected) << "after line " << expected - 1;
        }
        expected = n + 1;
        ++seen;
        at += 5;
    }
    EXPECT_EQ(expected, count / 100 + 1);
    EXPECT_GT(seen, 100);
}

TEST(LinkFaults, AConfigurationThatCannotBeSavedLeavesTheOldFileAndTheProgramGoesOn) {
    LiveLink link;
    const QString cfg = link.program.app->platform().configPath();
    QFile before(cfg);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray old = before.readAll();
    before.close();
    // The operator has made the file read-only: it is kept as it is.
    ASSERT_TRUE(QFile::setPermissions(cfg, QFileDevice::ReadOwner));
    link.core().config.kelLatestVersion = "1.9";
    link.batch(
        "^ZQ81^1^65280^7300^ZQ66^5^0^1.1.1.5^16777215^23^255^K1ABC^65280^ZQ66^6^0^1.1.1.6^16777215^23^255^"
        "K2ABC^65280"
        "^ZQ70^5^x ZQC >^ZQ70^6^KeepAlive V1.95^ZQ99");
    ASSERT_TRUE(QTest::qWaitFor([&] { return link.core().config.kelLatestVersion == "1.95"; }, 3000));
    QFile after(cfg);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), old);
    link.batch("^ZQ61^still running^ZQ99");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return link.program.paneText().find("still running") != std::string::npos; }, 3000));
    // The pane said so once, in red, with the system's reason.
    const Pane& pane = link.core().monitor.pane;
    const std::string notice = "*** Monitor.cfg could not be saved: " + std::string(std::strerror(EACCES));
    const std::size_t at = pane.text().find(notice);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(pane.text().find(notice, at + 1), std::string::npos);
    EXPECT_EQ(pane.colourAt(at), colours::kRed);
}

}  // namespace
}  // namespace dx::test
