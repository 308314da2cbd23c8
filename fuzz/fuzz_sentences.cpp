// Single sentences through the dispatch table, on a connected core that already has a port strip
// and a few sockets: one route of the table (the sentence read into the value of its kind and
// handed to its handler), or the dispatch of a piece by its head, and then the output stage with
// what the handler answered. After the sentence the core's invariants are checked, the grid laid
// out and compared, the counters compared with a count over every row, and the pane's journal
// replayed.
//
// The input: byte 0 picks the route (low four bits: the routes of the dispatch table in its order,
// then the dispatch by head) and whether the sentence gets its kind's head in front (bit 7);
// byte 1 picks the node program the core has recognised and a few switches; the rest is the
// sentence.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/core.h"
#include "common/fault.h"
#include "fuzz_support.h"

namespace dx::fuzz {
namespace {

// What the node sends at the start of a session, cut short: four port boxes, the high-water
// marks, the port listeners and a few users of each kind, each dispatched by its head.
void Prepare(Session& s) {
    SentenceStream& stream = s.core.stream;
    for (const char* sentence : {
             "^ZQ81^1^65280^23",
             "^ZQ81^2^65280^7300",
             "^ZQ81^3^65280^8000",
             "^ZQ81^4^16776960^7373",
             "^ZQ80^1^7",
             "^ZQ80^2^6",
             "^ZQ92^Up since 07-Dec-2026 1146Z",
             "^ZQ90^47^19-Feb-2025 0900Z",
             "^ZQ91^29^07-Dec-2026 2223Z",
             "^ZQ66^1^0^0.0.0.0^16777215^23^16777215^^16777215^^Listening on port 23",
             "^ZQ66^4^0^0.0.0.0^16777215^7373^16777215^^16777215^^Listening on port 7373",
             "^ZQ66^5^0^79.86.134.231^16777215^20729^16777215^OK8VN^65280^^host-a  port 23",
             "^ZQ66^6^0^95.120.31.171^16777215^40925^16777215^OH8NOD^16776960^^host-b  port 7373",
             "^ZQ66^7^0^217.157.167.12^16777215^21426^16777215^nocall^16711935^^host-c  port 23",
             "^ZQ66^8^0^62.87.127.160^16777215^43752^16777215^YO5NI^16764927^^host-d  port 8000",
             "^ZQ66^9^0^10.1.2.3^65535^1111^16777215^^16777215^^host-e  port 23",
             "^ZQ60^0^0^192.168.1.20^16777215^33000^16777215^GB7RDX^65280^^node",
             "^ZQ70^5^KeepAlive 0900Z V1.93",
             "^ZQ70^8^DX de YO5NI:     14025.0  K1ABC        cq                    0901Z",
         })
        stream.dispatch(sentence);
}

// The kinds whose handlers never give the pane anything.
bool ShowsNothing(wire::SentenceKind kind) {
    using K = wire::SentenceKind;
    switch (kind) {
        case K::MonitoredSocketRecord:
        case K::SocketRecord:
        case K::PortBoxText:
        case K::PortBoxColour:
        case K::AllTimeHighWater:
        case K::SessionHighWater:
        case K::NodeStartTime:
            return true;
        default:
            return false;
    }
}

// Route `route` of the dispatch table (the dispatch by head past the last), then the output stage.
void Handle(Core& core, std::size_t route, const std::string& sentence, Colour passedOn) {
    const SentenceStream::DispatchTable& table = SentenceStream::dispatchTable();
    if (route < table.size()) {
        const wire::Outcome outcome = table[route].handle(core.stream, sentence);
        if (ShowsNothing(table[route].kind)) DX_FUZZ_CHECK(outcome.kind() == wire::Outcome::Kind::Nothing);
        DX_FUZZ_CHECK(core.connects.linkTime.text().size() <= 7);
        core.stream.settle(outcome, passedOn);
    } else {
        core.stream.settle(core.stream.dispatch(sentence), passedOn);
    }
}

}  // namespace
}  // namespace dx::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace dx::fuzz;
    Reader in(data, size);
    const std::uint8_t pick = in.byte();
    const std::uint8_t setup = in.byte();
    const dx::SentenceStream::DispatchTable& table = dx::SentenceStream::dispatchTable();
    const std::size_t route = static_cast<std::size_t>(pick & 0x0F) % (table.size() + 1);
    std::string sentence;
    if ((pick & 0x80) && route < table.size()) {
        sentence = dx::wire::headOf(table[route].kind);
        sentence += '^';
    }
    sentence += in.rest();

    Session s;
    dx::Core& core = s.core;
    dx::Recognition& rec = core.recognition;
    switch (setup & 3) {
        case 1:
            rec.nodeProgram = dx::NodeProgram::ReRidavir;
            break;
        case 2:
            rec.nodeProgram = dx::NodeProgram::DxSpider;
            break;
        case 3:
            rec.nodeProgram = dx::NodeProgram::ArCluster;
            break;
        default:
            break;
    }
    rec.nodeIsArcPassive = (setup & 4) != 0;
    core.connects.watchOlderVersions.setChecked((setup & 8) != 0);
    core.monitor.showIn.setChecked((setup & 16) == 0);
    core.spotDelay.armed = (setup & 32) != 0;
    core.monitor.setAutoMode((setup & 64) == 0);
    Prepare(s);

    Track track;
    ViewReplay view;
    view.Sync(core.monitor.pane);
    NoteStep(core, track);

    // A fault ends the sentence's handling, as in the cutting loop; anything else reaches the
    // platform's error report, which stops the run.
    const dx::Colour passedOn = (setup & 128) ? dx::colours::kRed : dx::colours::kBlack;
    core.guard.run("a handler", [&] { Handle(core, route, sentence, passedOn); });

    NoteStep(core, track);
    CheckState(core, track);
    CheckGrid(core, track, true);
    CheckPane(core.monitor.pane);
    view.Sync(core.monitor.pane);
    CheckLayout(core);
    CheckCountsAgainstWalk(core);
    return 0;
}
