#pragma once
#include <cstdint>

#include "common/colour.h"

namespace dx {

// How the connections window's header counts a socket: not at all, or as one kind of user, each
// kind with its counter. A KEL client whose version is not known yet counts among the older
// versions as well; a socket without a call is counted apart from the users.
enum class UserKind : std::int8_t {
    None = -1,     // not a user: the node does not mark its call as a connected socket's
    NoCall,        // "nocall", or locked out by the node
    Node,          // another node
    KelLatest,     // a KEL client of the latest version known
    NonKel,        // a user without a KEL client
    KelOther,      // a KEL client of an older version
    KelUnknown,    // a KEL client still watched: its version is not known yet
    Unclassified,  // a user whose far end is not recognised (yet)
};

// The header's counters as numbers: how many connected sockets count as each kind. `kelOther`
// counts the KEL clients whose version is not known yet too (`kelUnknown` of them).
struct HeaderCounts {
    std::int32_t noCall = 0, node = 0, kelLatest = 0, nonKel = 0, kelOther = 0, kelUnknown = 0,
                 unclassified = 0;
    bool operator==(const HeaderCounts&) const = default;
    // "Users": every connected socket but the "nocall" ones.
    std::int32_t users() const { return nonKel + unclassified + kelLatest + kelOther + node; }
    // "Yes": the KEL clients, of any version.
    std::int32_t kel() const { return kelLatest + kelOther; }
};

namespace colours {
// The header's counters, each in the colour of the kind of user it counts.
inline constexpr Colour kKelCount = rgb(0x80FF80);         // "Yes": KEL clients
inline constexpr Colour kPlainUserCount = rgb(0xFFFF00);   // "No": users without KEL
inline constexpr Colour kNodeCount = rgb(0x80FFFF);        // "Node"
inline constexpr Colour kNoCallCount = kRed;               // "Unk" in red: "nocall" sockets
inline constexpr Colour kUnclassifiedCount = kWindowBack;  // "Unk": not classified
}  // namespace colours

// How the History window's plot draws each kind of user: in the colour of the header's counter
// that counts it. The KEL clients, which share the "Yes" counter, are told apart as their port
// cells show them: green for the latest version, light green for an older one, and the
// counter's own green while the version is not known. The unclassified, whose counter has the
// window's white, are light grey on the plot's white.
constexpr Colour plottedKindColour(UserKind kind) {
    switch (kind) {
        case UserKind::KelLatest:
            return colours::kGreen;
        case UserKind::KelOther:
            return colours::kLightGreen;
        case UserKind::KelUnknown:
            return colours::kKelCount;
        case UserKind::NonKel:
            return colours::kPlainUserCount;
        case UserKind::Node:
            return colours::kNodeCount;
        case UserKind::NoCall:
            return colours::kNoCallCount;
        case UserKind::Unclassified:
        case UserKind::None:
            break;
    }
    return rgb(0xD8D8D8);
}

}  // namespace dx
