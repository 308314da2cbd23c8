// The desktop's notifications on a private session bus (ctest runs these under dbus-run-session):
// a stand-in notification service, on a connection of its own, receives the program's Notify
// call when a watched call arrives, and its action shows the monitor window.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QVariantMap>
#include <cstdlib>
#include <string>
#include <vector>

#include "loopback_node.h"

namespace dx::test {

// What the desktop's notification service is asked, answered as a service does.
class StandInNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
  public:
    struct Call {
        QString appName;
        uint replacesId;
        QString appIcon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        int expireTimeout;
    };
    std::vector<Call> calls;

  public slots:
    uint Notify(const QString& appName, uint replacesId, const QString& appIcon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints,
                int expireTimeout) {
        calls.push_back({appName, replacesId, appIcon, summary, body, actions, hints, expireTimeout});
        return static_cast<uint>(calls.size()) + 40;  // ids of the service's own
    }
    QStringList GetCapabilities() {
        return {QStringLiteral("actions"), QStringLiteral("body"), QStringLiteral("body-markup")};
    }
    void CloseNotification(uint id) { emit NotificationClosed(id, 3); }

  signals:
    void ActionInvoked(uint id, const QString& actionKey);
    void NotificationClosed(uint id, uint reason);
};

namespace {

// dbus-run-session's bus, never the desktop's own: the wrapper that ctest runs says it made one.
#define DX_NEED_PRIVATE_BUS()                                                                     \
    do {                                                                                          \
        if (std::getenv("DX_PRIVATE_SESSION_BUS") == nullptr)                                     \
            GTEST_SKIP() << "not on a private session bus: run through ctest (dbus-run-session)"; \
    } while (0)

void sendBatch(LoopbackNode& node, const std::string& sentences) {
    node.send(sentences + "^ZQ61^.\x04");
    QTest::qWait(30);
    node.send("\x04");
    QTest::qWait(30);
}

TEST(DesktopNotifications, AWatchedCallsArrivalReachesTheServiceAndItsActionShowsTheMonitor) {
    DX_NEED_PRIVATE_BUS();
    QDBusConnection service =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("stand-in service"));
    ASSERT_TRUE(service.isConnected()) << service.lastError().message().toStdString();
    StandInNotifications standIn;
    ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &standIn,
                                       QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.Notifications")));

    // A watch list with the call that will arrive.
    QTemporaryDir dir;
    QFile ini(dir.filePath(QStringLiteral("dxmonitor.ini")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Watch]\ncalls=G4ABC\n");
    ini.close();
    LoopbackNode node;
    RunningProgram program(node.port(), true, dir.filePath(QStringLiteral("Monitor.cfg")));
    program.app->platform().sleepScale = 0.0;
    program.app->monitor().connectButton->click();
    ASSERT_TRUE(node.waitForReceived(1));
    sendBatch(node, "^ZQ81^1^65280^7300^ZQ66^3^0^10.0.0.3^16777215^23003^255^K1OTHER^65280^ZQ70^3^hi");
    // A watched user arrives; the node's next line of traffic counts it.
    sendBatch(node, "^ZQ66^2^0^10.0.0.2^16777215^23002^255^G4ABC^65280^ZQ70^2^hello");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !standIn.calls.empty(); }, 5000)) << program.paneText();
    const StandInNotifications::Call& call = standIn.calls.front();
    EXPECT_EQ(call.summary.toStdString(), "G4ABC connected");
    EXPECT_EQ(call.body.toStdString(),
              "G4ABC connected to 127.0.0.1:" + std::to_string(node.port()) + " from 10.0.0.2:23002");
    EXPECT_EQ(call.appName, QStringLiteral("dxmonitor"));
    EXPECT_EQ(call.appIcon, QStringLiteral("dxmonitor"));
    EXPECT_EQ(call.replacesId, 0u);
    EXPECT_EQ(call.actions, (QStringList{QStringLiteral("default"), QStringLiteral("Show the monitor")}));
    EXPECT_EQ(call.hints.value(QStringLiteral("desktop-entry")).toString(), QStringLiteral("dxmonitor"));
    EXPECT_EQ(call.expireTimeout, -1);
    ui::DesktopNotifier& notifier = program.app->notifier();
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifier.remembered() == 1; }, 5000));
    EXPECT_EQ(notifier.waiting(), 0);

    // A notice's body in the node's bytes, with the service's markup characters and a NUL: shown
    // as it is, the NUL left out.
    const char said[] = "The node said \"<b>R&R</b>\" to DL\xC4\0.";
    program.app->platform().notify(
        {DesktopNotice::Kind::LinkDown, "Link <down>", std::string(said, sizeof said - 1)});
    ASSERT_TRUE(QTest::qWaitFor([&] { return standIn.calls.size() == 2; }, 5000));
    EXPECT_EQ(standIn.calls[1].summary.toStdString(), "Link <down>");  // plain text
    EXPECT_EQ(standIn.calls[1].body.toStdString(),
              "The node said \"&lt;b&gt;R&amp;R&lt;/b&gt;\" to DL\u00C4.");
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifier.remembered() == 2; }, 5000));

    // The monitor minimized; the operator picks the notification's action.
    WindowModel& monitor = program.core().monitor.window;
    program.app->runEvent("a test", [&] { monitor.setState(WindowState::Minimized); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return program.app->monitor().isMinimized(); }, 2000));
    const std::uint32_t before = monitor.frontRequests();
    emit standIn.ActionInvoked(41, QStringLiteral("default"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return monitor.frontRequests() == before + 1; }, 5000));
    EXPECT_EQ(monitor.state(), WindowState::Normal);
    EXPECT_FALSE(program.app->monitor().isMinimized());

    // Closed, the notification is forgotten; another program's ids are no business of this one.
    emit standIn.NotificationClosed(41, 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return notifier.remembered() == 1; }, 5000));
    emit standIn.ActionInvoked(41, QStringLiteral("default"));
    emit standIn.ActionInvoked(7, QStringLiteral("default"));
    QTest::qWait(200);
    EXPECT_EQ(monitor.frontRequests(), before + 1);
}

}  // namespace
}  // namespace dx::test

#include "test_desktop_notifications.moc"
