// The configuration file: any content is read at start-up without harm and to its end, a record
// on a line of its own after it is still read; what is then saved reads back whole into a fresh
// core and gives the same address, port, latest KEL version and window places.
//
// The input is the file's content as it is.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/config_file.h"
#include "app/core.h"
#include "fuzz_support.h"

namespace dx::fuzz {
namespace {

struct Saved {
    std::string host;
    std::int32_t port = 0;
    std::string kel;
    Rect connects, monitor, settings;
};

Saved Snapshot(const Core& core) {
    return Saved{core.config.remoteHost,       core.config.remotePort,      core.config.kelLatestVersion,
                 core.connects.window.outer(), core.monitor.window.outer(), core.settings.window.outer()};
}

// Whether the last read of the file went to its end. A read that stopped short would leave the
// reader shut for the rest of the run (as a missing file does), so a further read would not even
// look at the file: that is what tells the two apart. The probe reads no file, so it changes
// nothing but the address and port going back to their defaults; take what is wanted from the
// core before it.
bool LastReadCompleted(Session& s) {
    const int before = s.platform.configReads;
    s.platform.configFile.reset();
    s.core.config.loadConfig();
    return s.platform.configReads > before;
}

// A host that the file's quoting cannot carry: the reader ends a quoted item at the next quote.
bool HostQuotable(const std::string& host) {
    return host.find('"') == std::string::npos;
}

}  // namespace
}  // namespace dx::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace dx::fuzz;
    const std::string file(reinterpret_cast<const char*>(data), size);

    Session first(file, false);
    // A save reads every window's place; what it writes is Render() of the state after that.
    DX_FUZZ_CHECK(first.core.config.saveConfig());
    DX_FUZZ_CHECK(first.platform.configFile.has_value());
    const std::string saved = *first.platform.configFile;
    DX_FUZZ_CHECK(saved == first.core.config.render());
    const Saved a = Snapshot(first.core);
    // No record, however bad, ends the reading.
    DX_FUZZ_CHECK(LastReadCompleted(first));

    // Nor does it lose a record after it.
    Session appended(file + "\r\n\"RemotePort\",4242\r\n", false);
    DX_FUZZ_CHECK(appended.core.config.remotePort == 4242);

    // The saved file, read by a fresh core, and saved again.
    Session second(saved, false);
    const Saved b = Snapshot(second.core);
    DX_FUZZ_CHECK(second.core.config.saveConfig());
    const std::string resaved = *second.platform.configFile;
    const bool secondCompleted = LastReadCompleted(second);

    if (!HostQuotable(a.host)) return 0;
    // Whether or not the first read went to the end of its file, the program wrote the state it
    // was left in: a file the program wrote itself reads to its end and gives that state back.
    DX_FUZZ_CHECK(secondCompleted);
    DX_FUZZ_CHECK(b.host == a.host);
    DX_FUZZ_CHECK(b.port == a.port);
    DX_FUZZ_CHECK(b.kel == a.kel);
    DX_FUZZ_CHECK(b.connects == a.connects);
    DX_FUZZ_CHECK(b.monitor == a.monitor);
    DX_FUZZ_CHECK(b.settings == a.settings);
    // And saving that again writes the same file.
    DX_FUZZ_CHECK(resaved == saved);
    return 0;
}
