#include "sockets/socket_table.h"

#include <algorithm>

#include "common/fault.h"
#include "common/numeric.h"
#include "common/text.h"
#include "sockets/command_line.h"
#include "sockets/release.h"
#include "sockets/statistics.h"
#include "views/connects_window.h"
#include "views/grid.h"
#include "views/monitor_window.h"
#include "views/port_rows.h"
#include "wire/node_sender.h"
#include "wire/sentence_kinds.h"

namespace dx {
namespace {
// RecordFields is never grown past this for a single-field update: no step reads a field beyond
// 9, and an absurd field number from the node must not cost memory.
constexpr std::int32_t kMaxStoredField = 64;

bool keptInCall(char c) {
    return c == '/' || c == '-' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
}  // namespace

std::string SocketTable::HandleSocketRecord(const std::string& sentence) {
    try {
        ZQ60True = StartsWith(sentence, wire::headOf(wire::SentenceKind::MonitoredSocketRecord));
        if (sentence.size() < 6) return {};
        std::string_view rest = std::string_view(sentence).substr(6);
        while (!rest.empty() && rest.front() == '^') rest.remove_prefix(1);
        RecordFields = Split(rest, '^');
        if (RecordFields.empty()) return {};
        const std::int16_t s = StrictInt16(RecordFields[0]);

        Grid& grid = grid_;
        LastCallRow = grid.highestIndex();
        // While the node has sent no port list, row 1 is never made (rows start at 2).
        const bool noPorts = ports_.PortCount == 0;
        const std::int32_t start = noPorts ? 1 : LastCallRow;
        if (s > start) grid.CreateMissingRows(start + 1, s);

        if (ports_.HiddenRowLimit == 0) {
            ports_.HiddenRowLimit = static_cast<std::int32_t>(connects_.txtReset.size()) - 1;
            for (std::int32_t r = 0; r <= ports_.HiddenRowLimit; ++r) {
                if (!grid.hasRow(r)) continue;
                GridRow& row = grid.rowToChange(r);
                row.ip.setVisible(false);
                row.port.setVisible(false);
                row.call.setVisible(false);
            }
        }

        if (RecordFields.size() < 2) return {};
        const std::int32_t k = LeadingWhole32(RecordFields[1]);
        RecordSocket = s;

        if (k != 0) {
            if (k < 0) return {};
            RecordFields.resize(static_cast<std::size_t>(std::min(k, kMaxStoredField)) + 1);
            if (RecordFields.size() < 3) return {};  // entry 2 is gone: nothing to apply
            if (k <= kMaxStoredField) RecordFields[static_cast<std::size_t>(k)] = RecordFields[2];
            try {
                ApplyRecordField(k);
            } catch (const Fault&) {
            }
            return {};
        }

        if (RecordFields.size() > 9) grid.rowToChange(s).ip.setTip(RecordFields[9]);
        if (RecordFields.size() < 7) return {};
        std::string& call = RecordFields[6];
        call.erase(std::remove_if(call.begin(), call.end(), [](char c) { return !keptInCall(c); }),
                   call.end());
        for (std::int32_t field = 2; field <= 7; ++field) {
            try {
                ApplyRecordField(field);
            } catch (const Fault&) {
                // A fault in one field's step ends that step only.
            }
        }
    } catch (const Fault&) {
        // A fault ends the handling of this sentence; what was done stays.
    }
    return {};
}

void SocketTable::ApplyRecordField(std::int32_t k) {
    const auto field = [this](std::size_t i) -> const std::string& {
        if (i >= RecordFields.size()) throw Fault("missing field");
        return RecordFields[i];
    };
    // A colour number: the field's leading number, held in 32 bits.
    const auto colour = [&field](std::size_t i) { return static_cast<Colour>(LeadingWhole32(field(i))); };
    // Asks the node for the socket's traffic; a link that is not open ends the step.
    const auto watch = [this](const std::string& f0) {
        if (!sender_.Send("M" + f0 + "^")) throw Fault("link not open");
    };
    const std::string& f0 = field(0);
    // The row is looked up where a step reaches it: a step writes the monitor window's boxes
    // before it touches the grid, and a socket without a row faults only there.
    const auto row = [this]() -> GridRow& { return grid_.rowToChange(RecordSocket); };
    MonitorWindow& m = monitor_;
    CommandLine& commands = commands_;

    if (ZQ60True) {
        // The monitored socket: its row, and the monitor window's boxes.
        switch (k) {
            case 2:
                m.txtRemote[0].setText(field(2));
                row().ip.setText(field(2));
                break;
            case 3: {
                const Colour c = colour(3);
                if (c != colours::kYellow && c != colours::kWhite) {
                    m.txtRemote[0].setText(row().ip.text());
                    m.txtRemote[0].setBack(c);
                    const GridRow& shown = row();
                    m.txtRemote[1].setFore(portColours(shown.verdict(), shown.watch()).fore);
                    m.txtRemote[1].setBack(colours::kWhite);
                    m.txtRemote[2].setText("");
                    m.txtRemote[2].setBack(colours::kWhite);
                }
                row().ip.setBack(c);
                if (c == colours::kWhite) m.txtRemote[0].setBack(c);
                break;
            }
            case 4:
                m.txtRemote[1].setText(field(4));
                m.txtRemote[1].setBack(colours::kWhite);
                row().port.setText(field(4));
                break;
            case 5:
                m.txtRemote[1].setBack(colour(5));
                break;
            case 6:
                m.Text1.setText(f0);
                m.txtRemote[2].setText(field(6));
                row().call.setText(field(6));
                if (field(6).empty()) {
                    commands.DxDeArmed = false;
                    commands.RestartDxDe();
                    watch(f0);
                    row().setVerdict(Verdict::Unclassified);
                }
                break;
            case 7:
                m.txtRemote[2].setBack(WholeNumber32(field(7)));
                row().call.setBack(colour(7));
                statistics_.CountClientVersions();
                break;
            default:
                break;
        }
        return;
    }

    // Any socket: its row only, unless Auto mode shows it in the monitor window.
    switch (k) {
        case 2:
            row().ip.setText(field(2));
            break;
        case 3: {
            const Colour c = colour(3);
            // A socket whose address leaves yellow has logged in: watch what it runs.
            if (row().ip.back() == colours::kYellow && c != colours::kYellow) {
                row().port.setTip("");
                watch(f0);
                row().setWatch(Watch::Watched);
                if (AutoMode) {
                    m.Text1.setText(f0);
                    m.txtRemote[0].setText(row().ip.text());
                    m.txtRemote[0].setBack(c);
                    m.txtRemote[1].setBack(colours::kWhite);
                    m.txtRemote[2].setText("");
                    m.txtRemote[2].setBack(colours::kWhite);
                }
                commands.DxDeArmed = false;
                commands.RestartDxDe();
            }
            row().ip.setBack(c);
            break;
        }
        case 4:
            row().port.setText(field(4));
            row().setVerdict(Verdict::Unclassified);
            break;
        case 6:
            row().call.setText(field(6));
            if (field(6) == "LockedOut") {
                row().setVerdict(Verdict::NoCall);
                m.txtRemote[1].setBack(portColours(Verdict::NoCall, row().watch()).back);
                release_.ReleaseSocketWatch(f0);
            }
            if (AutoMode && m.Text1.text() == f0) m.txtRemote[2].setText(field(6));
            break;
        case 7: {
            const Colour v = colour(7);
            if (row().call.back() == colours::kWhite && v == colours::kProbePink) {
                ++probe;
                connects_.Text1.setText(std::to_string(probe));
            }
            row().call.setBack(v);
            break;
        }
        default:
            break;
    }
    statistics_.CountClientVersions();
}

bool SocketTable::ColourByCall(const std::string&) {
    return false;
}

}  // namespace dx
