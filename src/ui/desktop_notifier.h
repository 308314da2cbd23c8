#pragma once
#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <cstddef>
#include <deque>
#include <functional>
#include <optional>

#include "common/alert_settings.h"

namespace dx::ui {

// Shows the program's notices on the desktop through its notification service
// (org.freedesktop.Notifications on the session bus): the title, the body with its markup
// characters escaped, the program's icon, and an action that shows the monitor window.
// Nothing here waits for the bus: each notice is sent and its answer taken when it comes. Where no
// service answers, the notice is simply not shown (the pane has its line). The bus is first looked
// at with the first notice, never at start.
class DesktopNotifier : public QObject {
    Q_OBJECT
  public:
    static constexpr const char* kService = "org.freedesktop.Notifications";
    static constexpr const char* kPath = "/org/freedesktop/Notifications";
    static constexpr const char* kInterface = "org.freedesktop.Notifications";
    // At most this many notices wait for the service's answer; later ones are let go, so that a
    // slow service never makes the program hold more and more of them.
    static constexpr int kMostWaiting = 8;
    // How long a notice waits for the service's answer (the bus's own default).
    static constexpr int kAnswerTimeoutMs = 25000;
    // The notifications still on the desktop that the program remembers, for their action; past
    // this many, the oldest is forgotten (its action then does nothing).
    static constexpr std::size_t kMostRemembered = 256;

    // `showMonitor` runs when the operator picks a notification's action. `bus` is the session
    // bus unless a test gives another.
    explicit DesktopNotifier(std::function<void()> showMonitor,
                             std::optional<QDBusConnection> bus = std::nullopt, QObject* parent = nullptr);

    // Sends one notice to the desktop's service, without waiting for it.
    void show(const DesktopNotice& notice);

    // The body as the service's markup wants it: &, < and > written as entities, so that the text
    // shows as it is.
    static QString escapedBody(const QString& text);

    // Notices sent whose answer has not come yet; notifications remembered for their action.
    int waiting() const { return waiting_; }
    std::size_t remembered() const { return shown_.size(); }

  private slots:
    void actionInvoked(uint id, const QString& actionKey);
    void notificationClosed(uint id, uint reason);

  private:
    // The bus, connected at the first notice, with the service's signals heard from then on.
    bool busReady();
    void remember(uint id);

    std::function<void()> showMonitor_;
    std::optional<QDBusConnection> bus_;
    bool listening_ = false;
    int waiting_ = 0;
    std::deque<uint> shown_;  // ids the service gave, oldest first
};

}  // namespace dx::ui
