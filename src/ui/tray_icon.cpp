#include "tray_icon.h"

#include <QIcon>
#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <algorithm>
#include <utility>

#include "bindings.h"
#include "latin1.h"

namespace dx::ui {

QPixmap TrayIcon::drawn(LinkState state, int size) {
    QPixmap p(size, size);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    const qreal ring = std::max<qreal>(1.0, s / 16);
    g.setPen(QPen(QColor(0x20, 0x20, 0x20), ring));
    g.setBrush(toQColor(trayColour(state)));
    g.drawEllipse(QRectF(ring / 2, ring / 2, s - ring, s - ring));
    // A mark of each state that does not go by colour alone: none while up, a stroke across
    // while down, a bar while silent.
    g.setPen(QPen(Qt::white, std::max<qreal>(1.5, s / 8), Qt::SolidLine, Qt::RoundCap));
    if (state == LinkState::Down) g.drawLine(QPointF(s * 0.3, s * 0.7), QPointF(s * 0.7, s * 0.3));
    if (state == LinkState::Silent) g.drawLine(QPointF(s * 0.3, s * 0.5), QPointF(s * 0.7, s * 0.5));
    return p;
}

TrayIcon::TrayIcon(Core& core, EventRunner runEvent, bool historyKept, std::function<void()> openHistory)
    : core_(core), runEvent_(std::move(runEvent)) {
    menuConnect = menu_.addAction(QStringLiteral("Connect"));
    menuHistory = menu_.addAction(QStringLiteral("History"));
    menuConfiguration = menu_.addAction(QStringLiteral("Configuration"));
    menu_.addSeparator();
    menuExit = menu_.addAction(QStringLiteral("Exit"));
    menuHistory->setEnabled(historyKept);
    if (!historyKept) menuHistory->setToolTip(QStringLiteral("No history is kept"));
    menu_.setToolTipsVisible(true);
    icon_.setContextMenu(&menu_);

    // What the monitor window's Connect does.
    connect(menuConnect, &QAction::triggered, this,
            [this] { runEvent_([this] { core_.reconnect.connectNow(); }); });
    connect(menuHistory, &QAction::triggered, this, std::move(openHistory));
    // What the connections window's Configuration does.
    connect(menuConfiguration, &QAction::triggered, this,
            [this] { runEvent_([this] { core_.connectionsCommands.configuration(); }); });
    // What closing the monitor window does: the link closed, the history written, the end.
    connect(menuExit, &QAction::triggered, this,
            [this] { runEvent_([this] { core_.link.monitorUnload(); }); });
    connect(&icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
        if (why == QSystemTrayIcon::Trigger) runEvent_([this] { core_.trayStatus.raiseWindows(); });
    });

    tipDue_.setSingleShot(true);
    connect(&tipDue_, &QTimer::timeout, this, [this] { showToolTip(); });
    core_.trayStatus.refresh();
    sync();
    icon_.show();
}

void TrayIcon::sync() {
    const Element& connectButton = core_.monitor.connectButton;
    if (connectButton.stamp() != seenConnect_) {
        seenConnect_ = connectButton.stamp();
        // Offered while the monitor window offers it: not while the link is up.
        menuConnect->setEnabled(connectButton.visible());
    }
    const TrayModel& tray = core_.tray;
    if (tray.stamp() == seenTray_) return;
    seenTray_ = tray.stamp();
    if (!iconShown_ || tray.state() != shownState_) {
        QIcon icon;
        for (const int size : {16, 22, 24, 32, 48, 64}) icon.addPixmap(drawn(tray.state(), size));
        icon_.setIcon(icon);
        ++iconsSet_;
        iconShown_ = true;
        shownState_ = tray.state();
        // A new state is told at once, whatever the tip's pace.
        showToolTip();
        return;
    }
    // The counts of a busy node change many times a second: the tip follows at most once a
    // second, the last change shown when the second is up.
    if (tipDue_.isActive()) return;
    const qint64 since = sinceTip_.isValid() ? sinceTip_.elapsed() : kToolTipEveryMs;
    if (since >= kToolTipEveryMs)
        showToolTip();
    else
        tipDue_.start(static_cast<int>(kToolTipEveryMs - since));
}

void TrayIcon::showToolTip() {
    tipDue_.stop();
    const QString tip = latin1Text(trayToolTip(core_.tray));
    if (tip == shownTip_) return;
    shownTip_ = tip;
    icon_.setToolTip(tip);
    sinceTip_.start();
    ++toolTipsSet_;
}

}  // namespace dx::ui
