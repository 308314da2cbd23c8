#pragma once
#include <array>

#include "common/view.h"

namespace dx {

// The settings window `frmSettings`: the node's address and port, Apply, Exit and Reset Screens.
// Element arrays keep the program's indexes (txtSettings(2) is the address box).
struct SettingsWindow {
    // The design client area is 4095 x 1710; the outer size adds the frame.
    static constexpr Twips kFrameWidth = 140;
    static constexpr Twips kFrameHeight = 455;

    WindowModel window{"Settings", Rect{0, 0, 4095 + kFrameWidth, 1710 + kFrameHeight}, kFrameWidth,
                       kFrameHeight};

    std::array<Element, 4> lblSettings{
        Element{}, Element{{3480, 1320, 1080, 255}, "Label1", colours::kButtonFace, {}, false},
        Element{{600, 240, 1080, 255}, "IP Address", colours::kButtonFace},
        Element{{2520, 240, 1080, 255}, "Port", colours::kButtonFace}};
    std::array<Element, 4> txtSettings{
        Element{}, Element{{2280, 1440, 1215, 285}, "Timer Number", colours::kWindowBack, {}, false},
        Element{{480, 600, 1215, 285}, "IP Address", colours::kWindowBack},
        Element{{2400, 600, 1215, 285}, "Port", colours::kWindowBack}};
    std::array<Element, 2> cmdButton{Element{{480, 1080, 855, 375}, "Exit", colours::kButtonFace},
                                     Element{{2760, 1080, 855, 375}, "Apply", colours::kButtonFace}};
    Element Command1{{1440, 1080, 1215, 375}, "Reset Screens", colours::kButtonFace};
};

}  // namespace dx
