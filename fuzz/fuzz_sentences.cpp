// Single sentences straight to their handlers, on a connected core that already has a port strip
// and a few sockets: the socket table, the traffic lines, the status sentences and the output
// stage. After the sentence the core's invariants are checked, the grid laid out and compared,
// the counters compared with a count over every row, and the pane's journal replayed.
//
// The input: byte 0 picks the handler (low four bits) and whether the sentence gets its head put
// in front (bit 7); byte 1 picks the node program the core has recognised and a few switches;
// the rest is the sentence.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/core.h"
#include "common/fault.h"
#include "fuzz_support.h"

namespace dx::fuzz {
namespace {

enum Handler : int {
    kRecord66,
    kRecord60,
    kTraffic,
    kZq62,
    kZq63,
    kZq80,
    kZq81,
    kZq90,
    kZq91,
    kZq92,
    kTimeLinks,
    kOutputStage,
    kHandlers
};

const char* const kHeads[kHandlers] = {"^ZQ66^", "^ZQ60^", "^ZQ70^", "^ZQ62^", "^ZQ63^", "^ZQ80^",
                                       "^ZQ81^", "^ZQ90^", "^ZQ91^", "^ZQ92^", "",       ""};

// What the node sends at the start of a session, cut short: four port boxes, the high-water
// marks, the port listeners and a few users of each kind.
void Prepare(Session& s) {
    Core& core = s.core;
    StatusSentences& st = core.status;
    st.onPortBoxColour("^ZQ81^1^65280^23");
    st.onPortBoxColour("^ZQ81^2^65280^7300");
    st.onPortBoxColour("^ZQ81^3^65280^8000");
    st.onPortBoxColour("^ZQ81^4^16776960^7373");
    st.onPortBoxText("^ZQ80^1^7");
    st.onPortBoxText("^ZQ80^2^6");
    st.onNodeStartTime("^ZQ92^Up since 07-Dec-2026 1146Z");
    st.onAllTimeHighWater("^ZQ90^47^19-Feb-2025 0900Z");
    st.onSessionHighWater("^ZQ91^29^07-Dec-2026 2223Z");
    SocketTable& t = core.table;
    t.onSocketRecord("^ZQ66^1^0^0.0.0.0^16777215^23^16777215^^16777215^^Listening on port 23");
    t.onSocketRecord("^ZQ66^4^0^0.0.0.0^16777215^7373^16777215^^16777215^^Listening on port 7373");
    t.onSocketRecord("^ZQ66^5^0^79.86.134.231^16777215^20729^16777215^OK8VN^65280^^host-a  port 23");
    t.onSocketRecord("^ZQ66^6^0^95.120.31.171^16777215^40925^16777215^OH8NOD^16776960^^host-b  port 7373");
    t.onSocketRecord("^ZQ66^7^0^217.157.167.12^16777215^21426^16777215^nocall^16711935^^host-c  port 23");
    t.onSocketRecord("^ZQ66^8^0^62.87.127.160^16777215^43752^16777215^YO5NI^16764927^^host-d  port 8000");
    t.onSocketRecord("^ZQ66^9^0^10.1.2.3^65535^1111^16777215^^16777215^^host-e  port 23");
    t.onSocketRecord("^ZQ60^0^0^192.168.1.20^16777215^33000^16777215^GB7RDX^65280^^node");
    Traffic& tr = core.traffic;
    std::string line = "^ZQ70^5^KeepAlive 0900Z V1.93";
    tr.onTrafficLine(line);
    line = "^ZQ70^8^DX de YO5NI:     14025.0  K1ABC        cq                    0901Z";
    tr.onTrafficLine(line);
}

void Handle(Core& core, Handler h, std::string sentence) {
    StatusSentences& st = core.status;
    switch (h) {
        case kRecord66:
        case kRecord60: {
            const std::string shown = core.table.onSocketRecord(sentence);
            DX_FUZZ_CHECK(shown.empty());
            break;
        }
        case kTraffic:
            core.traffic.onTrafficLine(sentence);
            break;
        // The status handlers leave a fault to the arrival that dispatched them.
        case kZq62:
            st.onToMonitoredSocketLine(sentence);
            break;
        case kZq63:
            st.onFromMonitoredSocketLine(sentence);
            break;
        case kZq80:
            st.onPortBoxText(sentence);
            break;
        case kZq81:
            st.onPortBoxColour(sentence);
            break;
        case kZq90:
            st.onAllTimeHighWater(sentence);
            break;
        case kZq91:
            st.onSessionHighWater(sentence);
            break;
        case kZq92:
            st.onNodeStartTime(sentence);
            break;
        case kTimeLinks: {
            const std::string shown = core.traffic.showLinkTime(sentence);
            DX_FUZZ_CHECK(shown.empty());
            DX_FUZZ_CHECK(core.connects.linkTime.text().size() <= 7);
            break;
        }
        case kOutputStage:
            core.stream.writeToPane(std::move(sentence));
            break;
        case kHandlers:
            break;
    }
}

}  // namespace
}  // namespace dx::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace dx::fuzz;
    Reader in(data, size);
    const std::uint8_t pick = in.byte();
    const std::uint8_t setup = in.byte();
    const auto h = static_cast<Handler>((pick & 0x0F) % kHandlers);
    std::string sentence = (pick & 0x80) ? kHeads[h] : "";
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
    core.guard.run("a handler", [&] { Handle(core, h, std::move(sentence)); });

    NoteStep(core, track);
    CheckState(core, track);
    CheckGrid(core, track, true);
    CheckPane(core.monitor.pane);
    view.Sync(core.monitor.pane);
    CheckLayout(core);
    CheckCountsAgainstWalk(core);
    return 0;
}
