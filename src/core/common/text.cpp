#include "common/text.h"

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

}  // namespace dx
