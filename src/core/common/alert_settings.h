#pragma once
#include <string>
#include <vector>

namespace dx {

// What the operator set for being told of things while not looking at the monitor: the calls
// watched for, and whether the desktop shows notifications too. Kept beside the configuration,
// apart from its fifteen records.
struct AlertSettings {
    std::vector<std::string> watchedCalls;  // calls or patterns, as the operator wrote them
    bool desktopNotices = true;
    bool operator==(const AlertSettings&) const = default;
};

// One notification for the desktop, in the node's bytes (Latin-1) as the pane shows them.
struct DesktopNotice {
    enum class Kind { WatchedArrived, WatchedLeft, LinkDown, LinkUp };
    Kind kind = Kind::WatchedArrived;
    std::string title;
    std::string body;
    bool operator==(const DesktopNotice&) const = default;
};

}  // namespace dx
