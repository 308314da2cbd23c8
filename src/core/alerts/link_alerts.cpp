#include "alerts/link_alerts.h"

#include "alerts/notice_texts.h"
#include "common/platform.h"
#include "common/text.h"

namespace dx {

void LinkAlerts::linkUp() {
    tellBack("The link was down for ", ".");
}

void LinkAlerts::nodeSendsAgain() {
    // The link kept open through its silence is back as if it had come up again.
    tellBack("The node sends again; it was found silent ", " ago.");
}

void LinkAlerts::tellBack(const char* before, const char* after) {
    upSinceTold_ = true;
    if (!toldLost_) return;
    const UtcTime lost = *toldLost_;
    toldLost_.reset();
    if (!settings_.desktopNotices) return;
    platform_.notify({DesktopNotice::Kind::LinkUp, "Link to " + nodeName(config_) + " up again",
                      before + durationText(platform_.nowUtc() - lost) + after});
}

void LinkAlerts::linkLost(LinkDownReason why, const std::string& detail, std::optional<int> nextTrySeconds) {
    if (!upSinceTold_) return;
    upSinceTold_ = false;
    // A loss the desktop was not told of has no "up again" either.
    if (!settings_.desktopNotices) return;
    toldLost_ = platform_.nowUtc();
    std::string body;
    switch (why) {
        case LinkDownReason::ClosedByNode:
            body = "The node closed the link.";
            break;
        case LinkDownReason::Silence:
            body = "The node has sent nothing for about six minutes.";
            break;
        default:
            body = detail.empty() ? std::string("The link failed.") : detail;
            if (body.back() != '.') body += '.';
            break;
    }
    if (nextTrySeconds)
        body += " The next try is in " + std::to_string(*nextTrySeconds) +
                (*nextTrySeconds == 1 ? " second." : " seconds.");
    platform_.notify({DesktopNotice::Kind::LinkDown, "Link to " + nodeName(config_) + " down", body});
}

void LinkAlerts::connectPressed() {
    upSinceTold_ = false;
}

}  // namespace dx
