// The whole core fed the node's stream: a connected core takes the input as a run of arrivals,
// with the operator's commands and the timers' ticks in between, and after every step its own
// invariants are checked.
//
// The input is a run of frames, each opened by a tag byte:
//   tag < 0x80           an arrival of `tag` bytes (the bytes that follow)
//   0x80 <= tag < 0xC0   an arrival of ((tag & 0x3F) << 8 | next byte) bytes
//   tag >= 0xC0          operator command number (tag - 0xC0) % kCommands, see Command below;
//                        some take argument bytes after the tag
// An arrival longer than what is left takes what is left. fuzz/tools/capture_session.py writes
// a node session in this form.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/core.h"
#include "fuzz_support.h"

namespace dx::fuzz {
namespace {

enum Command : int {
    kRescan,
    kResetGreen,
    kCallClick,  // + 1 byte: the row
    kScrollLeft,
    kScrollRight,
    kClear,
    kCommandLineEnter,  // + 1 byte: n (0..15), + n bytes typed into the command line first when n > 0
    kKeepAliveTick,
    kDxDeTick,
    kToggleIn,
    kToggleOut,
    kToggleUnknown,
    kToggleKelVersion,
    kAuto,
    kReconnect,
    kPeerCloses,
    kLinkError,
    kConnectsResized,  // + 2 bytes: width / 100, height / 60
    kResetScreens,
    kCheckLayout,
    kCheckCounts,
    kSyncView,
    kSettingsApply,
    kFlood,  // + 1 byte c, + 1 byte n, + n bytes: one arrival of those bytes repeated to
             // FloodSize(c), so a batch past the receive buffer's cap fits in an input
    kCommands
};

// A step's pane check walks the whole pane; an input of thousands of tiny steps on a big pane
// would spend its time there. Past this many characters looked at, the pane check waits for the
// end of the input. The walks over every row, and the replays of the pane's journal, are made
// only where a command asks for them (at most kMaxExpensiveChecks times) and at the end.
constexpr std::size_t kCheckBudget = 2'000'000;
constexpr int kMaxExpensiveChecks = 8;
// No input is worth more steps than this, nor more floods.
constexpr int kMaxSteps = 20000;
constexpr int kMaxFloods = 4;

// A flood's size: (c + 1) * 4 KiB up to 768 KiB for c below 0xC0; from 0xC0 on, 4 MiB and more,
// past what the receive buffer holds.
std::size_t FloodSize(std::uint8_t c) {
    if (c < 0xC0) return (std::size_t{c} + 1) * 4096;
    return (std::size_t{4} << 20) + std::size_t{c - 0xC0u} * 16384;
}

struct Harness {
    Session s;
    Track track;
    ViewReplay view;
    std::size_t budget = kCheckBudget;
    int floods = 0;
    int expensiveChecks = 0;

    Harness() { view.Sync(s.core.monitor.pane); }

    void CheckAll(bool force) {
        Core& core = s.core;
        NoteStep(core, track);
        CheckState(core, track);
        CheckGrid(core, track, force);
        const std::size_t cost = core.monitor.pane.size() + 64;
        if (force || budget >= cost) {
            if (!force) budget -= cost;
            CheckPane(core.monitor.pane);
        }
    }

    bool MayCheckExpensively() { return ++expensiveChecks <= kMaxExpensiveChecks; }

    void Arrival(std::string_view data) {
        Core& core = s.core;
        const Pane& pane = core.monitor.pane;
        const bool up = s.platform.state == kSocketConnected;
        const std::size_t held = core.stream.receiveBuffer().size();
        // The pane is trimmed to at most 100000 characters at the start of an arrival; the
        // arrival's sentences then add at most a few times their own size (a line gains a line
        // break and an indent, a traffic line its call).
        std::size_t start = pane.size();
        if (up) start = Pane::keptAfterTrim(start);
        s.arrive(std::string(data));
        s.platform.incoming.clear();  // what a link that is not up does not read is lost
        if (up) {
            DX_FUZZ_CHECK(core.watchdog.idleTicks == 0);
            DX_FUZZ_CHECK(pane.size() <= start + 4 * (held + data.size()) + 512);
        } else {
            // Nothing is read from a link that is not up.
            DX_FUZZ_CHECK(core.stream.receiveBuffer().size() == held);
        }
    }

    void Run(Command c, Reader& in) {
        Core& core = s.core;
        MonitorModel& m = core.monitor;
        switch (c) {
            case kRescan:
                core.connectionsCommands.rescan();
                break;
            case kResetGreen:
                core.connectionsCommands.resetGreen();
                break;
            case kCallClick:
                core.connectionsCommands.callClick(in.byte());
                break;
            case kScrollLeft:
                core.connectionsCommands.scrollLeft();
                break;
            case kScrollRight:
                core.connectionsCommands.scrollRight();
                break;
            case kClear:
                core.monitorButtons.clearPane();
                break;
            case kCommandLineEnter: {
                const std::size_t n = in.byte() % 16;
                if (n > 0) m.setCommandLine(std::string(in.take(n)));
                core.monitorButtons.onCommandLineKey(MonitorButtons::kEnter);
                DX_FUZZ_CHECK(m.commandLine().text().empty());
                break;
            }
            case kKeepAliveTick:
                if (s.platform.timerRunning(TimerId::KeepAlive)) core.watchdog.onTick();
                break;
            case kDxDeTick:
                if (s.platform.timerRunning(TimerId::DxDe)) {
                    core.spotDelay.onTick();
                    DX_FUZZ_CHECK(core.spotDelay.armed);
                }
                break;
            case kToggleIn:
                m.showIn.setChecked(!m.showIn.checked());
                break;
            case kToggleOut:
                m.showOut.setChecked(!m.showOut.checked());
                break;
            case kToggleUnknown:
                m.showUnknown.setChecked(!m.showUnknown.checked());
                break;
            case kToggleKelVersion:
                core.connects.watchOlderVersions.setChecked(!core.connects.watchOlderVersions.checked());
                break;
            case kAuto:
                core.monitorButtons.toggleAuto();
                break;
            case kReconnect:
                track.rowsRemoved = true;
                s.connect();
                break;
            case kPeerCloses:
                core.link.onClosedByPeer();
                break;
            case kLinkError:
                core.link.onError("The link failed");
                break;
            case kConnectsResized: {
                const Twips w = in.byte() * 100;
                const Twips h = in.byte() * 60;
                core.screens.connectionsResized(w, h);
                break;
            }
            case kResetScreens:
                core.screens.resetScreens();
                break;
            case kCheckLayout:
                if (!MayCheckExpensively()) break;
                CheckLayout(core);
                CheckGrid(core, track, true);
                break;
            case kCheckCounts:
                if (MayCheckExpensively()) CheckCountsAgainstWalk(core);
                break;
            case kSyncView:
                if (MayCheckExpensively()) view.Sync(m.pane);
                break;
            case kSettingsApply:
                core.settingsCommands.apply();
                break;
            case kFlood: {
                const std::size_t total = FloodSize(in.byte());
                std::string pattern(in.take(in.byte()));
                if (pattern.empty()) pattern = "x";
                if (++floods > kMaxFloods) break;
                std::string flood;
                flood.reserve(total + pattern.size());
                while (flood.size() < total) flood += pattern;
                flood.resize(total);
                Arrival(flood);
                break;
            }
            case kCommands:
                break;
        }
    }
};

}  // namespace
}  // namespace dx::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace dx::fuzz;
    Reader in(data, size);
    Harness h;
    for (int step = 0; step < kMaxSteps && !in.empty(); ++step) {
        const std::uint8_t tag = in.byte();
        if (tag < 0xC0) {
            const std::size_t n = tag < 0x80 ? tag : (static_cast<std::size_t>(tag & 0x3F) << 8) | in.byte();
            h.Arrival(in.take(n));
        } else {
            h.Run(static_cast<Command>((tag - 0xC0) % kCommands), in);
        }
        h.CheckAll(false);
    }
    // The end of the input: everything is checked, whatever it costs.
    h.CheckAll(true);
    CheckLayout(h.s.core);
    CheckCountsAgainstWalk(h.s.core);
    h.view.Sync(h.s.core.monitor.pane);
    CheckGrid(h.s.core, h.track, true);
    return 0;
}
