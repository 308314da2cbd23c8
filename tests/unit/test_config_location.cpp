// Where the program keeps Monitor.cfg.
#include <gtest/gtest.h>

#include "app/config_location.h"

namespace dx::test {
namespace {

TEST(ConfigLocation, BesideTheProgramUnlessItsDirectoryIsNotWritable) {
    const struct {
        const char* dir;
        bool writable;
        const char* xdg;
        const char* home;
        const char* want;
    } cases[] = {
        {"/home/op/build", true, "/x", "/home/op", "/home/op/build/Monitor.cfg"},
        {"/usr/bin", false, "", "/home/op", "/home/op/.config/dxmonitor/Monitor.cfg"},
        {"/usr/bin", false, "/cfg", "/home/op", "/cfg/dxmonitor/Monitor.cfg"},
        {"/usr/bin", false, "relative", "/home/op", "/home/op/.config/dxmonitor/Monitor.cfg"},
        {"/usr/bin", false, "", "", "/usr/bin/Monitor.cfg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.want);
        EXPECT_EQ(configLocation(c.dir, c.writable, c.xdg, c.home), std::filesystem::path(c.want));
    }
}

}  // namespace
}  // namespace dx::test
