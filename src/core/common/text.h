#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace dx {

// Splits at every separator, keeping empty fields; an empty text gives no fields at all.
std::vector<std::string> Split(std::string_view text, char separator);

inline bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The text without its first n characters (empty when it is shorter).
inline std::string DropHead(std::string_view text, std::size_t n = 6) {
    return std::string(text.size() > n ? text.substr(n) : std::string_view{});
}

}  // namespace dx
