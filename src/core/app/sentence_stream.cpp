#include "app/sentence_stream.h"

#include <string>

#include "common/event_guard.h"
#include "common/platform.h"
#include "common/text.h"
#include "sockets/command_line.h"
#include "sockets/recognition.h"
#include "sockets/socket_table.h"
#include "sockets/status_sentences.h"
#include "sockets/traffic.h"
#include "views/monitor_model.h"
#include "wire/sentence_kinds.h"

namespace dx {
namespace {
using wire::SentenceKind;
constexpr std::string_view kIndent = "            ";  // 12 blanks: a line that is not a call's traffic

bool isHead(std::string_view piece, SentenceKind kind) {
    return startsWith(piece, wire::headOf(kind));
}
}  // namespace

void SentenceStream::onDataArrival() {
    paneColour_ = colours::kBlack;
    // A fault outside any one sentence ends this arrival; the buffer keeps what it holds.
    guard_.run("a data arrival", [this] {
        Platform& p = platform_;
        // Data is read only from a link that is up; a link still connecting gets a moment.
        for (int waits = 0;; ++waits) {
            const int state = p.socketState();
            if (state == kSocketConnected) break;
            if (state != kSocketConnecting || waits >= 1000) return;
            p.sleepMs(1);
        }
        commands_.idleTicks = 0;
        trimPane();
        append(p.socketReadAll());
        cutSentences();
    });
}

void SentenceStream::trimPane() {
    Pane& pane = monitor_.pane;
    if (pane.size() <= kPaneLimit) return;
    pane.deleteFront(pane.size() - keptAfterTrim(pane.size()));
    pane.setCaret(pane.size());
}

void SentenceStream::append(std::string_view data) {
    const std::size_t dropped = buffer_.append(data);
    if (dropped == 0) return;
    // Said once for every such drop.
    monitor_.pane.append("\r\n*** " + std::to_string(dropped) + " bytes dropped: the node sent more than " +
                             std::to_string(kBufferCap >> 20) + " MiB without a batch end (EOT)",
                         colours::kRed);
}

void SentenceStream::cutSentences() {
    // Every whole sentence is handled now, the batch's last included; the rest waits.
    std::string piece;
    while (buffer_.next(piece)) {
        platform_.sleepMs(1);
        // A sentence the program cannot handle ends there; the next one is handled as usual.
        bool goOn = true;
        const std::string head = piece.substr(0, 5);
        guard_.run(head, [&] { goOn = dispatch(std::move(piece)); });
        if (!goOn) return;
    }
}

bool SentenceStream::dispatch(std::string piece) {
    StatusSentences& status = status_;
    if (isHead(piece, SentenceKind::MonitoredSocketRecord) || isHead(piece, SentenceKind::SocketRecord)) {
        return writeToPane(table_.onSocketRecord(piece));
    }
    if (startsWith(piece, wire::kTrafficHead)) {
        const bool trafficLine = traffic_.onTrafficLine(piece);
        // Classification has run; the line is shown only while "Unknown" is ticked.
        if (!monitor_.showUnknown.checked()) return true;
        paneColour_ = colours::kBlack;
        return writeToPane(std::move(piece), trafficLine);
    }
    if (isHead(piece, SentenceKind::NodeEvent)) {
        paneColour_ = colours::kMagenta;
        return writeToPane(dropHead(piece));
    }
    if (isHead(piece, SentenceKind::ToMonitoredSocket)) {
        paneColour_ = colours::kBlue;
        if (!status.onToMonitoredSocketLine(piece)) return true;
        return writeToPane(std::move(piece));
    }
    if (isHead(piece, SentenceKind::FromMonitoredSocket)) {
        paneColour_ = colours::kRed;
        status.onFromMonitoredSocketLine(piece);
        return writeToPane(std::move(piece));
    }
    if (isHead(piece, SentenceKind::PortBoxText)) {
        status.onPortBoxText(piece);
    } else if (isHead(piece, SentenceKind::PortBoxColour)) {
        status.onPortBoxColour(piece);
    } else if (isHead(piece, SentenceKind::AllTimeHighWater)) {
        status.onAllTimeHighWater(piece);
    } else if (isHead(piece, SentenceKind::SessionHighWater)) {
        status.onSessionHighWater(piece);
    } else if (isHead(piece, SentenceKind::NodeStartTime)) {
        status.onNodeStartTime(piece);
    } else {
        return writeToPane(std::move(piece));
    }
    return true;
}

bool SentenceStream::writeToPane(std::string piece, bool trafficLine) {
    MonitorModel& m = monitor_;
    if (!m.showOut.checked()) return true;
    if (isHead(piece, SentenceKind::Broadcast)) {
        paneColour_ = colours::kBlue;
        piece = dropHead(piece);
        if (!m.showIn.checked()) return true;
    } else if (isHead(piece, SentenceKind::LinkTimes)) {
        // A link time not yet whole waits, with everything behind it, for the next arrival.
        if (piece.size() < 7) return false;
        std::string data = dropHead(piece);
        piece = traffic_.showLinkTime(data);
    }
    if (piece.empty()) return true;

    const std::size_t at64 = piece.find(wire::headOf(SentenceKind::Broadcast));
    if (at64 != std::string::npos) {
        // A "^ZQ64" swallowed into this piece is handled as a sentence of its own next time, in
        // front of everything that was still waiting.
        std::string rest = piece.substr(at64);
        rest.append(receiveBuffer());
        buffer_.replace(std::move(rest));
        return false;
    }

    std::string out;
    out.reserve(piece.size() + 32);
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = piece.find("\r\n", start);
        const std::string_view part =
            std::string_view(piece).substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part.size() > 3) {
            out += "\r\n";
            if (part.front() != '[') out += kIndent;
            if (part.size() > Traffic::kLongLine && !trafficLine) {
                // One runaway line (junk before a head, a node gone wrong) must not flood the
                // pane: its two ends say enough. (A traffic line's payload is cut so already.)
                out += part.substr(0, Traffic::kLongLineKeep);
                out += "-----";
                out += part.substr(part.size() - Traffic::kLongLineKeep);
            } else {
                out += part;
            }
        }
        if (end == std::string::npos) break;
        start = end + 2;
    }
    Pane& pane = m.pane;
    if (!out.empty()) pane.append(out, paneColour_);
    const std::size_t lastLf = pane.text().rfind('\n');
    pane.setCaret(lastLf == std::string::npos ? 0 : lastLf + 1);
    if (recognition_.nodeIsArcPassive) pane.insertAtCaret("\r\n", paneColour_);
    return true;
}

}  // namespace dx
