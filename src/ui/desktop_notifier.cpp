#include "desktop_notifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>
#include <algorithm>
#include <utility>

#include "latin1.h"

namespace dx::ui {

DesktopNotifier::DesktopNotifier(std::function<void()> showMonitor, std::optional<QDBusConnection> bus,
                                 QObject* parent)
    : QObject(parent), showMonitor_(std::move(showMonitor)), bus_(std::move(bus)) {}

QString DesktopNotifier::escapedBody(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'&')
            out += QLatin1String("&amp;");
        else if (c == u'<')
            out += QLatin1String("&lt;");
        else if (c == u'>')
            out += QLatin1String("&gt;");
        else
            out += c;
    }
    return out;
}

bool DesktopNotifier::busReady() {
    // Connecting to the bus is a short exchange with the bus itself (never with the notification
    // service), made at the first notice rather than at start.
    if (!bus_) bus_ = QDBusConnection::sessionBus();
    if (!bus_->isConnected()) return false;
    if (!listening_) {
        // Heard from whoever sends them, so that hearing them asks the bus nothing and waits for
        // nothing; only the ids the service gave this program count.
        const QString none;
        const QString path = QLatin1String(kPath);
        const QString interface = QLatin1String(kInterface);
        bus_->connect(none, path, interface, QStringLiteral("ActionInvoked"), this,
                      SLOT(actionInvoked(uint, QString)));
        bus_->connect(none, path, interface, QStringLiteral("NotificationClosed"), this,
                      SLOT(notificationClosed(uint, uint)));
        listening_ = true;
    }
    return true;
}

void DesktopNotifier::show(const DesktopNotice& notice) {
    if (waiting_ >= kMostWaiting) return;  // the service is slow: this one is the pane's alone
    if (!busReady()) return;
    QDBusMessage call = QDBusMessage::createMethodCall(QLatin1String(kService), QLatin1String(kPath),
                                                       QLatin1String(kInterface), QStringLiteral("Notify"));
    // The desktop entry the program is installed with, whose name and icon the desktop may show.
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("dxmonitor")}};
    // The one action: "default" is also what a click on the notification itself does.
    const QStringList actions{QStringLiteral("default"), QStringLiteral("Show the monitor")};
    // The application's name, a new notification (no id to replace), the installed icon's name,
    // the summary (plain text), the body (in the service's markup), the actions, the hints, and
    // the time it shows as the desktop decides.
    // A bus string ends at its first NUL, which a call or a socket layer's text may carry: the
    // rest of the text would be lost with it.
    const auto busText = [](const std::string& bytes) { return latin1Text(bytes).remove(QChar(u'\0')); };
    call << QStringLiteral("dxmonitor") << 0u << QStringLiteral("dxmonitor") << busText(notice.title)
         << escapedBody(busText(notice.body)) << actions << hints << -1;
    const QDBusPendingCall pending = bus_->asyncCall(call, kAnswerTimeoutMs);
    ++waiting_;
    auto* watcher = new QDBusPendingCallWatcher(pending, this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        --waiting_;
        const QDBusPendingReply<uint> reply = *w;
        // No service, or one that failed: the pane's line is all the operator gets.
        if (!reply.isError()) remember(reply.value());
        w->deleteLater();
    });
}

void DesktopNotifier::remember(uint id) {
    if (std::find(shown_.begin(), shown_.end(), id) != shown_.end()) return;
    if (shown_.size() >= kMostRemembered) shown_.pop_front();
    shown_.push_back(id);
}

void DesktopNotifier::actionInvoked(uint id, const QString& actionKey) {
    Q_UNUSED(actionKey);  // the one action there is, or a click on the notification itself
    if (std::find(shown_.begin(), shown_.end(), id) == shown_.end()) return;
    if (showMonitor_) showMonitor_();
}

void DesktopNotifier::notificationClosed(uint id, uint reason) {
    Q_UNUSED(reason);
    const auto it = std::find(shown_.begin(), shown_.end(), id);
    if (it != shown_.end()) shown_.erase(it);
}

}  // namespace dx::ui
