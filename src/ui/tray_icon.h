#pragma once
#include <QAction>
#include <QElapsedTimer>
#include <QMenu>
#include <QObject>
#include <QString>
#include <QSystemTrayIcon>
#include <QTimer>
#include <cstdint>
#include <functional>

#include "app/core.h"
#include "window_base.h"

namespace dx::ui {

// The tray icon, made only where the desktop has a tray: it shows the core's tray view (the
// link's state in its colour, the node and the users online in its tool tip) and hands a click
// and its menu's items to the program. A click brings the monitor and connections windows
// forward; the menu has Connect, History, Configuration and Exit.
class TrayIcon : public QObject {
    Q_OBJECT
  public:
    // The tool tip is set at most once in this long; what changes meanwhile is shown at its end.
    static constexpr int kToolTipEveryMs = 1000;

    // `openHistory` opens the History window; without a history kept the item is off, as the
    // connections window's is. Exit ends the program as closing the monitor window does.
    TrayIcon(Core& core, EventRunner runEvent, bool historyKept, std::function<void()> openHistory);

    // Brings the icon, its tool tip and its menu up to date with the core; only what changed.
    void sync();

    QSystemTrayIcon& icon() { return icon_; }
    QMenu& menu() { return menu_; }
    QAction* menuConnect;
    QAction* menuHistory;
    QAction* menuConfiguration;
    QAction* menuExit;
    // How often the tool tip and the icon were set, for the figures.
    std::uint64_t toolTipsSet() const { return toolTipsSet_; }
    std::uint64_t iconsSet() const { return iconsSet_; }

    // The icon drawn for a state, at `size` pixels square.
    static QPixmap drawn(LinkState state, int size);

  private:
    void showToolTip();

    Core& core_;
    EventRunner runEvent_;
    QSystemTrayIcon icon_;
    QMenu menu_;
    QTimer tipDue_;
    QElapsedTimer sinceTip_;
    std::uint64_t seenTray_ = 0;
    std::uint64_t seenConnect_ = 0;
    bool iconShown_ = false;
    LinkState shownState_ = LinkState::Down;
    QString shownTip_;
    std::uint64_t toolTipsSet_ = 0;
    std::uint64_t iconsSet_ = 0;
};

}  // namespace dx::ui
