#pragma once
#include <array>

#include "common/view.h"
#include "views/pane.h"

namespace dx {

// The monitor window `frmMonitor` as the program sees it: its elements at their design places and
// the traffic pane's coloured text.
struct MonitorWindow {
    // The design client area is 12255 x 6960; the outer size adds the frame.
    static constexpr Twips kFrameWidth = 140;
    static constexpr Twips kFrameHeight = 455;

    WindowModel window{"Monitor", Rect{0, 0, 12255 + kFrameWidth, 6960 + kFrameHeight}, kFrameWidth,
                       kFrameHeight};

    Element cmdConn{{120, 60, 855, 255}, "Connect", colours::kButtonFace};
    Element Command1{{1080, 60, 735, 255}, "Clear", colours::kButtonFace};
    Element Command2{{1920, 60, 735, 255}, "Auto", colours::kButtonFace};
    Element Label1{{2880, 90, 495, 255}, "Socket", colours::kButtonFace};
    Element Text1{{3480, 40, 495, 285}, "1", colours::kWindowBack};
    std::array<Element, 3> txtRemote{Element{{4020, 40, 1505, 285}, "IP", colours::kWindowBack},
                                     Element{{5580, 40, 615, 285}, "Port", colours::kWindowBack},
                                     Element{{6240, 40, 1455, 285}, "Call", colours::kWindowBack}};
    Element chkUnknown{{7800, 60, 1095, 255}, "Unknown", colours::kButtonFace};
    Element chkIn{{8880, 60, 495, 255}, "In", colours::kButtonFace};
    Element chkOut{{9360, 60, 615, 255}, "Out", colours::kButtonFace};
    Element Command3{{10080, 60, 1215, 255}, "Reset Screens", colours::kButtonFace};
    // The pane's place; its content is `pane`.
    Element RichTextBox1{{120, 360, 12015, 6495}, "", colours::kWindowBack};
    Pane pane{"Press Connect To Begin"};

    MonitorWindow() {
        chkUnknown.setChecked(true);
        chkIn.setChecked(true);
        chkOut.setChecked(true);
    }
};

}  // namespace dx
