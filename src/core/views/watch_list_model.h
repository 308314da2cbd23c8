#pragma once
#include <cstdint>
#include <string>

namespace dx {

// The watch-list window as the program sees it: the list being edited, one call or pattern a
// line, the desktop's notifications on or off, and what the last OK or Apply had to say.
struct WatchListModel {
    bool shown = false;
    std::string patterns;
    bool desktopNotices = true;
    std::string message;  // empty when there is nothing to say
    bool messageIsFailure = false;
    // Counts the program's own changes to `patterns` and `desktopNotices` (the operator's edits do
    // not count): the window takes them over only when it changes.
    std::uint32_t revision = 0;
    std::uint32_t frontRequests = 0;
};

}  // namespace dx
