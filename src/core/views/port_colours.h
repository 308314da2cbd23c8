#pragma once
#include "common/colour.h"
#include "views/verdict.h"

namespace dx {

// How a socket's port cell shows the socket's verdict (the cell's background) and whether it is
// still watched (red text) or settled (black text). The monitor window's port box shows the row
// it follows the same way.
struct PortBoxColours {
    Colour back;
    Colour fore;
    bool operator==(const PortBoxColours&) const = default;
};

constexpr PortBoxColours portColours(Verdict v, Watch w) {
    Colour back = colours::kWhite;
    switch (v) {
        case Verdict::Unclassified:
            back = colours::kWhite;
            break;
        case Verdict::KelLatest:
            back = colours::kGreen;
            break;
        case Verdict::KelOlder:
            back = colours::kLightGreen;
            break;
        case Verdict::Node:
            back = colours::kCyan;
            break;
        case Verdict::PlainUser:
            back = colours::kYellow;
            break;
        case Verdict::NoCall:
            back = colours::kRed;
            break;
        case Verdict::Script:
            back = colours::kMagenta;
            break;
    }
    return {back, w == Watch::Settled ? colours::kBlack : colours::kRed};
}

}  // namespace dx
