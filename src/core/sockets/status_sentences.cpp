#include "sockets/status_sentences.h"

#include <cmath>
#include <string>
#include <string_view>

#include "common/fault.h"
#include "common/numeric.h"
#include "common/text.h"
#include "sockets/recognition.h"
#include "views/connections_model.h"
#include "views/grid.h"
#include "views/monitor_model.h"
#include "views/port_rows.h"
#include "wire/node_sender.h"

namespace dx {
namespace {
// The rest of a high-water sentence after its first "^" (the whole rest when it has none).
std::string afterFirstCaret(const std::string& rest) {
    const std::size_t at = rest.find('^');
    return at == std::string::npos ? rest : rest.substr(at + 1);
}

// A high-water count as the node sent it: its leading number rounded, in plain decimals, however
// large. Only a number too long to hold at all is a fault.
std::string countText(const std::string& rest) {
    const double count = roundHalfEven(leadingNumber(rest));
    if (!std::isfinite(count)) throw Fault("count out of range");
    return doubleText(count);
}
}  // namespace

bool StatusSentences::onToMonitoredSocketLine(std::string& piece) {
    piece = piece.size() > 5 ? dropHead(piece) : std::string("\r\n");
    GridRow& row = grid_.rowToChange(NodeSender::monitoredSocket);
    if (row.verdict() == Verdict::KelLatest) return true;
    if (row.verdict() == Verdict::KelOlder) {
        // A DXSpider prompt carries the client's version just before "  dxspider >".
        const std::size_t p = piece.find("  dxspider >", 37);
        if (p != std::string::npos) {
            const auto version = static_cast<float>(leadingNumber(std::string_view(piece).substr(p - 6, 6)));
            row.port.setTip(floatText(version));
        }
    }
    return monitor_.showIn.checked();
}

void StatusSentences::onFromMonitoredSocketLine(std::string& piece) {
    piece = dropHead(piece);
    const std::size_t p = piece.find("KeepAlive ");
    if (p == std::string::npos) return;
    const std::size_t q = piece.find('V', p);
    const std::string_view from = q == std::string::npos ? std::string_view(piece).substr(0, 6)
                                                         : std::string_view(piece).substr(q + 1, 6);
    float version = static_cast<float>(leadingNumber(from));
    std::int16_t socket = NodeSender::monitoredSocket;
    recognition_.kelCheck(version, socket);
}

namespace {
// A port box is a few characters wide: what the node says of it is kept to this, so a thousand
// boxes made from one sentence cannot hold a thousand copies of a long text.
constexpr std::size_t kBoxText = 1000;
std::string boxText(const std::string& t) {
    return t.substr(0, kBoxText);
}
}  // namespace

void StatusSentences::growPortStrip(std::int32_t n, const std::string* tip, bool setPortCount) {
    if (n > kMaxPortBox) throw Fault("box number out of range");
    auto& boxes = connects_.portStrip;
    for (auto i = static_cast<std::int32_t>(boxes.size()); i <= n; ++i) {
        Element box = boxes[0];
        if (setPortCount) ports_.portCount = i;
        if (tip) box.setTip(" Port " + boxText(*tip));
        box.setVisible(true);
        box.setLeft(boxes.back().left() + ConnectionsModel::kPortBoxPitch);
        boxes.push_back(std::move(box));
    }
}

void StatusSentences::onPortBoxText(const std::string& piece) {
    const std::vector<std::string> f = split(dropHead(piece), '^');
    if (f.empty()) throw Fault("no box number");
    const std::int32_t n = strictInt32(f[0]);
    growPortStrip(n, nullptr, false);
    if (n < 0 || f.size() < 2) throw Fault("no box text");
    connects_.portStrip[static_cast<std::size_t>(n)].setText(boxText(f[1]));
}

void StatusSentences::onPortBoxColour(const std::string& piece) {
    const std::vector<std::string> f = split(piece, '^');
    if (f.size() < 3) throw Fault("no box number");
    const std::int32_t n = leadingWhole32(f[2]);
    growPortStrip(n, f.size() > 4 ? &f[4] : nullptr, true);
    if (f.size() < 4) throw Fault("no colour");
    const Colour colour = leadingWhole32(f[3]);
    if (n < 0) throw Fault("no such box");
    connects_.portStrip[static_cast<std::size_t>(n)].setBack(colour);
    if (static_cast<std::size_t>(n) >= portBoxColours.size())
        portBoxColours.resize(static_cast<std::size_t>(n) + 1, 0);
    portBoxColours[static_cast<std::size_t>(n)] = colour;
}

void StatusSentences::onAllTimeHighWater(const std::string& piece) {
    const std::string rest = dropHead(piece);
    ConnectionsModel& c = connects_;
    c.allTimeHighWater.setText(countText(rest));
    c.allTimeHighWaterLabel.setTip("All-Time Highwater Mark (" + afterFirstCaret(rest) + ")");
}

void StatusSentences::onSessionHighWater(const std::string& piece) {
    const std::string rest = dropHead(piece);
    ConnectionsModel& c = connects_;
    c.sessionHighWater.setText(countText(rest));
    c.sessionHighWaterLabel.setTip("Session Highwater Mark (" + afterFirstCaret(rest) + ")");
}

void StatusSentences::onNodeStartTime(const std::string& piece) {
    ConnectionsModel& c = connects_;
    c.nodeStartTime.setText(dropHead(piece));
    c.nodeStartTime.setVisible(true);
}

}  // namespace dx
