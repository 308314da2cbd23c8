// What the fuzz targets share besides the test kit: a reader for the input bytes, a started core
// that keeps no sends, the pane's view replayed from its journal, and the checks of the core's own
// invariants. A broken invariant prints what broke and traps, which the fuzzer reports as a crash.
#pragma once
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/core.h"
#include "common/colour.h"
#include "common/platform.h"
#include "support/failure.h"
#include "support/fake_platform.h"
#include "support/pane_journal.h"
#include "support/started_core.h"
#include "views/pane.h"

#define DX_FUZZ_CHECK(cond)                                                                                \
    do {                                                                                                   \
        if (!(cond)) {                                                                                     \
            std::fprintf(stderr, "\n*** invariant broken: %s\n    at %s:%d\n", #cond, __FILE__, __LINE__); \
            std::fflush(stderr);                                                                           \
            __builtin_trap();                                                                              \
        }                                                                                                  \
    } while (0)

// The checks walk whole texts and grids; their comparisons are no news for the fuzzer and would
// only crowd its feedback and slow it down, so the walking helpers are left uninstrumented.
#define DX_FUZZ_QUIET __attribute__((no_sanitize("coverage"), noinline))

namespace dx::fuzz {

// Whatever the test kit finds that the program must never do (a programming error the event guard
// reported, a pane journal that does not replay) is a finding: it is printed and the run stops, as
// on a crash. Each target is one source file that includes this header; the hook is set before
// that file's first input.
[[noreturn]] inline void stopOnFailure(const std::string& what) {
    std::fprintf(stderr, "%s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}
[[maybe_unused]] static const bool kStopsOnFailure = (kit::failureHook = &stopOnFailure, true);

// A core on the kit's fake platform, started up with the given configuration file (none by default)
// and, when asked, connected to a node that has been sent "B". Sends are not kept: an input may
// make a great many, and nothing reads them.
struct Session : kit::StartedCore<> {
    explicit Session(std::optional<std::string> config = std::nullopt, bool connect = true)
        : StartedCore(std::move(config), connect ? kit::Link::Up : kit::Link::Down) {
        platform.keepSends = false;
    }
};

// Takes the input bytes front to back; past the end every read gives nothing.
class Reader {
  public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return at_ >= size_; }
    std::size_t left() const { return size_ - at_; }
    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::string_view take(std::size_t n) {
        if (n > left()) n = left();
        const std::string_view out(reinterpret_cast<const char*>(data_ + at_), n);
        at_ += n;
        return out;
    }
    std::string_view rest() { return take(left()); }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// What the harness has seen happen to the core, for the invariants that depend on it.
struct Track {
    // Rows leave the grid only on a (re)connect: until then the highest row only grows.
    bool rowsRemoved = false;
    // The highest lastGridRow seen after any step (a count covers at most that many rows).
    std::int32_t maxLastGridRow = 0;
};

// The pane's journal replayed onto a stand-in for the window's view.
struct ViewReplay : kit::ReplayedView {
    // Replays what the pane journaled since the last sync and compares.
    DX_FUZZ_QUIET void Sync(Pane& pane) {
        const std::vector<Pane::Edit> edits = pane.takeEdits();
        // A journal left untaken collapses into one Reset before it grows past 20000 edits.
        DX_FUZZ_CHECK(edits.size() <= 20001);
        apply(pane, edits);
        DX_FUZZ_CHECK(shown == Pane::displayText(pane.text()));
        DX_FUZZ_CHECK(colours == kit::shownColours(pane));
    }
};

// The pane: runs cover the text exactly, the caret is inside it, the count of shown characters
// is that of the whole text.
DX_FUZZ_QUIET inline void CheckPane(const Pane& pane) {
    std::size_t total = 0;
    for (const Pane::Run& run : pane.runs()) {
        DX_FUZZ_CHECK(run.length > 0);
        total += run.length;
    }
    DX_FUZZ_CHECK(total == pane.size());
    DX_FUZZ_CHECK(pane.caret() <= pane.size());
    DX_FUZZ_CHECK(pane.displaySize() == kit::shownLength(pane.text()));
}

// Plain decimal text: an optional sign, digits and at most one point, with at least one digit.
// The configuration reader and the version comparisons read such a text whole, and nothing else.
inline bool PlainDecimal(std::string_view t) {
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
    bool digit = false;
    bool point = false;
    for (; i < t.size(); ++i) {
        if (t[i] >= '0' && t[i] <= '9')
            digit = true;
        else if (t[i] == '.' && !point)
            point = true;
        else
            return false;
    }
    return digit;
}

// The grid's rows: row 0 is the template and always there, the highest row always exists, an
// existing row i says "  i  " in its call cell's tip, a row that does not exist is blank.
// `full` walks every row; otherwise only the ends are looked at.
DX_FUZZ_QUIET inline void CheckGrid(const Core& core, const Track& track, bool full) {
    const ConnectionsModel& c = core.connects;
    DX_FUZZ_CHECK(!c.rows.empty());
    DX_FUZZ_CHECK(c.rows.size() == c.rowExists.size());
    DX_FUZZ_CHECK(c.rowExists.front());
    DX_FUZZ_CHECK(c.rowExists.back());
    const std::int32_t highest = core.grid.highestIndex();
    DX_FUZZ_CHECK(highest >= 0 && highest <= 32767);
    DX_FUZZ_CHECK(highest == static_cast<std::int32_t>(c.rows.size()) - 1);

    const std::int16_t lastGridRow = core.trafficRows.lastGridRow;
    DX_FUZZ_CHECK(lastGridRow >= 0);
    DX_FUZZ_CHECK(core.table.lastCallRow >= 0 && core.table.lastCallRow <= 32767);
    if (!track.rowsRemoved) {
        DX_FUZZ_CHECK(lastGridRow <= highest);
        DX_FUZZ_CHECK(core.table.lastCallRow <= highest);
    }

    if (!full) return;
    for (std::size_t i = 1; i < c.rows.size(); ++i) {
        const GridRow& r = c.rows[i];
        if (c.rowExists[i]) {
            DX_FUZZ_CHECK(r.call.tip() == "  " + std::to_string(i) + "  ");
        } else {
            DX_FUZZ_CHECK(r.address.text().empty() && r.port.text().empty() && r.call.text().empty());
            DX_FUZZ_CHECK(r.call.tip().empty());
        }
    }
}

// Everything but the grid rows and the pane: the port strip, the counters, the receive buffer.
DX_FUZZ_QUIET inline void CheckState(const Core& core, const Track& track) {
    // The receive buffer never holds more than its cap.
    DX_FUZZ_CHECK(core.stream.receiveBuffer().size() <= SentenceStream::kBufferCap);

    // The call field of a traffic line is 9 to 12 characters wide.
    DX_FUZZ_CHECK(core.trafficRows.callFieldWidth >= 9 && core.trafficRows.callFieldWidth <= 12);

    // The port strip: box 0 is the template, boxes follow every 250 twips, no more than 1000
    // boxes, each text and tip kept short.
    const auto& boxes = core.connects.portStrip;
    DX_FUZZ_CHECK(!boxes.empty());
    DX_FUZZ_CHECK(boxes.size() <= static_cast<std::size_t>(StatusSentences::kMaxPortBox) + 1);
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        DX_FUZZ_CHECK(boxes[i].left() ==
                      boxes[0].left() + static_cast<Twips>(i) * ConnectionsModel::kPortBoxPitch);
        DX_FUZZ_CHECK(boxes[i].text().size() <= 1000);
        DX_FUZZ_CHECK(boxes[i].tip().size() <= 1006);
    }
    const StatusSentences& st = core.status;
    DX_FUZZ_CHECK(core.ports.portCount >= 0 && static_cast<std::size_t>(core.ports.portCount) < boxes.size());
    DX_FUZZ_CHECK(st.portBoxColours.size() >= 2);
    DX_FUZZ_CHECK(st.portBoxColours.size() <= static_cast<std::size_t>(StatusSentences::kMaxPortBox) + 1);
    DX_FUZZ_CHECK(core.ports.hiddenRowLimit >= 0 &&
                  core.ports.hiddenRowLimit <= StatusSentences::kMaxPortBox);

    // The counters: none below zero, the unknown KEL versions among the KEL versions, and no
    // more rows counted than the counting range holds.
    const Statistics::Counts& n = core.statistics.counts();
    DX_FUZZ_CHECK(n.noCall >= 0 && n.node >= 0 && n.kelLatest >= 0 && n.nonKel >= 0 && n.kelOther >= 0 &&
                  n.kelUnknown >= 0 && n.unclassified >= 0);
    DX_FUZZ_CHECK(n.kelUnknown <= n.kelOther);
    const std::int64_t counted =
        std::int64_t{n.noCall} + n.node + n.kelLatest + n.nonKel + n.kelOther + n.unclassified;
    DX_FUZZ_CHECK(counted <= track.maxLastGridRow);

    // The latest KEL version is kept as plain decimal text (or none), so that the comparisons,
    // which read its leading number, and the configuration file both see the whole value.
    const std::string& kel = core.config.kelLatestVersion;
    DX_FUZZ_CHECK(kel.empty() || PlainDecimal(kel));
}

inline void NoteStep(const Core& core, Track& track) {
    if (core.trafficRows.lastGridRow > track.maxLastGridRow)
        track.maxLastGridRow = core.trafficRows.lastGridRow;
}

// Lays the grid out and compares every row above the port strip with a pass over every row
// done here: rows follow every 300 twips down a column from the first row's place and wrap to
// the next column 3850 twips on when the next row would reach past the window's height less 600.
DX_FUZZ_QUIET inline void CheckLayout(Core& core) {
    core.grid.layOut();
    const ConnectionsModel& c = core.connects;
    const std::int32_t n = core.grid.highestIndex();
    const std::int64_t limit = std::int64_t{c.window.height()} - 600;
    const std::array<const Element*, 3> tmpl{&c.rows[0].address, &c.rows[0].port, &c.rows[0].call};
    for (int f = 0; f < 3; ++f) {
        std::int64_t left = std::int64_t{tmpl[static_cast<std::size_t>(f)]->left()} -
                            std::int64_t{core.grid.scrollColumns} * ConnectionsModel::kColumnPitch;
        std::int64_t top = 60;
        for (std::int32_t i = core.ports.portCount + 1; i <= n; ++i) {
            if (!core.grid.hasRow(i)) continue;
            const GridRow& r = c.rows[static_cast<std::size_t>(i)];
            const Element& cell = f == 0 ? r.address : f == 1 ? r.port : r.call;
            top += ConnectionsModel::kRowPitch;
            if (cell.height() + top + 100 > limit) {
                left += ConnectionsModel::kColumnPitch;
                top = ConnectionsModel::kFirstRowTop;
            }
            DX_FUZZ_CHECK(cell.top() == top);
            DX_FUZZ_CHECK(cell.left() == left);
        }
    }
}

// The counters kept row by row end where a count over every row ends, call-field width included.
inline void CheckCountsAgainstWalk(Core& core) {
    Statistics& st = core.statistics;
    st.countClientVersions();
    const Statistics::Counts incremental = st.counts();
    const std::int16_t width = core.trafficRows.callFieldWidth;
    st.walkEveryRow = true;
    st.countClientVersions();
    st.walkEveryRow = false;
    DX_FUZZ_CHECK(st.counts() == incremental);
    DX_FUZZ_CHECK(core.trafficRows.callFieldWidth == width);
}

}  // namespace dx::fuzz
