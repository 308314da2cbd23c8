#pragma once
#include <cstdint>

namespace dx {

// A colour as the node and the windows exchange it: blue * 65536 + green * 256 + red.
// Values with the top bit set name a system colour of the desktop (0x8000000F is the
// button face, 0x80000005 the window background), as the node's colour numbers never do.
using Colour = std::int32_t;

// Lets code write a colour the way people read it: rgb(0xC7FFB9) is light green.
constexpr Colour rgb(std::uint32_t rrggbb) {
    const std::uint32_t r = (rrggbb >> 16) & 0xFFu;
    const std::uint32_t g = (rrggbb >> 8) & 0xFFu;
    const std::uint32_t b = rrggbb & 0xFFu;
    return static_cast<Colour>(b * 65536u + g * 256u + r);
}

// The 0xRRGGBB form of a plain colour (system colours are not plain).
constexpr std::uint32_t toRrggbb(Colour c) {
    const auto v = static_cast<std::uint32_t>(c);
    return ((v & 0xFFu) << 16) | (v & 0xFF00u) | ((v >> 16) & 0xFFu);
}

constexpr bool isSystemColour(Colour c) {
    return c < 0;
}

namespace colours {
inline constexpr Colour kBlack = rgb(0x000000);
inline constexpr Colour kWhite = rgb(0xFFFFFF);
inline constexpr Colour kRed = rgb(0xFF0000);
inline constexpr Colour kGreen = rgb(0x00FF00);
inline constexpr Colour kBlue = rgb(0x0000FF);
inline constexpr Colour kYellow = rgb(0xFFFF00);
inline constexpr Colour kCyan = rgb(0x00FFFF);
inline constexpr Colour kMagenta = rgb(0xFF00FF);
inline constexpr Colour kLightGreen = rgb(0xC7FFB9);  // KEL client, older or unknown version
inline constexpr Colour kButtonFace = static_cast<Colour>(0x8000000F);
inline constexpr Colour kWindowBack = static_cast<Colour>(0x80000005);
inline constexpr Colour kWindowText = static_cast<Colour>(0x80000008);
}  // namespace colours

}  // namespace dx
