#pragma once
#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace dx {

// Splits at every separator, keeping empty fields; an empty text gives no fields at all. At most
// `most` fields are made (the rest of the text is dropped), so a sentence of a million separators
// costs no more than one of a few fields.
std::vector<std::string> split(std::string_view text, char separator, std::size_t most = 64);

inline bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The text without its first n characters (empty when it is shorter).
inline std::string dropHead(std::string_view text, std::size_t n = 6) {
    return std::string(text.size() > n ? text.substr(n) : std::string_view{});
}

// How long something lasted, as the operator reads it: "45 s", "14 min", "2 h 14 min", "2 h",
// "3 d 4 h".
std::string durationText(std::chrono::seconds length);

}  // namespace dx
