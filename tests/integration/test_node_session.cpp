// A whole session against a scripted node on a loopback port: records, watch and stop commands,
// classification of a mixed population and the newer KEL version saved to Monitor.cfg.
#include <gtest/gtest.h>

#include <QFile>
#include <QTest>

#include "loopback_node.h"

namespace dx::test {
namespace {

// Sends one batch the way a node does: the sentences, EOT, then a lone EOT so that the monitor
// (which cuts its buffer when an arrival finds it ending with EOT) handles the batch at once. A
// trailing head lets the last real sentence be cut too.
void sendBatch(LoopbackNode& node, const std::string& sentences) {
    node.send(sentences + "^ZQ61^.\x04");
    QTest::qWait(30);
    node.send("\x04");
    QTest::qWait(30);
}

struct Session {
    LoopbackNode node;
    RunningProgram program{node.port()};

    Session() {
        program.app->platform().sleepScale = 0.0;
        program.app->monitor().connectButton->click();
        EXPECT_TRUE(node.waitForReceived(1));
        sendBatch(node, "^ZQ81^1^65280^7300^ZQ81^2^65280^7373");
    }
    Core& core() { return program.core(); }
    bool waitForSent(const std::string& command, int ms = 3000) {
        return QTest::qWaitFor([&] { return node.received.find(command) != std::string::npos; }, ms);
    }
    static std::string full(int s, const std::string& call, int ipColour, int callColour = 65280) {
        return "^ZQ66^" + std::to_string(s) + "^0^10.1.1." + std::to_string(s) + "^" +
               std::to_string(ipColour) + "^5000" + std::to_string(s) + "^255^" + call + "^" +
               std::to_string(callColour) + "^x^host";
    }
};

TEST(NodeSession, AnAddressLeavingYellowAsksForTrafficAndAVerdictStopsIt) {
    Session s;
    sendBatch(s.node, Session::full(12, "K1ABC", 65535));
    EXPECT_EQ(s.node.received, "B");
    sendBatch(s.node, "^ZQ66^12^3^16777215");
    ASSERT_TRUE(s.waitForSent("M12^"));
    sendBatch(s.node, "^ZQ70^12^PC92^A^B^C");
    ASSERT_TRUE(s.waitForSent("N12^"));
    EXPECT_EQ(s.node.received, "BM12^N12^");
    const GridRow& row = s.core().connects.rows[12];
    EXPECT_EQ(row.port.back(), colours::kCyan);
    EXPECT_EQ(row.port.fore(), colours::kBlack);
}

TEST(NodeSession, AMixedPopulationIsClassifiedAndTheNewerVersionIsSaved) {
    Session s;
    s.core().config.kelLatestVersion = "1.9";
    std::string records;
    const char* calls[] = {"", "KEL1", "KEL2", "USER1", "NODE1", "nocall", "ECHO1", "OLD1"};
    for (int i = 3; i <= 9; ++i) records += Session::full(i, calls[i - 2], 65535);
    sendBatch(s.node, records);
    // Each socket logs in: its address leaves yellow and the monitor asks for its traffic.
    std::string logins;
    for (int i = 3; i <= 9; ++i) logins += "^ZQ66^" + std::to_string(i) + "^3^16777215";
    sendBatch(s.node, logins);
    ASSERT_TRUE(s.waitForSent("M9^"));
    s.core().spotDelay.armed = true;  // as if the spot delay had passed since the last login
    sendBatch(s.node,
              "^ZQ70^8^echo #1"                                // magenta, still watched
              "^ZQ70^3^K1ABC de NODE 08-Dec-2026 1200Z ZQC >"  // the node type, and a KEL client
              "^ZQ70^4^KeepAlive KEL2 V1.93"                   // newer than the latest known
              "^ZQ70^5^DX de W1AW:  14025.0  K1ABC  cq"        // a user without KEL
              "^ZQ70^6^PC92^A^B^C"                             // another node
              "^ZQ70^7^hello"                                  // call "nocall"
              "^ZQ70^9^KeepAlive OLD1 V1.85");                 // an older KEL client
    ASSERT_TRUE(s.waitForSent("N9^"));
    const auto& rows = s.core().connects.rows;
    EXPECT_EQ(s.core().recognition.nodeProgram, NodeProgram::ReRidavir);
    EXPECT_EQ(s.core().connects.window.caption(), "ZQC Connections");
    EXPECT_EQ(rows[4].port.back(), colours::kGreen);
    EXPECT_EQ(rows[5].port.back(), colours::kYellow);
    EXPECT_EQ(rows[6].port.back(), colours::kCyan);
    EXPECT_EQ(rows[7].port.back(), colours::kRed);
    EXPECT_EQ(rows[8].port.back(), colours::kMagenta);
    EXPECT_EQ(rows[9].port.back(), colours::kLightGreen);
    for (int i : {4, 5, 6, 7, 9}) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rows[static_cast<std::size_t>(i)].port.fore(), colours::kBlack);
        EXPECT_NE(s.node.received.find("N" + std::to_string(i) + "^"), std::string::npos);
    }
    EXPECT_EQ(s.node.received.find("N8^"), std::string::npos);
    EXPECT_EQ(s.core().connects.latestVersion.text(), "1.93");

    QFile cfg(s.program.app->platform().configPath());
    ASSERT_TRUE(cfg.open(QIODevice::ReadOnly));
    EXPECT_TRUE(cfg.readAll().contains("\"KelLatestVersion\",\"1.93\"\r\n"));
}

}  // namespace
}  // namespace dx::test
