#pragma once
#include <string>
#include <vector>

#include "common/view.h"
#include "views/port_colours.h"
#include "views/user_kind.h"
#include "views/verdict.h"
#include "wire/node_colours.h"

namespace dx {

// One socket's row of the connections grid: address, port and call cells, and what the program
// has concluded about the socket. The port cell's colours show the verdict and the watch; only
// setVerdict and setWatch change them, so the two never disagree.
//
// A socket's state is read here as values: whether it has logged in, how the header counts it,
// its verdict, watch and version; its address, port and call are its cells' texts.
struct GridRow {
    Element address;
    Element port;
    Element call;

    Verdict verdict() const { return verdict_; }
    Watch watch() const { return watch_; }
    // False while the node marks the socket's address as not logged in yet.
    bool loggedIn() const { return !node::awaitsLogin(address.back()); }
    // How the header counts the socket once its count reaches the row: by the node's mark on the
    // call and the verdict.
    UserKind userKind() const;
    // The KEL version last read for the socket, as decimal text (empty while none is known). The
    // port cell's tool tip shows it.
    const std::string& version() const { return port.tip(); }
    void setVersion(std::string v) { port.setTip(std::move(v)); }
    void setVerdict(Verdict v) {
        verdict_ = v;
        showOnPort();
    }
    void setWatch(Watch w) {
        watch_ = w;
        showOnPort();
    }

  private:
    void showOnPort() {
        const PortBoxColours c = portColours(verdict_, watch_);
        port.setBack(c.back);
        port.setFore(c.fore);
    }

    Verdict verdict_ = Verdict::Unclassified;
    Watch watch_ = Watch::Watched;
};

inline UserKind GridRow::userKind() const {
    if (!node::marksConnectedUser(call.back())) return UserKind::None;
    switch (verdict_) {
        case Verdict::NoCall:
            return UserKind::NoCall;
        case Verdict::Node:
            return UserKind::Node;
        case Verdict::KelLatest:
            return UserKind::KelLatest;
        case Verdict::PlainUser:
            return UserKind::NonKel;
        case Verdict::KelOlder:
            // Still watched, the client has not told its version yet.
            return watch_ == Watch::Watched ? UserKind::KelUnknown : UserKind::KelOther;
        case Verdict::Unclassified:
        case Verdict::Script:
            break;
    }
    return UserKind::Unclassified;
}

// The connections window as the program sees it: the header strip, the port strip
// and the grid rows. Row 0 of the grid and box 0 of the port strip are the invisible templates
// that new rows and boxes copy.
struct ConnectionsModel {
    // The design client area is 12195 x 6525; the outer size adds the frame and the menu bar.
    static constexpr Twips kFrameWidth = 140;
    static constexpr Twips kFrameHeight = 455;
    static constexpr Twips kMenuHeight = 300;
    static constexpr Twips kRowPitch = 300;      // rows follow every 300 twips down a column
    static constexpr Twips kColumnPitch = 3850;  // a row's width with the gap to the next column
    static constexpr Twips kFirstRowTop = 360;
    static constexpr Twips kPortBoxPitch = 250;

    WindowModel window{"Connections", Rect{0, 0, 12195 + kFrameWidth, 6525 + kMenuHeight + kFrameHeight},
                       kFrameWidth, kFrameHeight};

    Element usersLabel{{120, 60, 495, 255}, "Users", colours::kButtonFace};
    Element usersCount{{600, 60, 495, 195}, " 0000", colours::kButtonFace};
    Element sessionHighWaterLabel{
        {1440, 60, 375, 255}, "Max", colours::kButtonFace, "Requires Velsock.exe version 1.93 or higher"};
    Element sessionHighWater{{1920, 60, 495, 195}, "0", colours::kButtonFace};
    Element allTimeHighWaterLabel{{2520, 60, 645, 255}, "Highest", colours::kButtonFace};
    Element allTimeHighWater{{3240, 60, 375, 255}, "000", colours::kButtonFace};
    Element linkTime{{3960, 0, 735, 285}, "Time", colours::kWindowBack};
    Element kelCount{{4680, 0, 495, 285}, "Yes", colours::kKelCount, "Connected sockets using KEL"};
    Element plainUserCount{
        {5160, 0, 495, 285}, "No", colours::kPlainUserCount, "Connected sockets NOT using KEL"};
    Element nodeCount{{5640, 0, 375, 285}, "Node", colours::kNodeCount, "Connected sockets -Node"};
    Element noCallCount{
        {6000, 0, 375, 285}, "Unk", colours::kNoCallCount, "Connected sockets using Unknown telnet program"};
    Element unclassifiedCount{{6354, 0, 495, 285},
                              "Unk",
                              colours::kUnclassifiedCount,
                              "Connected sockets using Unknown telnet program"};
    Element rescanButton{{8400, 30, 705, 255}, "Rescan", colours::kButtonFace};
    Element latestVersion{{9120, 0, 735, 285}, "Version", colours::kWindowBack, "KEL latest Version"};
    Element watchOlderVersions{{9960, 30, 1335, 255}, "KEL Version", colours::kButtonFace};
    Element nodeStartTime{{11280, 60, 2445, 255}, "Start", colours::kButtonFace, {}, false};
    Element resetGreenButton{{13920, 30, 1185, 255}, "Reset Green", colours::kButtonFace};
    Element probeCount{{14280, 0, 765, 285}, "Probes", colours::kWindowBack, {}, false};
    // The scroll buttons: element 1 scrolls left, element 0 right.
    Element scrollLeftButton{{15240, 30, 240, 225}, "3", colours::kButtonFace, "Scroll Left"};
    Element scrollRightButton{{15480, 30, 240, 225}, "4", colours::kButtonFace, "Scroll Right"};
    Element trailingHighestLabel{{15840, 30, 885, 255}, "Highest", colours::kButtonFace};

    // The port strip `portStrip`; element 0 is the template.
    std::vector<Element> portStrip{Element{{6600, 0, 255, 285}, "0", rgb(0x00FF00), {}, false}};

    // The grid: rows[i] is socket i's row while rowExists[i]; rows[0] is the template.
    std::vector<GridRow> rows;
    std::vector<bool> rowExists;

    ConnectionsModel() {
        GridRow t;
        t.address = Element{{120, 0, 1500, 285}, "IP Address", colours::kButtonFace, {}, false};
        t.port = Element{{1680, 0, 615, 285}, " Port", colours::kWhite, {}, false};
        t.setWatch(Watch::Watched);  // white with red text: unclassified and watched
        // The call cell starts without the node's mark: its first colour may be a probe's.
        t.call = Element{{2360, 0, 1455, 285}, "Call", node::kUnmarked, {}, false};
        t.call.setFore(colours::kBlack);
        rows.push_back(std::move(t));
        rowExists.push_back(true);
    }
};

}  // namespace dx
