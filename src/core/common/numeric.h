#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace dx {

// The numeric value of the longest numeric prefix of a text: blanks (space, tab) before it are
// skipped, an optional sign and one decimal point are allowed; a text without one reads as 0.
double leadingNumber(std::string_view text);

// Rounds to the nearest whole number, a half going to the even neighbour.
double roundHalfEven(double x);

// Rounds to `decimals` places, a half going to the even neighbour (decimal halves as written:
// 1.9305 to 3 places gives 1.93).
double roundHalfEvenTo(double x, int decimals);

// The leading number, rounded half to even, as a 32-bit whole number; a value that does not fit
// is a fault.
std::int32_t leadingWhole32(std::string_view text);

// The whole text as a decimal integer (blanks around it allowed, an optional sign, digits only)
// that fits 16 or 32 bits; anything else is a fault.
std::int16_t strictInt16(std::string_view text);
std::int32_t strictInt32(std::string_view text);

// The whole text as a number (blanks around it allowed, an optional sign, digits with at most one
// decimal point); anything else is a fault.
double strictNumber(std::string_view text);
// The same, rounded half to even to a 32-bit whole number.
std::int32_t wholeNumber32(std::string_view text);

// A double rounded half to even into 32 bits; a fault when it does not fit.
std::int32_t toInt32(double x);
std::int16_t toInt16(double x);

// Shortest plain decimal text (no exponent) that reads back as the same single-precision value
// ("1.57", "2", "-0.5", "100000"); a negative zero is "0".
std::string floatText(float value);
// Shortest plain decimal text of a double ("1.93", "99").
std::string doubleText(double value);

}  // namespace dx
