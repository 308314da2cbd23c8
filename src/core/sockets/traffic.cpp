#include "sockets/traffic.h"

#include <algorithm>
#include <optional>

#include "common/fault.h"
#include "common/numeric.h"
#include "sockets/recognition.h"
#include "sockets/traffic_rows.h"
#include "views/connections_model.h"
#include "views/grid.h"
#include "views/pane.h"
#include "views/port_rows.h"
#include "wire/node_sender.h"

namespace dx {
using wire::Outcome;

Outcome Traffic::onTrafficLine(const wire::TrafficLine& line) {
    // Before the first socket record a traffic line goes on as it came, head and all.
    if (ports_.hiddenRowLimit == 0 || !line.hasSocket) return Outcome::show(line.sentence, colours::kBlack);
    std::string text;
    try {
        const std::int16_t socket = toInt16(leadingNumber(line.socketText));
        Grid& grid = grid_;
        if (socket > grid.highestIndex()) grid.createMissingRows(grid.highestIndex() + 1, socket);
        trafficRows_.lastGridRow = static_cast<std::int16_t>(grid.highestIndex());

        const std::string payload(line.payload);
        std::optional<float> version = recognition_.classify(socket, payload);

        if (socket != NodeSender::monitoredSocket) {
            // "[", the call padded with up to 8 blanks and cut to the field's width, "] ".
            const std::string& call = grid.row(socket).call.text();
            const auto width =
                static_cast<std::size_t>(std::max<std::int16_t>(trafficRows_.callFieldWidth, 0));
            const std::size_t shown = std::min(width, call.size() + 8);
            text.reserve(shown + 3 + payload.size());
            text += '[';
            text.append(call, 0, std::min(shown, call.size()));
            text.append(shown - std::min(shown, call.size()), ' ');
            text += "] ";
            // The payload is cut as a whole, its line breaks included.
            Pane::appendCut(text, payload);
        }
        if (version) recognition_.kelCheck(*version, socket);
    } catch (const Fault&) {
        // A fault ends this line's handling; it is not shown.
        text.clear();
    }
    return Outcome::show(std::move(text), colours::kBlack, true);
}

Outcome Traffic::onLinkTime(const wire::LinkTime& linkTime) {
    if (!linkTime.whole) return Outcome::stop();
    std::string shown(linkTime.time);
    shown += "00000";
    if (shown.size() > 7) shown.resize(7);
    connects_.linkTime.setText(std::move(shown));
    return Outcome::nothing();
}

}  // namespace dx
