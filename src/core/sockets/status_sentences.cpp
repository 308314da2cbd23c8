#include "sockets/status_sentences.h"

#include <string>
#include <string_view>

#include "common/fault.h"
#include "common/numeric.h"
#include "sockets/recognition.h"
#include "views/connections_model.h"
#include "views/grid.h"
#include "views/monitor_model.h"
#include "views/port_rows.h"
#include "wire/node_sender.h"

namespace dx {
using wire::Outcome;

Outcome StatusSentences::onNodeEventLine(const wire::NodeEventLine& line) {
    return Outcome::show(line.text, colours::kMagenta);
}

Outcome StatusSentences::onToMonitoredSocketLine(const wire::ToMonitoredSocketLine& line) {
    const std::string_view text = line.text;
    GridRow& row = grid_.rowToChange(NodeSender::monitoredSocket);
    if (row.verdict() == Verdict::KelLatest) return Outcome::show(text, colours::kBlue);
    if (row.verdict() == Verdict::KelOlder) {
        // A DXSpider prompt carries the client's version just before "  dxspider >".
        const std::size_t p = text.find("  dxspider >", 37);
        if (p != std::string_view::npos) {
            const auto version = static_cast<float>(leadingNumber(text.substr(p - 6, 6)));
            row.setVersion(floatText(version));
        }
    }
    if (!monitor_.showIn.checked()) return Outcome::hidden(colours::kBlue);
    return Outcome::show(text, colours::kBlue);
}

Outcome StatusSentences::onFromMonitoredSocketLine(const wire::FromMonitoredSocketLine& line) {
    if (line.keepAliveVersion) recognition_.kelCheck(*line.keepAliveVersion, NodeSender::monitoredSocket);
    return Outcome::show(line.text, colours::kRed);
}

Outcome StatusSentences::onBroadcastLine(const wire::BroadcastLine& line) {
    if (!monitor_.showIn.checked()) return Outcome::hidden(colours::kBlue);
    return Outcome::show(line.text, colours::kBlue);
}

namespace {
// A port box is a few characters wide: what the node says of it is kept to this, so a thousand
// boxes made from one sentence cannot hold a thousand copies of a long text.
constexpr std::size_t kBoxText = 1000;
std::string boxText(std::string_view t) {
    return std::string(t.substr(0, kBoxText));
}
}  // namespace

void StatusSentences::growPortStrip(std::int32_t n, const std::string_view* tip, bool setPortCount) {
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

Outcome StatusSentences::onPortBoxText(const wire::PortBoxText& box) {
    const std::int32_t n = box.box;
    growPortStrip(n, nullptr, false);
    if (n < 0 || !box.text) throw Fault("no box text");
    connects_.portStrip[static_cast<std::size_t>(n)].setText(boxText(*box.text));
    return Outcome::nothing();
}

Outcome StatusSentences::onPortBoxColour(const wire::PortBoxColour& box) {
    const std::int32_t n = box.box;
    growPortStrip(n, box.portName ? &*box.portName : nullptr, true);
    if (!box.colour) throw Fault("no colour");
    const Colour colour = *box.colour;
    if (n < 0) throw Fault("no such box");
    connects_.portStrip[static_cast<std::size_t>(n)].setBack(colour);
    if (static_cast<std::size_t>(n) >= portBoxColours.size())
        portBoxColours.resize(static_cast<std::size_t>(n) + 1, 0);
    portBoxColours[static_cast<std::size_t>(n)] = colour;
    return Outcome::nothing();
}

Outcome StatusSentences::onAllTimeHighWater(const wire::HighWaterMark& mark) {
    ConnectionsModel& c = connects_;
    // The count as the node sent it, in plain decimals however large.
    c.allTimeHighWater.setText(doubleText(mark.count));
    c.allTimeHighWaterLabel.setTip("All-Time Highwater Mark (" + std::string(mark.when) + ")");
    return Outcome::nothing();
}

Outcome StatusSentences::onSessionHighWater(const wire::HighWaterMark& mark) {
    ConnectionsModel& c = connects_;
    c.sessionHighWater.setText(doubleText(mark.count));
    c.sessionHighWaterLabel.setTip("Session Highwater Mark (" + std::string(mark.when) + ")");
    return Outcome::nothing();
}

Outcome StatusSentences::onNodeStartTime(const wire::NodeStartTime& time) {
    ConnectionsModel& c = connects_;
    c.nodeStartTime.setText(std::string(time.text));
    c.nodeStartTime.setVisible(true);
    return Outcome::nothing();
}

}  // namespace dx
