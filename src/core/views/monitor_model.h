#pragma once
#include <array>
#include <string>

#include "common/view.h"
#include "views/pane.h"
#include "views/shown_socket.h"

namespace dx {

// The monitor window as the program sees it: its elements at their design places and
// the traffic pane's coloured text.
struct MonitorModel {
    // The design client area is 12255 x 6960; the outer size adds the frame.
    static constexpr Twips kFrameWidth = 140;
    static constexpr Twips kFrameHeight = 455;

    WindowModel window{"Monitor", Rect{0, 0, 12255 + kFrameWidth, 6960 + kFrameHeight}, kFrameWidth,
                       kFrameHeight};

    Element connectButton{{120, 60, 855, 255}, "Connect", colours::kButtonFace};
    Element clearButton{{1080, 60, 735, 255}, "Clear", colours::kButtonFace};
    Element autoButton{{1920, 60, 735, 255}, "Auto", colours::kButtonFace};
    Element socketLabel{{2880, 90, 495, 255}, "Socket", colours::kButtonFace};
    // The shown socket's address, port and call.
    Element shownAddress{{4020, 40, 1505, 285}, "IP", colours::kWindowBack};
    Element shownPort{{5580, 40, 615, 285}, "Port", colours::kWindowBack};
    Element shownCall{{6240, 40, 1455, 285}, "Call", colours::kWindowBack};
    Element showUnknown{{7800, 60, 1095, 255}, "Unknown", colours::kButtonFace};
    Element showIn{{8880, 60, 495, 255}, "In", colours::kButtonFace};
    Element showOut{{9360, 60, 615, 255}, "Out", colours::kButtonFace};
    Element resetScreensButton{{10080, 60, 1215, 255}, "Reset Screens", colours::kButtonFace};
    // The pane's place; its content is `pane`.
    Element paneBox{{120, 360, 12015, 6495}, "", colours::kWindowBack};
    Pane pane{"Press Connect To Begin"};

    MonitorModel() {
        showUnknown.setChecked(true);
        showIn.setChecked(true);
        showOut.setChecked(true);
    }

    // The "Socket" box: the shown socket's number and the operator's command line in one. Its text
    // changes only through showSocket and setCommandLine, so the box and the shown socket are
    // always the same.
    const Element& commandLine() const { return commandLine_; }
    const ShownSocket& shownSocket() const { return shownSocket_; }
    // A socket record shows its socket.
    void showSocket(std::string socketText) { setCommandLine(std::move(socketText)); }
    // What the operator typed in the box, or the empty box once a line is sent.
    void setCommandLine(std::string text) {
        commandLine_.setText(text);
        shownSocket_.set(std::move(text));
    }

    // Auto mode: the node chooses the shown socket, and a socket that logs in is shown at once;
    // off (Manual) once the operator has picked a socket by its call. The auto button's caption
    // says which.
    bool autoMode() const { return autoMode_; }
    void setAutoMode(bool on) { autoMode_ = on; }

  private:
    Element commandLine_{{3480, 40, 495, 285}, "1", colours::kWindowBack};
    ShownSocket shownSocket_{commandLine_.text()};
    bool autoMode_ = false;
};

}  // namespace dx
