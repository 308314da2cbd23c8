#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "common/event_guard.h"
#include "fake_platform.h"

namespace dx::test {

// What reaches an event's outermost guard: the program's own fault ends the event quietly; any
// other exception is a programming error, reported once on its own line and counted, and the
// program goes on with the next event.
TEST(EventGuard, AFaultEndsTheEventQuietlyAnythingElseIsReportedWithWhatWasBeingHandled) {
    FakePlatform platform;
    platform.errorsFail = false;  // reported on purpose here
    EventGuard guard(platform);
    bool after = false;
    guard.run("^ZQ66", [] { throw Fault("missing field"); });
    EXPECT_TRUE(platform.errors.empty());

    guard.run("^ZQ66", [] { throw std::out_of_range("basic_string::substr"); });
    guard.run("^ZQ\x04\xff", [] { throw std::bad_alloc(); });
    guard.run("^ZQ70", [&] { after = true; });
    EXPECT_TRUE(after);
    ASSERT_EQ(platform.errors.size(), 2u);
    EXPECT_EQ(platform.errors[0], "dxmonitor: internal error 1 while handling ^ZQ66: basic_string::substr");
    // latin1Bytes the node sent are never written raw to the operator's terminal.
    EXPECT_EQ(platform.errors[1], "dxmonitor: internal error 2 while handling ^ZQ??: std::bad_alloc");
    EXPECT_EQ(guard.errorCount(), 2u);
}

}  // namespace dx::test
