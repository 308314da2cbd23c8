#include "app/node_link.h"

#include <algorithm>

#include "app/config_file.h"
#include "app/screens.h"
#include "app/watchdog.h"
#include "app/window_loader.h"
#include "common/platform.h"
#include "sockets/socket_events.h"
#include "sockets/socket_table.h"
#include "sockets/statistics.h"
#include "sockets/status_sentences.h"
#include "views/connections_model.h"
#include "views/grid.h"
#include "views/monitor_model.h"
#include "wire/node_sender.h"

namespace dx {
namespace {
// How long closing the monitor window waits for the link to report closed before ending anyway.
constexpr int kUnloadWaitMs = 5000;
}  // namespace

void NodeLink::startUp() {
    Platform& p = platform_;
    if (p.socketState() != kSocketClosed) p.socketClose();
    monitor_.window.setLoaded(true);
    monitor_.window.setShown(true);
    monitor_.window.setLeft(0);
    monitor_.window.setTop(0);
    config_.loadConfig();
    status_.portBoxColours.assign(2, 0);
    loader_.ensureConnectionsLoaded();
    // A file that was read keeps every place it names; without one, neither window covers the other.
    if (!config_.fileRead) screens_.placeForFirstRun();
    connects_.window.setShown(true);
    monitor_.setAutoMode(true);
}

void NodeLink::connectToNode() {
    events_.linkWentDown(LinkDownReason::ConnectPressed);
    loader_.ensureConnectionsLoaded();
    // A new connection starts with an empty grid. lastCallRow stops short of the row that the last
    // record made, and of rows that traffic made beyond it: every row goes.
    const std::int32_t last = std::max(table_.lastCallRow, grid_.highestIndex());
    for (std::int32_t i = 1; i <= last; ++i) grid_.removeRow(i);
    statistics_.rowsRemoved();
    connects_.window.setShown(true);
    connects_.window.bringToFront();
    monitor_.pane.setText("Trying");
    Platform& p = platform_;
    p.socketClose();
    p.socketConnect(config_.remoteHost, config_.remotePort);
}

void NodeLink::onConnected() {
    monitor_.pane.setText("Connected\r\n");
    events_.linkCameUp();
    monitor_.connectButton.setVisible(false);
    // The node starts its stream when asked, and only once it is ready for it.
    platform_.sleepMs(2000);
    sender_.start();
    watchdog_.enable();
    connects_.window.setBack(colours::kButtonFace);
}

void NodeLink::onClosedByPeer() {
    events_.linkWentDown(LinkDownReason::ClosedByNode);
    platform_.socketClose();
    platform_.processEvents();
    monitor_.connectButton.setVisible(true);
}

void NodeLink::onError(const std::string& description) {
    events_.linkWentDown(LinkDownReason::Error, description);
    monitor_.pane.setText(description);
    platform_.socketClose();
    // An error may end a link that was up, and Connect is then the operator's only way back.
    monitor_.connectButton.setVisible(true);
}

void NodeLink::giveUpSilentLink() {
    events_.linkWentDown(LinkDownReason::Silence);
    platform_.socketClose();
}

void NodeLink::monitorUnload() {
    events_.linkWentDown(LinkDownReason::ProgramEnded);
    Platform& p = platform_;
    p.socketClose();
    for (int waited = 0; p.socketState() > kSocketClosed && waited < kUnloadWaitMs; ++waited) {
        p.processEvents();
        p.sleepMs(1);
    }
    endProgram();
}

void NodeLink::endProgram() {
    if (ended_) return;
    ended_ = true;
    // Before the process ends: nothing runs after it.
    events_.linkWentDown(LinkDownReason::ProgramEnded);
    platform_.endProcess(0);
}

}  // namespace dx
