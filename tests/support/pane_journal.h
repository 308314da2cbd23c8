#pragma once
#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/colour.h"
#include "support/failure.h"
#include "views/pane.h"

// The fuzz targets leave the walks over whole texts uninstrumented: their comparisons are no news
// for the fuzzer and would only crowd its feedback and slow it down.
#if defined(__clang__)
#define DX_KIT_UNINSTRUMENTED __attribute__((no_sanitize("coverage"), noinline))
#else
#define DX_KIT_UNINSTRUMENTED
#endif

namespace dx::kit {

// How many characters the view shows for a text, counted here on its own: a CR LF pair, a lone CR
// and a lone LF are each one line break, every other byte one character.
DX_KIT_UNINSTRUMENTED inline std::size_t shownLength(std::string_view text) {
    const char* t = text.data();
    const std::size_t size = text.size();
    std::size_t n = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (t[i] == '\r' && i + 1 < size && t[i + 1] == '\n') ++i;
        ++n;
    }
    return n;
}

// Stretches of shown characters in one colour, in order; neighbours always differ in colour.
using Segments = std::vector<std::pair<std::size_t, Colour>>;

DX_KIT_UNINSTRUMENTED inline void addSegment(Segments& segs, std::size_t length, Colour c) {
    if (length == 0) return;
    if (!segs.empty() && segs.back().second == c)
        segs.back().first += length;
    else
        segs.emplace_back(length, c);
}

// The pane's colours as the view must show them, computed from the whole text: a shown character
// takes the colour of the run its first byte lies in.
DX_KIT_UNINSTRUMENTED inline Segments shownColours(const Pane& pane) {
    Segments segs;
    const char* t = pane.text().data();
    const std::size_t size = pane.size();
    auto run = pane.runs().begin();
    const auto runsEnd = pane.runs().end();
    std::size_t runEnd = run == runsEnd ? 0 : run->length;
    for (std::size_t i = 0; i < size; ++i) {
        while (run != runsEnd && i >= runEnd) {
            ++run;
            if (run != runsEnd) runEnd += run->length;
        }
        if (run == runsEnd) {
            fail("the pane's runs end before its text");
            return segs;
        }
        addSegment(segs, 1, run->colour);
        if (t[i] == '\r' && i + 1 < size && t[i + 1] == '\n') ++i;
    }
    return segs;
}

// A stand-in for the window's rich-text view: it knows only the pane's journal of edits, as the
// real one does, and shows each text as the real one does. Replayed, it must show exactly the
// pane's text (Pane::displayText of it) in the pane's colours (shownColours).
struct ReplayedView {
    std::u16string shown;
    Segments colours;

    // Replays the edits in order. An edit the view cannot make (an insert or a delete past what it
    // shows) is a failure, and ends the replay.
    DX_KIT_UNINSTRUMENTED void apply(const Pane& pane, const std::vector<Pane::Edit>& edits) {
        for (const Pane::Edit& e : edits) {
            switch (e.kind) {
                case Pane::Edit::Kind::Reset:
                    rebuild(pane);
                    break;
                case Pane::Edit::Kind::Append:
                    insert(shown.size(), e.text, e.colour);
                    break;
                case Pane::Edit::Kind::Insert:
                    if (e.displayPos > shown.size()) {
                        fail("the pane's journal inserts at " + std::to_string(e.displayPos) + ", past the " +
                             std::to_string(shown.size()) + " characters shown");
                        return;
                    }
                    insert(e.displayPos, e.text, e.colour);
                    break;
                case Pane::Edit::Kind::DeleteFront:
                    if (e.displayCount > shown.size()) {
                        fail("the pane's journal deletes " + std::to_string(e.displayCount) + " of the " +
                             std::to_string(shown.size()) + " characters shown");
                        return;
                    }
                    eraseFront(e.displayCount);
                    break;
            }
        }
    }

    DX_KIT_UNINSTRUMENTED void insert(std::size_t pos, std::string_view text, Colour c) {
        const std::u16string s = Pane::displayText(text);
        if (pos == shown.size()) {
            // An append, the usual edit: no segment to split (walking them all made an arrival
            // of thousands of appends to a many-coloured pane quadratic).
            shown += s;
            addSegment(colours, s.size(), c);
            return;
        }
        shown.insert(pos, s);
        // Split the segment that holds pos and put the new one between the halves.
        Segments out;
        out.reserve(colours.size() + 2);
        std::size_t at = 0;
        bool placed = false;
        for (const auto& [length, colour] : colours) {
            if (!placed && pos < at + length) {
                addSegment(out, pos - at, colour);
                addSegment(out, s.size(), c);
                addSegment(out, at + length - pos, colour);
                placed = true;
            } else {
                addSegment(out, length, colour);
            }
            at += length;
        }
        if (!placed) addSegment(out, s.size(), c);
        colours.swap(out);
    }

    DX_KIT_UNINSTRUMENTED void eraseFront(std::size_t n) {
        shown.erase(0, n);
        std::size_t i = 0;
        while (n > 0 && i < colours.size()) {
            const std::size_t take = std::min(n, colours[i].first);
            colours[i].first -= take;
            n -= take;
            if (colours[i].first == 0) ++i;
        }
        colours.erase(colours.begin(), colours.begin() + static_cast<std::ptrdiff_t>(i));
    }

    DX_KIT_UNINSTRUMENTED void rebuild(const Pane& pane) {
        shown.clear();
        colours.clear();
        std::size_t at = 0;
        for (const Pane::Run& run : pane.runs()) {
            const std::u16string s = Pane::displayText(std::string_view(pane.text()).substr(at, run.length));
            shown += s;
            addSegment(colours, s.size(), run.colour);
            at += run.length;
        }
    }
};

}  // namespace dx::kit
