#include "link/sentence_stream.h"

#include <exception>
#include <string>

#include "app/core.h"
#include "common/text.h"

namespace dx {
namespace {
constexpr char kEot = '\x04';
constexpr std::string_view kIndent = "            ";  // 12 blanks: a line that is not a call's traffic

bool isHead(std::string_view piece, std::string_view head) { return StartsWith(piece, head); }
}  // namespace

void SentenceStream::OnDataArrival(std::int32_t bytesTotal) {
    paneColour_ = colours::kBlack;
    try {
        Platform& p = core_.platform;
        // Data is read only from a link that is up; a link still connecting gets a moment.
        for (int waits = 0;; ++waits) {
            const int state = p.socketState();
            if (state == kSocketConnected) break;
            if (state != kSocketConnecting || waits >= 1000) return;
            p.sleepMs(1);
        }
        core_.commands.IdleTicks = 0;

        // The pane keeps its newest 50000 characters once it holds more than 100000: after a
        // normal arrival that is the oldest 50000 gone; after a flood, all the flood but its end.
        Pane& pane = core_.monitor.pane;
        if (pane.size() > kPaneLimit) {
            pane.deleteFront(pane.size() - kPaneKeep);
            pane.setCaret(pane.size());
        }

        const std::string data = p.socketReadAll();
        // The node ends each batch with EOT: the buffer is cut once what it held already has a
        // batch end in it. (An empty buffer has none, so the first data after start-up only
        // waits.) Usually that EOT is the held text's last character; but a node faster than the
        // program fills every read to the brim, a read then stops anywhere in a batch, and waiting
        // for one that stops right after an EOT would leave the stream uncut until the buffer
        // overflowed and lost what it held.
        const std::string_view held = ReceiveBuffer();
        const bool batchEnded = held.find(kEot) != std::string_view::npos;
        append(data);
        if (!batchEnded) return;
        if (bytesTotal == 8192) return;  // a full socket read: more of the batch is on its way
        cutSentences();
    } catch (const std::exception&) {
        // A fault ends this arrival; the buffer keeps what it holds for the next one.
    }
}

void SentenceStream::append(std::string_view data) {
    if (head_ > 0 && head_ >= buffer_.size() / 2) {
        buffer_.erase(0, head_);
        head_ = 0;
    }
    buffer_.append(data);
    const std::size_t held = buffer_.size() - head_;
    if (held > kBufferCap) {
        // Keep the newest half of the cap and say so, once for every such drop.
        const std::size_t dropped = held - kBufferCap / 2;
        buffer_.erase(0, head_ + dropped);
        head_ = 0;
        core_.monitor.pane.append("\r\n*** " + std::to_string(dropped) +
                                      " bytes dropped: the node sent more than " +
                                      std::to_string(kBufferCap) + " bytes without a complete sentence",
                                  colours::kRed);
    }
}

void SentenceStream::setBuffer(std::string text) {
    buffer_ = std::move(text);
    head_ = 0;
}

void SentenceStream::cutSentences() {
    Platform& p = core_.platform;
    for (;;) {
        const std::string_view b = ReceiveBuffer();
        if (b.empty()) return;
        p.sleepMs(1);
        const std::size_t p1 = b.find("^ZQ");
        if (p1 == std::string_view::npos) return;
        const std::size_t next = b.find("^ZQ", p1 + 1);
        // A sentence is whole once another head has come at least 9 characters past its start.
        // (The next head is usually that far already, so the buffer is scanned once.)
        if (next == std::string_view::npos) return;
        if (next < p1 + 9 && b.find("^ZQ", p1 + 9) == std::string_view::npos) return;
        // Node-protocol text "^ZQ11^" right after a sentence start is traffic, not a new head.
        std::size_t p2 = next;
        if (b.compare(p2, 5, "^ZQ11") == 0) p2 = b.find("^ZQ", p2 + 1);
        // A traffic line runs to the first head from its eleventh character, whatever head it is.
        std::size_t cut = p2;
        if (isHead(b, "^ZQ70")) cut = next >= 10 ? next : b.find("^ZQ", 10);
        std::string piece;
        if (cut != std::string_view::npos) {
            piece.assign(b.substr(0, cut));
            head_ += cut;
        } else {
            piece.assign(b);
            buffer_.clear();
            head_ = 0;
        }
        if (!dispatch(std::move(piece))) return;
    }
}

bool SentenceStream::dispatch(std::string piece) {
    StatusSentences& status = core_.status;
    if (isHead(piece, "^ZQ60") || isHead(piece, "^ZQ66")) {
        return WriteToPane(core_.table.HandleSocketRecord(piece));
    }
    if (isHead(piece, "^ZQ70^")) {
        core_.traffic.HandleTraffic(piece);
        // Classification has run; the line is shown only while "Unknown" is ticked.
        if (!core_.monitor.chkUnknown.checked()) return true;
        paneColour_ = colours::kBlack;
        return WriteToPane(std::move(piece));
    }
    if (isHead(piece, "^ZQ61")) {
        paneColour_ = colours::kMagenta;
        return WriteToPane(DropHead(piece));
    }
    if (isHead(piece, "^ZQ62")) {
        paneColour_ = colours::kBlue;
        if (!status.Zq62(piece)) return true;
        return WriteToPane(std::move(piece));
    }
    if (isHead(piece, "^ZQ63")) {
        paneColour_ = colours::kRed;
        status.Zq63(piece);
        return WriteToPane(std::move(piece));
    }
    if (isHead(piece, "^ZQ80")) {
        status.Zq80(piece);
    } else if (isHead(piece, "^ZQ81")) {
        status.Zq81(piece);
    } else if (isHead(piece, "^ZQ90")) {
        status.Zq90(piece);
    } else if (isHead(piece, "^ZQ91")) {
        status.Zq91(piece);
    } else if (isHead(piece, "^ZQ92")) {
        status.Zq92(piece);
    } else {
        return WriteToPane(std::move(piece));
    }
    return true;
}

bool SentenceStream::WriteToPane(std::string piece) {
    MonitorWindow& m = core_.monitor;
    if (!m.chkOut.checked()) return true;
    if (isHead(piece, "^ZQ64")) {
        paneColour_ = colours::kBlue;
        piece = DropHead(piece);
        if (!m.chkIn.checked()) return true;
    } else if (isHead(piece, "^ZQ65")) {
        // A link time not yet whole waits, with everything behind it, for the next arrival.
        if (piece.size() < 7) return false;
        std::string data = DropHead(piece);
        piece = core_.traffic.TimeLinks(data);
    }
    if (piece.empty()) return true;

    const std::size_t at64 = piece.find("^ZQ64");
    if (at64 != std::string::npos) {
        // A "^ZQ64" swallowed into this piece is handled as a sentence of its own next time, in
        // front of everything that was still waiting.
        std::string rest = piece.substr(at64);
        rest.append(ReceiveBuffer());
        setBuffer(std::move(rest));
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
            if (part.size() > Traffic::kLongLine) {
                // One runaway line (junk before a head, a node gone wrong) must not flood the
                // pane: its two ends say enough.
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
    if (core_.recognition.NodeIsArcPassive) pane.insertAtCaret("\r\n", paneColour_);
    return true;
}

}  // namespace dx
