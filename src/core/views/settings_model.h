#pragma once
#include <array>

#include "common/view.h"

namespace dx {

// The settings window: the node's address and port, Apply, Exit and Reset Screens.
struct SettingsModel {
    // The design client area is 4095 x 1710; the outer size adds the frame.
    static constexpr Twips kFrameWidth = 140;
    static constexpr Twips kFrameHeight = 455;

    WindowModel window{"Settings", Rect{0, 0, 4095 + kFrameWidth, 1710 + kFrameHeight}, kFrameWidth,
                       kFrameHeight};

    // A label and a box that never show; they keep their design places.
    Element spareLabel{{3480, 1320, 1080, 255}, "Label1", colours::kButtonFace, {}, false};
    Element timerNumberBox{{2280, 1440, 1215, 285}, "Timer Number", colours::kWindowBack, {}, false};
    Element hostLabel{{600, 240, 1080, 255}, "IP Address", colours::kButtonFace};
    Element portLabel{{2520, 240, 1080, 255}, "Port", colours::kButtonFace};
    Element hostBox{{480, 600, 1215, 285}, "IP Address", colours::kWindowBack};
    Element portBox{{2400, 600, 1215, 285}, "Port", colours::kWindowBack};
    Element exitButton{{480, 1080, 855, 375}, "Exit", colours::kButtonFace};
    Element applyButton{{2760, 1080, 855, 375}, "Apply", colours::kButtonFace};
    Element resetScreensButton{{1440, 1080, 1215, 375}, "Reset Screens", colours::kButtonFace};
};

}  // namespace dx
