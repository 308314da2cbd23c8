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
namespace {
// recordFields is never grown past this for a single-field update: no step reads a field beyond
// 9, and an absurd field number from the node must not cost memory.
constexpr std::int32_t kMaxStoredField = 64;

bool keptInCall(char c) {
    return c == '/' || c == '-' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
}  // namespace

std::string SocketTable::onSocketRecord(const std::string& sentence) {
    try {
        recordIsMonitoredSocket =
            startsWith(sentence, wire::headOf(wire::SentenceKind::MonitoredSocketRecord));
        if (sentence.size() < 6) return {};
        std::string_view rest = std::string_view(sentence).substr(6);
        while (!rest.empty() && rest.front() == '^') rest.remove_prefix(1);
        recordFields = split(rest, '^');
        if (recordFields.empty()) return {};
        const std::int16_t s = strictInt16(recordFields[0]);

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

        if (recordFields.size() < 2) return {};
        const std::int32_t k = leadingWhole32(recordFields[1]);
        recordSocket = s;

        if (k != 0) {
            if (k < 0) return {};
            recordFields.resize(static_cast<std::size_t>(std::min(k, kMaxStoredField)) + 1);
            if (recordFields.size() < 3) return {};  // entry 2 is gone: nothing to apply
            if (k <= kMaxStoredField) recordFields[static_cast<std::size_t>(k)] = recordFields[2];
            try {
                applyRecordField(k);
            } catch (const Fault&) {
            }
            return {};
        }

        if (recordFields.size() > 9) grid.rowToChange(s).address.setTip(recordFields[9]);
        if (recordFields.size() < 7) return {};
        std::string& call = recordFields[6];
        call.erase(std::remove_if(call.begin(), call.end(), [](char c) { return !keptInCall(c); }),
                   call.end());
        for (std::int32_t field = 2; field <= 7; ++field) {
            try {
                applyRecordField(field);
            } catch (const Fault&) {
                // A fault in one field's step ends that step only.
            }
        }
    } catch (const Fault&) {
        // A fault ends the handling of this sentence; what was done stays.
    }
    return {};
}

void SocketTable::applyRecordField(std::int32_t k) {
    const auto field = [this](std::size_t i) -> const std::string& {
        if (i >= recordFields.size()) throw Fault("missing field");
        return recordFields[i];
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
    const auto row = [this]() -> GridRow& { return grid_.rowToChange(recordSocket); };
    MonitorModel& m = monitor_;
    SpotDelay& spotDelay = spotDelay_;

    if (recordIsMonitoredSocket) {
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
