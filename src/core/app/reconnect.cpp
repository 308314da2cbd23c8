#include "app/reconnect.h"

#include <algorithm>

#include "alerts/link_alerts.h"
#include "app/node_link.h"
#include "app/watchdog.h"
#include "common/platform.h"
#include "views/monitor_model.h"

namespace dx {

void Reconnect::setFirstWait(int seconds) {
    first_ = std::max(seconds, 0);
    wait_ = first_;
}

void Reconnect::onConnected() {
    // Each link is given the watchdog's whole time: the silence of a link given up is not
    // counted against the next.
    if (first_ > 0) watchdog_.idleTicks = 0;
    link_.onConnected();
    alerts_.linkUp();
    if (first_ > 0) platform_.timerStart(TimerId::LinkSteady, kSteadyMs);
}

void Reconnect::onClosedByPeer() {
    link_.onClosedByPeer();
    linkLost(LinkDownReason::ClosedByNode);
}

void Reconnect::onError(const std::string& description) {
    link_.onError(description);
    linkLost(LinkDownReason::Error, description);
}

void Reconnect::connectNow() {
    alerts_.connectPressed();
    if (waiting_) {
        platform_.timerStop(TimerId::Reconnect);
        waiting_ = false;
    }
    link_.connectToNode();
}

void Reconnect::onTryDue() {
    platform_.timerStop(TimerId::Reconnect);
    if (!waiting_) return;
    waiting_ = false;
    link_.connectToNode();
}

void Reconnect::onSteady() {
    platform_.timerStop(TimerId::LinkSteady);
    wait_ = first_;
}

void Reconnect::onWatchdogTick() {
    if (!watchdog_.onTick()) return;
    // Only a link that is up is given up; a try under way or waiting goes on as planned.
    if (platform_.socketState() != kSocketConnected) return;
    if (first_ == 0) {
        // Kept open, the silent link is lost all the same as far as the operator can tell.
        alerts_.linkLost(LinkDownReason::Silence, {}, std::nullopt);
        return;
    }
    link_.giveUpSilentLink();
    monitor_.pane.append("\r\n*** The node has sent nothing for about six minutes: the link is closed.",
                         colours::kRed);
    linkLost(LinkDownReason::Silence);
}

void Reconnect::linkLost(LinkDownReason why, const std::string& detail) {
    if (first_ == 0) {
        alerts_.linkLost(why, detail, std::nullopt);
        return;
    }
    // An error and the close that goes with it are one loss: one try is planned. Each says when
    // it is due, since an error's text replaces what the pane said.
    if (!waiting_) {
        platform_.timerStop(TimerId::LinkSteady);
        waiting_ = true;
        planned_ = wait_;
        platform_.timerStart(TimerId::Reconnect, planned_ * 1000);
        wait_ = std::min(wait_ * 2, first_ * kLongestFactor);
    }
    // Connect tries at once; a link that failed without the node closing it would leave it hidden.
    monitor_.connectButton.setVisible(true);
    monitor_.pane.append("\r\n*** The link to the node is down: the next try is in " +
                             std::to_string(planned_) + (planned_ == 1 ? " second." : " seconds."),
                         colours::kRed);
    alerts_.linkLost(why, detail, planned_);
}

}  // namespace dx
