// The tray icon against a stand-in for the desktop's tray: a StatusNotifierWatcher on the test's
// private session bus (tests/tray/run.sh starts the bus and an X server). The icon is read as a
// tray reads it, over D-Bus: the item that registered, its tool tip and its picture. Without a
// watcher there is no tray, and nothing changes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QTest>
#include <cstdlib>
#include <string>

#include "loopback_node.h"

namespace dx::test {
namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kItem = QStringLiteral("org.kde.StatusNotifierItem");

// The test reads the bus on a connection of its own, without blocking: the program's side of a
// call is served by this same thread's event loop.
QDBusConnection reader() {
    static QDBusConnection bus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("reader"));
    return bus;
}

QDBusMessage callAndWait(const QDBusMessage& call) {
    QDBusPendingCall pending = reader().asyncCall(call, 5000);
    (void)QTest::qWaitFor([&] { return pending.isFinished(); }, 6000);
    return pending.reply();
}

QVariant property(const QString& service, const QString& path, const QString& interface,
                  const QString& name) {
    QDBusMessage get = QDBusMessage::createMethodCall(
        service, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << interface << name;
    const QDBusMessage reply = callAndWait(get);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return {};
    return reply.arguments().first().value<QDBusVariant>().variant();
}

// The items the stand-in watcher took.
QStringList registeredItems() {
    const QVariant v = property(kWatcher, QStringLiteral("/StatusNotifierWatcher"), kWatcher,
                                QStringLiteral("RegisteredStatusNotifierItems"));
    return v.toStringList();
}

// A StatusNotifierItem's pictures: (width, height, ARGB32 bytes) each.
struct Picture {
    int width = 0, height = 0;
    QByteArray data;
};
QList<Picture> picturesOf(const QDBusArgument& arg) {
    QList<Picture> pictures;
    arg.beginArray();
    while (!arg.atEnd()) {
        Picture p;
        arg.beginStructure();
        arg >> p.width >> p.height >> p.data;
        arg.endStructure();
        pictures << p;
    }
    arg.endArray();
    return pictures;
}

// The item's tool tip, (icon name, pictures, title, text): the title is what QSystemTrayIcon's
// tool tip says.
QString toolTipOf(const QString& item) {
    const QVariant v =
        property(item, QStringLiteral("/StatusNotifierItem"), kItem, QStringLiteral("ToolTip"));
    if (!v.canConvert<QDBusArgument>()) return {};
    const QDBusArgument arg = v.value<QDBusArgument>();
    QString icon, title, text;
    arg.beginStructure();
    arg >> icon;
    (void)picturesOf(arg);
    arg >> title >> text;
    arg.endStructure();
    return title;
}

// The colour of the item's largest picture a fifth of the way down its middle: the disc's own,
// clear of the state's white mark.
QColor iconColourOf(const QString& item) {
    const QVariant v =
        property(item, QStringLiteral("/StatusNotifierItem"), kItem, QStringLiteral("IconPixmap"));
    if (!v.canConvert<QDBusArgument>()) return {};
    const QDBusArgument arg = v.value<QDBusArgument>();
    int bestW = 0, bestH = 0;
    QByteArray best;
    for (const Picture& p : picturesOf(arg))
        if (p.width > bestW && p.data.size() == p.width * p.height * 4) {
            bestW = p.width;
            bestH = p.height;
            best = p.data;
        }
    if (bestW == 0) return {};
    // ARGB32 in network byte order.
    const int at = ((bestH / 5) * bestW + bestW / 2) * 4;
    const auto byte = [&](int i) { return static_cast<unsigned char>(best[at + i]); };
    return QColor(byte(1), byte(2), byte(3), byte(0));
}

QColor expected(LinkState state) {
    return ui::toQColor(trayColour(state));
}

// A record of socket s, a logged-in user with call `call`, and a line of its traffic, which
// brings its row into the counts.
std::string User(int s, const std::string& call) {
    return "^ZQ66^" + std::to_string(s) + "^0^10.0.0." + std::to_string(s) + "^16777215^2300" +
           std::to_string(s) + "^255^" + call + "^65280^ZQ70^" + std::to_string(s) + "^hello";
}

TEST(Tray, TheIconRegistersAndTellsTheLinkAndTheUsersAndAClickRaisesTheWindows) {
    const char* watcherProgram = std::getenv("DX_STANDIN_WATCHER");
    ASSERT_NE(watcherProgram, nullptr) << "DX_STANDIN_WATCHER names the stand-in watcher";
    QProcess watcher;
    watcher.start(QString::fromLocal8Bit(watcherProgram), {});
    ASSERT_TRUE(watcher.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return watcher.readAllStandardOutput().contains("ready"); }, 5000))
        << watcher.readAllStandardError().toStdString();

    LoopbackNode node;
    RunningProgram program(node.port());
    program.app->platform().sleepScale = 0.0;
    ui::TrayIcon* tray = program.app->tray();
    ASSERT_NE(tray, nullptr) << "no tray icon with a watcher on the bus";

    // The item registered with the watcher, and a tray reads it: the node, the link down.
    QStringList items;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !(items = registeredItems()).isEmpty(); }, 5000));
    ASSERT_EQ(items.size(), 1);
    const QString item = items.first();
    const QString nodeLine = QStringLiteral("dxmonitor: node 127.0.0.1:%1").arg(node.port());
    EXPECT_EQ(toolTipOf(item), nodeLine + QStringLiteral("\nLink down"));
    EXPECT_EQ(iconColourOf(item), expected(LinkState::Down));
    EXPECT_EQ(property(item, QStringLiteral("/StatusNotifierItem"), kItem, QStringLiteral("Menu"))
                  .value<QDBusObjectPath>()
                  .path(),
              QStringLiteral("/MenuBar"));

    // The menu: Connect, History (off without a history), Configuration, Exit.
    QStringList labels;
    for (QAction* a : tray->menu().actions())
        if (!a->isSeparator()) labels << a->text();
    EXPECT_EQ(labels, (QStringList{"Connect", "History", "Configuration", "Exit"}));
    EXPECT_FALSE(tray->menuHistory->isEnabled());
    EXPECT_EQ(tray->menuHistory->toolTip(), QStringLiteral("No history is kept"));
    EXPECT_TRUE(tray->menuConnect->isEnabled());

    // Connect from the menu; the node reports three users, not yet classified.
    tray->menuConnect->trigger();
    ASSERT_TRUE(node.waitForReceived(1));
    node.send("^ZQ81^1^65280^7300" + User(2, "G4ABC") + User(3, "DL1XYZ") + User(4, "K1NEW") + "^ZQ99\x04");
    QTest::qWait(50);
    // The counters count at a socket record, up to the last row traffic reached.
    node.send(User(2, "G4ABC") + "^ZQ99\x04");
    const QString upTip =
        nodeLine + QStringLiteral(
                       "\nLink up\nUsers 3: Yes (KEL) 0, latest 0, older 0, unknown 0\nNo (without "
                       "KEL) 0, Node 0, Unk 3, nocall 0");
    QString tip;
    EXPECT_TRUE(QTest::qWaitFor([&] { return (tip = toolTipOf(item)) == upTip; }, 5000)) << tip.toStdString();
    EXPECT_EQ(iconColourOf(item), expected(LinkState::Up));
    EXPECT_FALSE(tray->menuConnect->isEnabled()) << "Connect is offered while the link is up";
    EXPECT_EQ(program.core().connects.usersCount.text(), "3");

    // A click (a tray's Activate) brings the minimised monitor window back and to the front.
    program.app->monitor().showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return program.app->monitor().isMinimized(); }, 2000));
    const std::uint32_t fronts = program.core().monitor.window.frontRequests();
    QDBusMessage activate = QDBusMessage::createMethodCall(item, QStringLiteral("/StatusNotifierItem"), kItem,
                                                           QStringLiteral("Activate"));
    activate << 0 << 0;
    EXPECT_EQ(callAndWait(activate).type(), QDBusMessage::ReplyMessage);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !program.app->monitor().isMinimized(); }, 3000));
    EXPECT_EQ(program.core().monitor.window.frontRequests(), fronts + 1);

    // Six of the watchdog's ticks with nothing from the node: the link is up but silent (the
    // connections window's red), the last counts still told.
    for (int tick = 0; tick < 6; ++tick) emit program.app->platform().keepAliveTick();
    const QString silentTip =
        nodeLine +
        QStringLiteral(
            "\nLink up, but the node has sent nothing for about six minutes\nLast counted: Users 3: Yes "
            "(KEL) 0, latest 0, older 0, unknown 0\nNo (without KEL) 0, Node 0, Unk 3, nocall 0");
    EXPECT_TRUE(QTest::qWaitFor([&] { return (tip = toolTipOf(item)) == silentTip; }, 5000))
        << tip.toStdString();
    EXPECT_EQ(iconColourOf(item), expected(LinkState::Silent));

    // The node closes the link: the tip and the colour say so.
    node.peer->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return (tip = toolTipOf(item)) == nodeLine + "\nLink down"; }, 5000))
        << tip.toStdString();
    EXPECT_EQ(iconColourOf(item), expected(LinkState::Down));
    EXPECT_TRUE(tray->menuConnect->isEnabled());

    // Configuration opens the settings window, as the connections window's menu does.
    tray->menuConfiguration->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return program.app->settings().isVisible(); }, 2000));

    // Exit ends the program as closing the monitor window does.
    tray->menuExit->trigger();
    EXPECT_EQ(program.exitCode, 0);

    watcher.kill();
    watcher.waitForFinished();
}

TEST(NoTray, WithoutATrayNothingChanges) {
    // No watcher on this bus, and no XEmbed tray on this X server.
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
    LoopbackNode node;
    RunningProgram program(node.port());
    program.app->platform().sleepScale = 0.0;
    EXPECT_EQ(program.app->tray(), nullptr);
    // No item on the bus either.
    const QStringList names = reader().interface()->registeredServiceNames().value();
    for (const QString& name : names) EXPECT_FALSE(name.startsWith(kItem)) << name.toStdString();
    // The program as ever: its windows, Connect.
    EXPECT_TRUE(program.app->monitor().isVisible());
    EXPECT_TRUE(program.app->connects().isVisible());
    program.app->monitor().connectButton->click();
    ASSERT_TRUE(node.waitForReceived(1));
    EXPECT_EQ(node.received, "B");
}

}  // namespace
}  // namespace dx::test

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("dxmonitor"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
