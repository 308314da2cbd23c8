// What the fuzz targets share: a platform that only records, a started core on it, a reader
// for the input bytes, a stand-in for the pane's view, and the checks of the core's own
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

// A platform that keeps nothing it does not need: sends are counted, pauses cost nothing, the
// configuration file lives in memory, the link's state is whatever the harness sets.
class FuzzPlatform : public Platform {
  public:
    int state = kSocketClosed;
    std::string incoming;  // what the next socketReadAll() hands over
    std::size_t sends = 0;
    std::size_t sentBytes = 0;
    std::array<bool, 4> timerOn{};
    std::array<int, 2> timerInterval{};
    std::optional<std::string> configFile;
    int configReads = 0;
    int configWrites = 0;
    int closes = 0;
    int connects = 0;
    int eventsRun = 0;
    int abouts = 0;
    std::optional<int> exitCode;

    void socketClose() override {
        ++closes;
        state = kSocketClosed;
    }
    void socketConnect(const std::string&, std::int32_t) override {
        ++connects;
        state = kSocketConnecting;
    }
    int socketState() const override { return state; }
    bool socketSend(std::string_view bytes) override {
        if (state != kSocketConnected) return false;
        ++sends;
        sentBytes += bytes.size();
        return true;
    }
    std::string socketReadAll() override {
        std::string out;
        out.swap(incoming);
        return out;
    }
    void sleepMs(int) override {}
    void processEvents() override { ++eventsRun; }
    void timerStart(TimerId id, int intervalMs) override {
        timerOn[static_cast<std::size_t>(id)] = true;
        timerInterval[static_cast<std::size_t>(id)] = intervalMs;
    }
    void timerStop(TimerId id) override { timerOn[static_cast<std::size_t>(id)] = false; }
    std::optional<std::string> readConfig() override {
        ++configReads;
        return configFile;
    }
    std::optional<std::string> writeConfig(const std::string& content) override {
        ++configWrites;
        configFile = content;
        return std::nullopt;
    }
    void showAbout(const std::string&, const std::string&) override { ++abouts; }
    // A programming error the event guard caught is a finding: stop on it, as a crash would.
    void reportError(const std::string& line) override {
        std::fprintf(stderr, "%s\n", line.c_str());
        std::abort();
    }
    void endProcess(int code) override {
        if (!exitCode) exitCode = code;
    }
    bool timerRunning(TimerId id) const { return timerOn[static_cast<std::size_t>(id)]; }
};

// A core on the fuzz platform, started up with the given configuration file (none by default)
// and, when asked, connected to a node that has been sent "B".
struct Session {
    FuzzPlatform platform;
    Core core{platform};

    explicit Session(std::optional<std::string> config = std::nullopt, bool connect = true) {
        platform.configFile = std::move(config);
        core.link.startUp();
        if (connect) Connect();
    }

    // The Connect button and the link coming up.
    void Connect() {
        core.link.connectToNode();
        platform.state = kSocketConnected;
        core.link.onConnected();
    }

    // One arrival of data from the node; whatever a link that is not up does not read is lost.
    void Arrive(std::string_view data) {
        platform.incoming.assign(data);
        core.stream.onDataArrival();
        platform.incoming.clear();
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

// How many characters the view shows for a text: a CR LF pair, a lone CR and a lone LF are each
// one line break, every other byte one character.
DX_FUZZ_QUIET inline std::size_t ShownLength(std::string_view text) {
    const char* t = text.data();
    const std::size_t size = text.size();
    std::size_t n = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (t[i] == '\r' && i + 1 < size && t[i + 1] == '\n') ++i;
        ++n;
    }
    return n;
}

// The text as the view shows it, one unit per shown character: a CR LF pair, a lone CR and a lone
// LF are each one line break; any other byte is itself. (How the view draws a control character
// does not matter here, only how many places each edit takes.)
DX_FUZZ_QUIET inline std::u16string ShownText(std::string_view text) {
    std::u16string out(ShownLength(text), u'\0');
    const char* t = text.data();
    const std::size_t size = text.size();
    char16_t* o = out.data();
    for (std::size_t i = 0; i < size; ++i) {
        const char c = t[i];
        if (c == '\r') {
            if (i + 1 < size && t[i + 1] == '\n') ++i;
            *o++ = u'\n';
        } else {
            *o++ = static_cast<char16_t>(static_cast<unsigned char>(c));
        }
    }
    return out;
}

// Stretches of shown characters in one colour, in order; neighbours always differ in colour.
using Segments = std::vector<std::pair<std::size_t, Colour>>;

DX_FUZZ_QUIET inline void AddSegment(Segments& segs, std::size_t length, Colour c) {
    if (length == 0) return;
    if (!segs.empty() && segs.back().second == c)
        segs.back().first += length;
    else
        segs.emplace_back(length, c);
}

// The pane's colours as the view must show them, computed from the whole text: a shown character
// takes the colour of the run its first byte lies in.
DX_FUZZ_QUIET inline Segments ExpectedSegments(const Pane& pane) {
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
        DX_FUZZ_CHECK(run != runsEnd);
        AddSegment(segs, 1, run->colour);
        if (t[i] == '\r' && i + 1 < size && t[i + 1] == '\n') ++i;
    }
    return segs;
}

// A stand-in for the window's rich-text view: it knows only the pane's journal of edits, as the
// real one does, and after every replay must show exactly the pane's text in the pane's colours.
struct ViewReplay {
    std::u16string shown;
    Segments colours;

    DX_FUZZ_QUIET void insert(std::size_t pos, std::string_view text, Colour c) {
        const std::u16string s = ShownText(text);
        if (pos == shown.size()) {
            // An append, the usual edit: no segment to split (walking them all made an arrival
            // of thousands of appends to a many-coloured pane quadratic).
            shown += s;
            AddSegment(colours, s.size(), c);
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
                AddSegment(out, pos - at, colour);
                AddSegment(out, s.size(), c);
                AddSegment(out, at + length - pos, colour);
                placed = true;
            } else {
                AddSegment(out, length, colour);
            }
            at += length;
        }
        if (!placed) AddSegment(out, s.size(), c);
        colours.swap(out);
    }

    DX_FUZZ_QUIET void eraseFront(std::size_t n) {
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

    DX_FUZZ_QUIET void rebuild(const Pane& pane) {
        shown.clear();
        colours.clear();
        std::size_t at = 0;
        for (const Pane::Run& run : pane.runs()) {
            const std::u16string s = ShownText(std::string_view(pane.text()).substr(at, run.length));
            shown += s;
            AddSegment(colours, s.size(), run.colour);
            at += run.length;
        }
    }

    // Replays what the pane journaled since the last sync and compares.
    DX_FUZZ_QUIET void Sync(Pane& pane) {
        const std::vector<Pane::Edit> edits = pane.takeEdits();
        // A journal left untaken collapses into one Reset before it grows past 20000 edits.
        DX_FUZZ_CHECK(edits.size() <= 20001);
        for (const Pane::Edit& e : edits) {
            switch (e.kind) {
                case Pane::Edit::Kind::Reset:
                    rebuild(pane);
                    break;
                case Pane::Edit::Kind::Append:
                    insert(shown.size(), e.text, e.colour);
                    break;
                case Pane::Edit::Kind::Insert:
                    DX_FUZZ_CHECK(e.displayPos <= shown.size());
                    insert(e.displayPos, e.text, e.colour);
                    break;
                case Pane::Edit::Kind::DeleteFront:
                    DX_FUZZ_CHECK(e.displayCount <= shown.size());
                    eraseFront(e.displayCount);
                    break;
            }
        }
        DX_FUZZ_CHECK(shown == ShownText(pane.text()));
        DX_FUZZ_CHECK(colours == ExpectedSegments(pane));
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
    DX_FUZZ_CHECK(pane.displaySize() == ShownLength(pane.text()));
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
