#include "app/node_link.h"

#include <algorithm>

#include "app/core.h"

namespace dx {
namespace {
// How long closing the monitor window waits for the link to report closed before ending anyway.
constexpr int kUnloadWaitMs = 5000;
}  // namespace

void NodeLink::Startup() {
    Platform& p = core_.platform;
    if (p.socketState() != kSocketClosed) p.socketClose();
    core_.monitor.window.setLoaded(true);
    core_.monitor.window.setShown(true);
    core_.monitor.window.setLeft(0);
    core_.monitor.window.setTop(0);
    core_.config.LoadConfig();
    core_.status.PortColours.assign(2, 0);
    core_.EnsureConnectsLoaded();
    // A file that was read keeps every place it names; without one, neither window covers the other.
    if (!core_.config.FileRead) core_.screens.PlaceForFirstRun();
    core_.connects.window.setShown(true);
    core_.table.AutoMode = true;
}

void NodeLink::ConnectToNode() {
    core_.EnsureConnectsLoaded();
    // A new connection starts with an empty grid. LastCallRow stops short of the row that the last
    // record made, and of rows that traffic made beyond it: every row goes.
    const std::int32_t last = std::max(core_.table.LastCallRow, core_.grid.highestIndex());
    for (std::int32_t i = 1; i <= last; ++i) core_.grid.RemoveRow(i);
    core_.connects.window.setShown(true);
    core_.connects.window.bringToFront();
    core_.monitor.pane.setText("Trying");
    Platform& p = core_.platform;
    p.socketClose();
    p.socketConnect(core_.config.RemoteHost, core_.config.RemotePort);
}

void NodeLink::OnConnected() {
    core_.monitor.pane.setText("Connected\r\n");
    core_.monitor.cmdConn.setVisible(false);
    // The node starts its stream on "B", and only once it is ready for it.
    core_.platform.sleepMs(2000);
    core_.Send("B");
    core_.commands.EnableWatchdog();
    core_.connects.window.setBack(colours::kButtonFace);
}

void NodeLink::OnClosedByPeer() {
    core_.platform.socketClose();
    core_.platform.processEvents();
    core_.monitor.cmdConn.setVisible(true);
}

void NodeLink::OnError(const std::string& description) {
    core_.monitor.pane.setText(description);
    core_.platform.socketClose();
}

void NodeLink::MonitorUnload() {
    Platform& p = core_.platform;
    p.socketClose();
    for (int waited = 0; p.socketState() > kSocketClosed && waited < kUnloadWaitMs; ++waited) {
        p.processEvents();
        p.sleepMs(1);
    }
    EndProgram();
}

void NodeLink::EndProgram() {
    if (ended_) return;
    ended_ = true;
    core_.platform.endProcess(0);
}

}  // namespace dx
