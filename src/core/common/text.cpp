#include "common/text.h"

#include <algorithm>
#include <cstdio>

namespace dx {

std::vector<std::string> split(std::string_view text, char separator, std::size_t most) {
    std::vector<std::string> fields;
    if (text.empty()) return fields;
    std::size_t start = 0;
    while (fields.size() < most) {
        const std::size_t at = text.find(separator, start);
        if (at == std::string_view::npos) {
            fields.emplace_back(text.substr(start));
            return fields;
        }
        fields.emplace_back(text.substr(start, at - start));
        start = at + 1;
    }
    return fields;
}

std::string durationText(std::chrono::seconds length) {
    const long long s = std::max<long long>(length.count(), 0);
    char text[48];
    if (s < 60)
        std::snprintf(text, sizeof text, "%lld s", s);
    else if (s < 3600)
        std::snprintf(text, sizeof text, "%lld min", s / 60);
    else if (s < 86400 && s / 60 % 60)
        std::snprintf(text, sizeof text, "%lld h %lld min", s / 3600, s / 60 % 60);
    else if (s < 86400)
        std::snprintf(text, sizeof text, "%lld h", s / 3600);
    else if (s / 3600 % 24)
        std::snprintf(text, sizeof text, "%lld d %lld h", s / 86400, s / 3600 % 24);
    else
        std::snprintf(text, sizeof text, "%lld d", s / 86400);
    return text;
}

}  // namespace dx
