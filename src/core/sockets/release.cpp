#include "sockets/release.h"

#include "common/fault.h"
#include "common/numeric.h"
#include "sockets/statistics.h"
#include "views/grid.h"
#include "views/monitor_window.h"
#include "wire/node_sender.h"

namespace dx {

void Release::ReleaseSocketWatch(const std::string& socketText) {
    const std::int16_t socket = ToInt16(LeadingNumber(socketText));
    GridRow& row = grid_.rowToChange(socket);
    if (row.verdict() == Verdict::Unclassified) return;  // not classified: nothing to release
    const Watch was = row.watch();
    if (socket != NodeSender::MonitoredSocket && !sender_.Send("N" + socketText + "^"))
        throw Fault("link not open");
    if (was == Watch::Settled) return;  // released before: only the stop command again
    statistics_.CountClientVersions();
    row.setWatch(Watch::Settled);
    grid_.markChanged(socket);  // the settled mark changes the row's count at the next count
    MonitorWindow& m = monitor_;
    if (socketText == m.Text1.text()) {
        const PortColours shown = portColours(row.verdict(), row.watch());
        m.txtRemote[1].setBack(shown.back);
        m.txtRemote[2].setBack(colours::kGreen);
        m.txtRemote[0].setText(row.ip.text());
        m.txtRemote[1].setText(row.port.text());
        m.txtRemote[1].setFore(shown.fore);
        m.txtRemote[2].setText(row.call.text());
    }
}

}  // namespace dx
