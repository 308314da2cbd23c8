#pragma once
#include <string_view>

#include "common/colour.h"

// The node marks the sockets in its records ("^ZQ60", "^ZQ66") with colours, and a locked-out
// socket with a call of its own. The grid shows every colour as received; what a mark means to the
// program is named here, once, and read only through these names.
namespace dx::node {

// Address: yellow from the socket's connection until its user has logged in.
inline constexpr Colour kNotLoggedIn = colours::kYellow;
// Address or call: white, no mark. A call cell is white until the node first colours it.
inline constexpr Colour kUnmarked = colours::kWhite;
// Call: probe pink (14146559), a probe of the node's port that never logs in.
inline constexpr Colour kProbe = rgb(0xFFDBD7);
// Call: the call the node gives a socket it has locked out.
inline constexpr std::string_view kLockedOut = "LockedOut";

constexpr bool awaitsLogin(Colour address) {
    return address == kNotLoggedIn;
}

constexpr bool isUnmarked(Colour c) {
    return c == kUnmarked;
}

// Call: the colours of a connected socket, one for each kind of access the node gives; only a
// socket marked so is a user for the header's counters.
constexpr bool marksConnectedUser(Colour call) {
    return call == rgb(0x00FF00) || call == rgb(0xCFCFFF) || call == rgb(0x00FFFF) || call == rgb(0xFFCFFF) ||
           call == rgb(0xFF00FF);
}

// A call cell that turns probe pink from white: one more probe. (The same probe's later records
// find the cell pink already, and count nothing.)
constexpr bool probeArrives(Colour callBefore, Colour callNow) {
    return isUnmarked(callBefore) && callNow == kProbe;
}

constexpr bool isLockedOut(std::string_view call) {
    return call == kLockedOut;
}

}  // namespace dx::node
