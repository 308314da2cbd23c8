#include "common/numeric.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "common/fault.h"

namespace dx {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trimBlanks(std::string_view t) {
    while (!t.empty() && isBlank(t.front())) t.remove_prefix(1);
    while (!t.empty() && isBlank(t.back())) t.remove_suffix(1);
    return t;
}

// Length of the numeric prefix of t (sign, digits, one point); 0 when there is no digit in it.
std::size_t numericPrefix(std::string_view t) {
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    bool digits = false;
    bool point = false;
    for (; i < t.size(); ++i) {
        if (isDigit(t[i])) {
            digits = true;
        } else if (t[i] == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    return digits ? i : 0;
}

double parseDecimal(std::string_view t) {
    // std::from_chars rejects a leading '+', and a lone trailing point is fine for it.
    if (!t.empty() && t.front() == '+') t.remove_prefix(1);
    double v = 0;
    const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
    if (r.ec != std::errc()) {
        // Digits too many for a double still read as the nearest value.
        return std::strtod(std::string(t).c_str(), nullptr);
    }
    return v;
}

}  // namespace

double leadingNumber(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    const std::size_t n = numericPrefix(text);
    return n == 0 ? 0.0 : parseDecimal(text.substr(0, n));
}

double roundHalfEven(double x) {
    if (!std::isfinite(x)) return x;
    return std::nearbyint(x);  // the default rounding mode rounds halves to even
}

double roundHalfEvenTo(double x, int decimals) {
    if (!std::isfinite(x)) return x;
    const double scale = std::pow(10.0, decimals);
    const double scaled = x * scale;
    const double floor = std::floor(scaled);
    // A value written as a decimal half (1.9305) is not exactly a half in binary; anything this
    // close to the half counts as one, so it goes to the even neighbour.
    if (std::fabs(scaled - floor - 0.5) < 1e-7) {
        const bool floorEven = std::fmod(floor, 2.0) == 0.0;
        return (floorEven ? floor : floor + 1.0) / scale + 0.0;
    }
    // Adding 0.0 turns a negative zero into zero, so it is never written as "-0".
    return std::nearbyint(scaled) / scale + 0.0;
}

std::int32_t toInt32(double x) {
    const double r = roundHalfEven(x);
    if (!(r >= std::numeric_limits<std::int32_t>::min() && r <= std::numeric_limits<std::int32_t>::max()))
        throw Fault("overflow");
    return static_cast<std::int32_t>(r);
}

std::int16_t toInt16(double x) {
    const double r = roundHalfEven(x);
    if (!(r >= std::numeric_limits<std::int16_t>::min() && r <= std::numeric_limits<std::int16_t>::max()))
        throw Fault("overflow");
    return static_cast<std::int16_t>(r);
}

std::int32_t leadingWhole32(std::string_view text) {
    return toInt32(leadingNumber(text));
}

namespace {
template <typename Int>
Int strictInt(std::string_view text) {
    text = trimBlanks(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) throw Fault("not a number");
    std::size_t i = text.front() == '-' ? 1 : 0;
    if (i == text.size()) throw Fault("not a number");
    for (std::size_t k = i; k < text.size(); ++k)
        if (!isDigit(text[k])) throw Fault("not a number");
    Int v{};
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size()) throw Fault("overflow");
    return v;
}
}  // namespace

std::int16_t strictInt16(std::string_view text) {
    return strictInt<std::int16_t>(text);
}
std::int32_t strictInt32(std::string_view text) {
    return strictInt<std::int32_t>(text);
}

double strictNumber(std::string_view text) {
    text = trimBlanks(text);
    const std::size_t n = numericPrefix(text);
    if (n == 0 || n != text.size()) throw Fault("not a number");
    return parseDecimal(text);
}

std::int32_t wholeNumber32(std::string_view text) {
    return toInt32(strictNumber(text));
}

// Plain decimals, never an exponent: the texts are read back by the leading-number rule, which
// would take "1e+05" for 1.
std::string floatText(float value) {
    char buf[400];
    // Adding zero turns a negative zero into zero: no box says "-0".
    const auto r = std::to_chars(buf, buf + sizeof buf, value + 0.0f, std::chars_format::fixed);
    return std::string(buf, r.ptr);
}

std::string doubleText(double value) {
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, value + 0.0, std::chars_format::fixed);
    return std::string(buf, r.ptr);
}

}  // namespace dx
