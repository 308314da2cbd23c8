// Socket records ("^ZQ60" for the monitored socket, "^ZQ66" for any socket): where each field
// lands, which rows are made, and what the record update decides (watch, Auto mode, lock-outs,
// probes).
#include <gtest/gtest.h>

#include "fake_platform.h"

namespace dx::test {
namespace {

constexpr Colour kYellowNumber = 65535;
constexpr Colour kWhiteNumber = 16777215;

// A connected core whose node has reported port boxes 1..n.
struct TableRig : Rig {
    explicit TableRig(int ports = 4) {
        for (int i = 1; i <= ports; ++i)
            core.stream.onDataArrival(), core.status.onPortBoxColour(wire::parsePortBoxColour(
                                             "^ZQ81^" + std::to_string(i) + "^65280^70" + std::to_string(i)));
    }
    std::string full66(int s, const std::string& call, Colour callColour = rgb(0x00FF00),
                       Colour ipColour = kWhiteNumber) {
        return "^ZQ66^" + std::to_string(s) + "^0^10.0.0." + std::to_string(s) + "^" +
               std::to_string(ipColour) + "^4000" + std::to_string(s) + "^255^" + call + "^" +
               std::to_string(callColour) + "^x^tip";
    }
};

TEST(SocketRecord, ExtraCaretsAfterTheHeadAreSkipped) {
    TableRig rig;
    rig.record("^ZQ66^^^12^0^1.2.3.4^0^23^0^K1ABC^0");
    EXPECT_EQ(wire::parseSocketRecord("^ZQ66^^^12^0^1.2.3.4^0^23^0^K1ABC^0").socket, 12);
    EXPECT_EQ(rig.row(12).address.text(), "1.2.3.4");
    EXPECT_EQ(rig.row(12).call.text(), "K1ABC");
}

TEST(SocketRecord, MissingRowsAreMadeInRisingOrderBeforeAnyField) {
    TableRig rig;
    for (int i = 5; i <= 35; ++i) rig.core.grid.createRow(i);
    rig.core.grid.takeTouched();
    rig.record(rig.full66(40, "K1ABC"));
    EXPECT_EQ(rig.core.grid.highestIndex(), 40);
    EXPECT_EQ(rig.core.table.lastCallRow, 35);
    for (int i = 36; i <= 39; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rig.row(i).call.text(), "Call");
        EXPECT_EQ(rig.row(i).call.tip(), "  " + std::to_string(i) + "  ");
    }
    EXPECT_EQ(rig.row(40).call.text(), "K1ABC");
}

TEST(SocketRecord, WithoutAPortListRowsStartAtTwoAndLaterRecordsStillApply) {
    TableRig rig(0);
    rig.record("^ZQ66^3^0^1.1.1.3^0^23^0^CALL3^0");
    EXPECT_FALSE(rig.core.grid.hasRow(1));
    EXPECT_TRUE(rig.core.grid.hasRow(2));
    EXPECT_EQ(rig.row(3).call.text(), "CALL3");
    // A later record for a socket that has its row is applied, not dropped.
    rig.record("^ZQ66^2^0^1.1.1.2^0^23^0^CALL2^0");
    EXPECT_EQ(rig.row(2).call.text(), "CALL2");
    rig.record("^ZQ66^3^6^NEW3");
    EXPECT_EQ(rig.row(3).call.text(), "NEW3");
    EXPECT_FALSE(rig.core.grid.hasRow(1));
}

TEST(SocketRecord, TheFirstRecordHidesTheRowsOfThePortStrip) {
    TableRig rig(3);
    rig.record(rig.full66(6, "K1ABC"));
    EXPECT_EQ(rig.core.ports.hiddenRowLimit, 3);
    for (int i = 1; i <= 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_FALSE(rig.row(i).address.visible());
        EXPECT_FALSE(rig.row(i).call.visible());
    }
    EXPECT_TRUE(rig.row(4).address.visible());
    EXPECT_TRUE(rig.row(6).call.visible());
}

TEST(SocketRecord, SingleFieldUpdateResizesTheFieldsAndAppliesOnlyThatField) {
    TableRig rig;
    rig.record(rig.full66(12, "K1ABC"));
    rig.platform.sent.clear();
    rig.record("^ZQ66^12^7^255");
    const wire::SocketRecord f = wire::parseSocketRecord("^ZQ66^12^7^255");
    ASSERT_EQ(f.fieldNumber, 7);
    EXPECT_EQ(f.field(7), "255");
    for (std::size_t i = 2; i <= 6; ++i) EXPECT_FALSE(f.field(i).has_value()) << i;
    EXPECT_EQ(rig.row(12).call.back(), 255);
    EXPECT_EQ(rig.row(12).call.text(), "K1ABC");
}

TEST(SocketRecord, FieldNumberDecidesBetweenFullRecordUpdateAndNothing) {
    const struct {
        const char* field1;
        bool appliedAsFull;
    } cases[] = {{"", true},   {"x9", true},  {"0", true}, {"0.4", true},
                 {"1", false}, {"-2", false}, {"9", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field1);
        TableRig rig;
        rig.record(std::string("^ZQ66^12^") + c.field1 + "^1.2.3.4^0^23^0^K1ABC^0");
        EXPECT_EQ(rig.row(12).call.text() == "K1ABC", c.appliedAsFull);
    }
}

TEST(SocketRecord, AnAbsurdFieldNumberCostsNoMemory) {
    TableRig rig;
    rig.record(rig.full66(12, "K1ABC"));
    rig.record("^ZQ66^12^2000000000^x");
    EXPECT_FALSE(wire::parseSocketRecord("^ZQ66^12^2000000000^x").field(2000000000).has_value());
    EXPECT_EQ(rig.row(12).call.text(), "K1ABC");
}

TEST(SocketRecord, ShortFullRecordsStopWhereTheirFieldsEnd) {
    TableRig rig;
    rig.record("^ZQ66^12^0^1.2.3.4^0^23^0^K1ABC");  // seven fields: 2..6 applied
    EXPECT_EQ(rig.row(12).call.text(), "K1ABC");
    EXPECT_EQ(rig.row(12).port.text(), "23");
    rig.record("^ZQ66^14^0^1.2.3.5^0^23");  // fewer than seven: the row and nothing else
    ASSERT_TRUE(rig.core.grid.hasRow(14));
    EXPECT_EQ(rig.row(14).address.text(), "IP Address");
    EXPECT_EQ(rig.row(14).port.text(), " Port");
}

TEST(SocketRecord, TheCallFilterKeepsLettersDigitsSlashAndDash) {
    const struct {
        const char* in;
        const char* kept;
    } cases[] = {{"XX9/AB-1 x", "XX9/AB-1x"},
                 {"LockedOut", "LockedOut"},
                 {"K1\xe9"
                  "A_B.C",
                  "K1ABC"},
                 {"", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        TableRig rig;
        rig.record(std::string("^ZQ66^12^0^1.2.3.4^0^23^0^") + c.in + "^0");
        EXPECT_EQ(rig.row(12).call.text(), c.kept);
    }
    TableRig rig;  // a single-field update of the call is not filtered
    rig.record(rig.full66(12, "K1ABC"));
    rig.record("^ZQ66^12^6^A B");
    EXPECT_EQ(rig.row(12).call.text(), "A B");
}

TEST(SocketRecord, AddressTipNeedsTenFieldsAndGoesToTheRowOfFieldZero) {
    TableRig rig;
    rig.record("^ZQ66^12^0^1.2.3.4^0^23^0^K1ABC^0^x");
    EXPECT_EQ(rig.row(12).address.tip(), "");
    rig.record("^ZQ66^12^0^1.2.3.4^0^23^0^K1ABC^0^x^host.example");
    EXPECT_EQ(rig.row(12).address.tip(), "host.example");
}

TEST(SocketRecord, BadSocketNumbersDropTheSentence) {
    for (const char* s : {"abc", "", "40000", "-3", "12.5", "1e3", "99999999999"}) {
        SCOPED_TRACE(s);
        TableRig rig;
        rig.record(std::string("^ZQ66^") + s + "^0^1.2.3.4^0^23^0^K1ABC^0");
        EXPECT_LE(rig.core.grid.highestIndex(), 4);
    }
}

TEST(SocketRecord, ManyRecordsForOneSocketKeepOneRow) {
    TableRig rig;
    for (int i = 0; i < 100000; ++i) rig.record(rig.full66(12, "K" + std::to_string(i % 7)));
    EXPECT_EQ(rig.core.grid.highestIndex(), 12);
    EXPECT_EQ(rig.row(12).call.text(), "K" + std::to_string(99999 % 7));
}

TEST(SocketRecord, NeverShowsInThePane) {
    TableRig rig;
    rig.batch("^ZQ66^12^0^1.2.3.4^0^23^0^K1ABC^0^ZQ60^13^0^1.2.3.5^0^23^0^K2ABC^0^ZQ61^end^ZQ99");
    EXPECT_EQ(rig.core.monitor.pane.text().find("K1ABC"), std::string::npos);
    EXPECT_EQ(rig.core.monitor.pane.text().find("K2ABC"), std::string::npos);
    EXPECT_EQ(rig.row(13).call.text(), "K2ABC");
}

// --- the record of the monitored socket ("^ZQ60") ---

TEST(MonitoredRecord, AnEmptyCallStartsAWatch) {
    TableRig rig;
    rig.core.spotDelay.armed = true;
    rig.record("^ZQ60^12^0^1.2.3.4^" + std::to_string(kWhiteNumber) + "^23^0^^65280");
    EXPECT_EQ(rig.platform.sent, std::vector<std::string>{"M12^"});
    EXPECT_FALSE(rig.core.spotDelay.armed);
    EXPECT_TRUE(rig.core.spotDelay.running());
    EXPECT_EQ(rig.row(12).port.back(), colours::kWhite);
    const MonitorModel& m = rig.core.monitor;
    EXPECT_EQ(m.commandLine().text(), "12");
    EXPECT_EQ(m.shownAddress.text(), "1.2.3.4");
    EXPECT_EQ(m.shownPort.text(), "23");
    EXPECT_EQ(m.shownCall.back(), 65280);
}

TEST(MonitoredRecord, AddressColourDecidesWhatTheMonitorBoxesShow) {
    const struct {
        Colour c;
        bool resetsBoxes;
        bool addressBoxTakesColour;
    } cases[] = {{kYellowNumber, false, false}, {kWhiteNumber, false, true}, {255, true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.c);
        TableRig rig;
        rig.record(rig.full66(12, "K1ABC"));
        MonitorModel& m = rig.core.monitor;
        m.shownAddress.setText("old");
        m.shownAddress.setBack(rgb(0x123456));
        m.shownCall.setText("oldcall");
        rig.record("^ZQ60^12^3^" + std::to_string(c.c));
        EXPECT_EQ(rig.row(12).address.back(), c.c);
        EXPECT_EQ(m.shownCall.text(), c.resetsBoxes ? "" : "oldcall");
        EXPECT_EQ(m.shownAddress.text(), c.resetsBoxes ? "10.0.0.12" : "old");
        EXPECT_EQ(m.shownAddress.back(), c.addressBoxTakesColour ? c.c : rgb(0x123456));
    }
}

TEST(MonitoredRecord, AnEmptyCallColourChangesNothingAndCountsNothing) {
    TableRig rig;
    rig.record(rig.full66(12, "K1ABC", 255));
    rig.core.trafficRows.lastGridRow = 12;
    rig.core.connects.kelCount.setText("sentinel");
    rig.record("^ZQ60^12^7^");
    EXPECT_EQ(rig.row(12).call.back(), 255);
    EXPECT_EQ(rig.core.connects.kelCount.text(), "sentinel");
    rig.record("^ZQ66^12^7^");
    EXPECT_EQ(rig.row(12).call.back(), 0);
    EXPECT_EQ(rig.core.connects.kelCount.text(), "0");
}

TEST(MonitoredRecord, AFaultInOneFieldLeavesTheOthersApplied) {
    TableRig rig;
    rig.record("^ZQ60^12^0^1.2.3.4^0^23^0^K1ABC^notanumber");
    EXPECT_EQ(rig.row(12).call.text(), "K1ABC");
    EXPECT_EQ(rig.row(12).port.text(), "23");
    EXPECT_EQ(rig.row(12).call.back(), colours::kWhite);  // the template's
}

// --- the record of any socket ("^ZQ66") ---

TEST(AnySocketRecord, AnAddressLeavingYellowStartsAWatchAndAutoModeShowsIt) {
    for (const bool autoMode : {true, false}) {
        SCOPED_TRACE(autoMode);
        TableRig rig;
        rig.record(rig.full66(12, "K1ABC", rgb(0x00FF00), kYellowNumber));
        rig.row(12).port.setTip("1.9");
        rig.row(12).setWatch(Watch::Settled);
        rig.core.monitor.setAutoMode(autoMode);
        rig.core.spotDelay.armed = true;
        rig.platform.sent.clear();
        rig.core.monitor.shownAddress.setText("before");

        rig.record("^ZQ66^12^3^255");

        EXPECT_EQ(rig.platform.sent, std::vector<std::string>{"M12^"});
        EXPECT_EQ(rig.row(12).port.fore(), colours::kRed);
        EXPECT_EQ(rig.row(12).port.tip(), "");
        EXPECT_EQ(rig.row(12).address.back(), 255);
        EXPECT_FALSE(rig.core.spotDelay.armed);
        const MonitorModel& m = rig.core.monitor;
        if (autoMode) {
            EXPECT_EQ(m.commandLine().text(), "12");
            EXPECT_EQ(m.shownAddress.text(), "10.0.0.12");
            EXPECT_EQ(m.shownAddress.back(), 255);
            EXPECT_EQ(m.shownPort.back(), colours::kWhite);
            EXPECT_EQ(m.shownCall.text(), "");
        } else {
            EXPECT_EQ(m.commandLine().text(), "1");
            EXPECT_EQ(m.shownAddress.text(), "before");
        }
    }
}

TEST(AnySocketRecord, AnAddressColourThatDoesNotLeaveYellowOnlyRecolours) {
    const struct { Colour before, after; } cases[] = {{kWhiteNumber, 255}, {kYellowNumber, kYellowNumber}};
    for (const auto& c : cases) {
        TableRig rig;
        rig.record(rig.full66(12, "K1ABC", rgb(0x00FF00), c.before));
        rig.platform.sent.clear();
        rig.record("^ZQ66^12^3^" + std::to_string(c.after));
        EXPECT_TRUE(rig.platform.sent.empty());
        EXPECT_EQ(rig.row(12).address.back(), c.after);
    }
}

TEST(AnySocketRecord, AWatchThatCannotBeSentEndsTheStep) {
    TableRig rig;
    rig.record(rig.full66(12, "K1ABC", rgb(0x00FF00), kYellowNumber));
    rig.platform.state = kSocketClosed;
    rig.record("^ZQ66^12^3^255");
    EXPECT_EQ(rig.row(12).address.back(), kYellowNumber);
}

TEST(AnySocketRecord, OnlyExactLockedOutLocksTheSocketOut) {
    TableRig rig;
    rig.record(rig.full66(12, "K1ABC"));
    rig.record(rig.full66(13, "K2ABC"));
    rig.platform.sent.clear();
    rig.record("^ZQ66^13^6^lockedout");
    EXPECT_EQ(rig.row(13).port.back(), colours::kWhite);
    EXPECT_TRUE(rig.platform.sent.empty());

    rig.core.monitor.setCommandLine("12");
    rig.record("^ZQ66^13^6^LockedOut");
    EXPECT_EQ(rig.row(13).port.back(), colours::kRed);
    EXPECT_EQ(rig.core.monitor.shownPort.back(), colours::kRed);  // whichever socket is shown
    EXPECT_EQ(rig.row(13).port.fore(), colours::kBlack);
    EXPECT_EQ(rig.platform.sent, std::vector<std::string>{"N13^"});
}

TEST(AnySocketRecord, ACallUpdateReachesTheMonitorOnlyForTheShownSocketInAutoMode) {
    TableRig rig;
    rig.record(rig.full66(12, "K1ABC"));
    rig.core.monitor.setCommandLine("12");
    rig.record("^ZQ66^12^6^K9NEW");
    EXPECT_EQ(rig.core.monitor.shownCall.text(), "K9NEW");
    rig.core.monitor.setCommandLine(" 12");
    rig.record("^ZQ66^12^6^K9OTHER");
    EXPECT_EQ(rig.core.monitor.shownCall.text(), "K9NEW");
}

TEST(AnySocketRecord, AProbeIsCountedOnceAndOnlyOnAWhiteCallCell) {
    TableRig rig;
    rig.record("^ZQ66^12^0^1.2.3.4^0^23^0^^" + std::to_string(kWhiteNumber));
    rig.record("^ZQ66^12^7^14146559");
    rig.record("^ZQ66^12^7^14146559");
    EXPECT_EQ(rig.core.table.probe, 1);
    EXPECT_EQ(rig.core.connects.probeCount.text(), "1");
    rig.record("^ZQ66^13^0^1.2.3.4^0^23^0^^65280");
    rig.record("^ZQ66^13^7^14146559");  // not white before: no probe
    EXPECT_EQ(rig.core.table.probe, 1);
}

TEST(AnySocketRecord, FieldsWithNoStepOnlyRecount) {
    for (const char* k : {"1", "5", "8", "12"}) {
        SCOPED_TRACE(k);
        TableRig rig;
        rig.record(rig.full66(12, "K1ABC"));
        rig.core.trafficRows.lastGridRow = 12;
        rig.core.connects.plainUserCount.setText("sentinel");
        rig.record(std::string("^ZQ66^12^") + k + "^x");
        // Field 1 is dropped before any step; the others run only the count.
        EXPECT_EQ(rig.core.connects.plainUserCount.text(), std::string(k) == "1" ? "sentinel" : "0");
        rig.core.connects.plainUserCount.setText("sentinel");
        rig.record(std::string("^ZQ60^12^") + k + "^x");
        EXPECT_EQ(rig.core.connects.plainUserCount.text(), "sentinel");
    }
}

}  // namespace
}  // namespace dx::test

namespace dx::test {
namespace {

TEST(MonitoredRecord, ASocketWithoutARowStillFillsTheMonitorBoxesUpToTheGrid) {
    TableRig rig(0);  // no port list: row 1 is never made
    rig.record("^ZQ60^1^0^1.2.3.4^255^23^65280^K1ABC^65280");
    EXPECT_FALSE(rig.core.grid.hasRow(1));
    const MonitorModel& m = rig.core.monitor;
    EXPECT_EQ(m.shownAddress.text(), "1.2.3.4");
    EXPECT_EQ(m.shownPort.text(), "23");
    EXPECT_EQ(m.shownPort.back(), 65280);
    EXPECT_EQ(m.commandLine().text(), "1");
    EXPECT_EQ(m.shownCall.text(), "K1ABC");
    EXPECT_EQ(m.shownCall.back(), 65280);
}

}  // namespace
}  // namespace dx::test
