#include "sockets/traffic.h"

#include <optional>

#include "common/fault.h"
#include "common/numeric.h"
#include "sockets/recognition.h"
#include "sockets/traffic_rows.h"
#include "views/connections_model.h"
#include "views/grid.h"
#include "views/port_rows.h"
#include "wire/node_sender.h"

namespace dx {

bool Traffic::onTrafficLine(std::string& sentence) {
    // Before the first socket record a traffic line goes on as it came, head and all.
    if (ports_.hiddenRowLimit == 0) return false;
    const std::string rest = sentence.size() > 6 ? sentence.substr(6) : std::string();
    const std::size_t caret = rest.find('^', 1);
    if (caret == std::string::npos) return false;
    try {
        const std::int16_t socket = toInt16(leadingNumber(std::string_view(rest).substr(0, caret)));
        trafficSocketText = std::to_string(socket);
        Grid& grid = grid_;
        if (socket > grid.highestIndex()) grid.createMissingRows(grid.highestIndex() + 1, socket);
        trafficRows_.lastGridRow = static_cast<std::int16_t>(grid.highestIndex());

        std::string payload = rest.substr(caret + 1);
        std::optional<float> version = recognition_.classify(socket, payload);
        if (payload.size() > kLongLine) {
            // One runaway line must not flood the pane: its two ends say enough.
            payload =
                payload.substr(0, kLongLineKeep) + "-----" + payload.substr(payload.size() - kLongLineKeep);
        }

        std::string text;
        if (socket != NodeSender::monitoredSocket) {
            const std::string call = grid.row(socket).call.text() + "        ";
            text = "[" +
                   call.substr(
                       0, static_cast<std::size_t>(std::max<std::int16_t>(trafficRows_.callFieldWidth, 0))) +
                   "] " + payload;
        }
        sentence = std::move(text);
        if (version) {
            std::int16_t s = socket;
            recognition_.kelCheck(*version, s);
        }
    } catch (const Fault&) {
        // A fault ends this line's handling; it is not shown.
        sentence.clear();
    }
    return true;
}

std::string Traffic::showLinkTime(std::string& dataString) {
    if (dataString.empty()) return {};
    const std::size_t p = dataString.find('^', 1);
    std::string field;
    if (p != std::string::npos) {
        field = dataString.substr(0, p);
        dataString.erase(0, p);
    } else {
        field.swap(dataString);
    }
    connects_.linkTime.setText((field + "00000").substr(0, 7));
    return {};
}

}  // namespace dx
