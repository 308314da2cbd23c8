#include "views/text_search.h"

#include <algorithm>

namespace dx {

const std::array<unsigned char, 256> LiteralSearch::kFold = [] {
    std::array<unsigned char, 256> fold{};
    for (std::size_t c = 0; c < fold.size(); ++c) fold[c] = static_cast<unsigned char>(c);
    for (std::size_t c = 'A'; c <= 'Z'; ++c) fold[c] = static_cast<unsigned char>(c + 0x20);
    // À to Þ, all but the multiplication sign, are the capitals of à to þ. ß, µ and ÿ have no
    // capital in Latin-1.
    for (std::size_t c = 0xC0; c <= 0xDE; ++c)
        if (c != 0xD7) fold[c] = static_cast<unsigned char>(c + 0x20);
    return fold;
}();

LiteralSearch::LiteralSearch(std::string_view text, bool matchCase) : needle_(text), matchCase_(matchCase) {
    if (!matchCase_)
        for (char& c : needle_) c = static_cast<char>(folded(static_cast<unsigned char>(c)));
}

void LiteralSearch::findAll(std::string_view text, std::size_t from, std::vector<Span>& out) const {
    if (needle_.empty() || from >= text.size()) return;
    std::string foldedText;
    std::string_view hay = text;
    std::size_t base = 0;
    if (!matchCase_) {
        // One folded copy of the part searched, then the library's fast find on it.
        foldedText.resize(text.size() - from);
        std::transform(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(), foldedText.begin(),
                       [](char c) { return static_cast<char>(folded(static_cast<unsigned char>(c))); });
        hay = foldedText;
        base = from;
        from = 0;
    }
    for (std::size_t at = hay.find(needle_, from); at != std::string_view::npos;
         at = hay.find(needle_, at + needle_.size()))
        out.push_back(Span{base + at, base + at + needle_.size()});
}

}  // namespace dx
