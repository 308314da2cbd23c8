#pragma once
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/core.h"
#include "common/colour.h"
#include "fake_platform.h"
#include "views/pane.h"

namespace dx::test {

inline constexpr char kEot = '\x04';
inline const std::string kEotStr(1, kEot);

// A sentence that takes the batch's EOT, so the sentences before it are shown without it. It
// changes nothing but the start-time label.
inline const std::string kFlush = "^ZQ92^(end)";

// What the output stage writes for one text line: a line break, then the line indented by 12
// blanks (or, for a line opening with "[", not indented).
inline std::string Line(std::string_view text) {
    return "\r\n            " + std::string(text);
}
inline std::string BracketLine(std::string_view text) {
    return "\r\n" + std::string(text);
}

// Sends sentences as one batch of the node, each shown without the batch's EOT.
inline void Deliver(Rig& r, const std::string& sentences) {
    r.batch(sentences + kFlush);
}

// One stretch of pane text in one colour.
struct Segment {
    std::string text;
    Colour colour;
    bool operator==(const Segment&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Segment& s) {
    os << "{\"";
    for (const char c : s.text) {
        if (c == '\r')
            os << "\\r";
        else if (c == '\n')
            os << "\\n";
        else if (static_cast<unsigned char>(c) < 0x20)
            os << "\\x" << std::hex << int(c) << std::dec;
        else
            os << c;
    }
    return os << "\", 0x" << std::hex << toRrggbb(s.colour) << std::dec << "}";
}

// The pane's text from `from` on, cut where its colour changes.
inline std::vector<Segment> SegmentsFrom(const Pane& pane, std::size_t from) {
    std::vector<Segment> out;
    std::size_t at = 0;
    for (const Pane::Run& run : pane.runs()) {
        const std::size_t end = at + run.length;
        if (end > from) {
            const std::size_t start = at > from ? at : from;
            std::string piece = pane.text().substr(start, end - start);
            if (!out.empty() && out.back().colour == run.colour)
                out.back().text += piece;
            else
                out.push_back(Segment{std::move(piece), run.colour});
        }
        at = end;
    }
    return out;
}

// A core started up on a fake platform whose configuration file holds `file` (none when empty).
struct Started : kit::StartedCore<> {
    explicit Started(std::optional<std::string> file = std::nullopt) : StartedCore(std::move(file)) {}
};

}  // namespace dx::test
