#include "sockets/release.h"

#include "common/fault.h"
#include "common/numeric.h"
#include "sockets/statistics.h"
#include "views/grid.h"
#include "views/monitor_model.h"
#include "wire/node_sender.h"

namespace dx {

void Release::releaseSocketWatch(const std::string& socketText) {
    const std::int16_t socket = toInt16(leadingNumber(socketText));
    GridRow& row = grid_.rowToChange(socket);
    if (row.verdict() == Verdict::Unclassified) return;  // not classified: nothing to release
    const Watch was = row.watch();
    if (socket != NodeSender::monitoredSocket && !sender_.stopWatching(socketText))
        throw Fault("link not open");
    if (was == Watch::Settled) return;  // released before: only the stop command again
    statistics_.countClientVersions();
    row.setWatch(Watch::Settled);
    grid_.markChanged(socket);  // the settled mark changes the row's count at the next count
    MonitorModel& m = monitor_;
    if (m.shownSocket().is(socketText)) {
        const PortBoxColours shown = portColours(row.verdict(), row.watch());
        m.shownPort.setBack(shown.back);
        m.shownCall.setBack(colours::kGreen);
        m.shownAddress.setText(row.address.text());
        m.shownPort.setText(row.port.text());
        m.shownPort.setFore(shown.fore);
        m.shownCall.setText(row.call.text());
    }
}

}  // namespace dx
