#include "sockets/release.h"

#include "app/core.h"
#include "common/fault.h"
#include "common/numeric.h"

namespace dx {

void Release::ReleaseSocketWatch(const std::string& socketText) {
    const std::int16_t socket = ToInt16(LeadingNumber(socketText));
    GridRow& row = core_.grid.rowToChange(socket);
    if (row.verdict() == Verdict::Unclassified) return;  // not classified: nothing to release
    const Watch was = row.watch();
    if (socket != core_.MonitoredSocket && !core_.Send("N" + socketText + "^")) throw Fault("link not open");
    if (was == Watch::Settled) return;  // released before: only the stop command again
    core_.statistics.CountClientVersions();
    row.setWatch(Watch::Settled);
    core_.grid.markChanged(socket);  // the settled mark changes the row's count at the next count
    MonitorWindow& m = core_.monitor;
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
