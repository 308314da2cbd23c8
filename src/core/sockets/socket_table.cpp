#include "sockets/socket_table.h"

#include <algorithm>

#include "common/fault.h"
#include "common/numeric.h"
#include "common/text.h"
#include "sockets/release.h"
#include "sockets/spot_delay.h"
#include "sockets/statistics.h"
#include "views/connections_model.h"
#include "views/grid.h"
#include "views/monitor_model.h"
#include "views/port_rows.h"
#include "wire/node_colours.h"
#include "wire/node_sender.h"
#include "wire/sentence_kinds.h"

namespace dx {

wire::Outcome SocketTable::onSocketRecord(const wire::SocketRecord& record) {
    try {
        const std::int16_t s = record.socket;

        Grid& grid = grid_;
        lastCallRow = grid.highestIndex();
        // While the node has sent no port list, row 1 is never made (rows start at 2).
        const bool noPorts = ports_.portCount == 0;
        const std::int32_t start = noPorts ? 1 : lastCallRow;
        if (s > start) grid.createMissingRows(start + 1, s);

        if (ports_.hiddenRowLimit == 0) {
            ports_.hiddenRowLimit = static_cast<std::int32_t>(connects_.portStrip.size()) - 1;
            for (std::int32_t r = 0; r <= ports_.hiddenRowLimit; ++r) {
                if (!grid.hasRow(r)) continue;
                GridRow& row = grid.rowToChange(r);
                row.address.setVisible(false);
                row.port.setVisible(false);
                row.call.setVisible(false);
            }
        }

        if (!record.fieldNumber) return wire::Outcome::nothing();
        const std::int32_t k = *record.fieldNumber;

        if (k != 0) {
            // Below 2 no field is named that the update could carry.
            if (k < 2) return wire::Outcome::nothing();
            try {
                applyRecordField(record, k);
            } catch (const Fault&) {
            }
            return wire::Outcome::nothing();
        }

        if (record.hostTip) grid.rowToChange(s).address.setTip(std::string(*record.hostTip));
        // A whole record without its call (fewer than seven fields) applies none of them.
        if (!record.call) return wire::Outcome::nothing();
        for (std::int32_t field = 2; field <= 7; ++field) {
            try {
                applyRecordField(record, field);
            } catch (const Fault&) {
                // A fault in one field's step ends that step only.
            }
        }
    } catch (const Fault&) {
        // A fault ends the handling of this sentence; what was done stays.
    }
    return wire::Outcome::nothing();
}

void SocketTable::applyRecordField(const wire::SocketRecord& record, std::int32_t k) {
    const auto field = [&record](std::size_t i) -> std::string {
        const std::optional<std::string_view> f = record.field(i);
        if (!f) throw Fault("missing field");
        return std::string(*f);
    };
    // A colour number: the field's leading number, held in 32 bits.
    const auto colour = [&field](std::size_t i) { return static_cast<Colour>(leadingWhole32(field(i))); };
    // Asks the node for the socket's traffic; a link that is not open ends the step.
    const auto watch = [this](const std::string& f0) {
        if (!sender_.watch(f0)) throw Fault("link not open");
    };
    const std::string& f0 = field(0);
    // The row is looked up where a step reaches it: a step writes the monitor window's boxes
    // before it touches the grid, and a socket without a row faults only there.
    const auto row = [this, &record]() -> GridRow& { return grid_.rowToChange(record.socket); };
    MonitorModel& m = monitor_;
    SpotDelay& spotDelay = spotDelay_;

    if (record.monitoredSocket) {
        // The monitored socket: its row, and the monitor window's boxes.
        switch (k) {
            case 2:
                m.shownAddress.setText(field(2));
                row().address.setText(field(2));
                break;
            case 3: {
                const Colour c = colour(3);
                if (!node::awaitsLogin(c) && !node::isUnmarked(c)) {
                    m.shownAddress.setText(row().address.text());
                    m.shownAddress.setBack(c);
                    const GridRow& shown = row();
                    m.shownPort.setFore(portColours(shown.verdict(), shown.watch()).fore);
                    m.shownPort.setBack(colours::kWhite);
                    m.shownCall.setText("");
                    m.shownCall.setBack(colours::kWhite);
                }
                row().address.setBack(c);
                if (node::isUnmarked(c)) m.shownAddress.setBack(c);
                break;
            }
            case 4:
                m.shownPort.setText(field(4));
                m.shownPort.setBack(colours::kWhite);
                row().port.setText(field(4));
                break;
            case 5:
                m.shownPort.setBack(colour(5));
                break;
            case 6:
                m.showSocket(f0);
                m.shownCall.setText(field(6));
                row().call.setText(field(6));
                if (field(6).empty()) {
                    spotDelay.armed = false;
                    spotDelay.restart();
                    watch(f0);
                    row().setVerdict(Verdict::Unclassified);
                }
                break;
            case 7:
                m.shownCall.setBack(wholeNumber32(field(7)));
                row().call.setBack(colour(7));
                statistics_.countClientVersions();
                break;
            default:
                break;
        }
        return;
    }

    // Any socket: its row only, unless Auto mode shows it in the monitor window.
    switch (k) {
        case 2:
            row().address.setText(field(2));
            break;
        case 3: {
            const Colour c = colour(3);
            // A socket whose address leaves yellow has logged in: watch what it runs.
            if (!row().loggedIn() && !node::awaitsLogin(c)) {
                row().setVersion("");
                watch(f0);
                row().setWatch(Watch::Watched);
                if (m.autoMode()) {
                    m.showSocket(f0);
                    m.shownAddress.setText(row().address.text());
                    m.shownAddress.setBack(c);
                    m.shownPort.setBack(colours::kWhite);
                    m.shownCall.setText("");
                    m.shownCall.setBack(colours::kWhite);
                }
                spotDelay.armed = false;
                spotDelay.restart();
            }
            row().address.setBack(c);
            break;
        }
        case 4:
            row().port.setText(field(4));
            row().setVerdict(Verdict::Unclassified);
            break;
        case 6:
            row().call.setText(field(6));
            if (node::isLockedOut(field(6))) {
                row().setVerdict(Verdict::NoCall);
                m.shownPort.setBack(portColours(Verdict::NoCall, row().watch()).back);
                release_.releaseSocketWatch(f0);
            }
            if (m.autoMode() && m.shownSocket().is(f0)) m.shownCall.setText(field(6));
            break;
        case 7: {
            const Colour v = colour(7);
            if (node::probeArrives(row().call.back(), v)) {
                ++probe;
                connects_.probeCount.setText(std::to_string(probe));
            }
            row().call.setBack(v);
            break;
        }
        default:
            break;
    }
    statistics_.countClientVersions();
}

}  // namespace dx
