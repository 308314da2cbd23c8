// Runs the window tests inside one QApplication. Without a display they run offscreen, which is
// also what test discovery at build time gets.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv) {
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (std::getenv("XDG_RUNTIME_DIR") == nullptr) setenv("XDG_RUNTIME_DIR", "/tmp", 0);
    // The program's notices never reach the desktop's session bus (they would pop up on the
    // desktop of whoever runs the tests): no bus is there for them, and the programs the tests
    // start inherit that. The session-bus tests run on a private bus of their own instead.
    if (std::getenv("DX_PRIVATE_SESSION_BUS") == nullptr)
        setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/dxmonitor-tests-have-no-session-bus", 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
