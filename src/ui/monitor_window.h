#pragma once
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QWidget>
#include <array>

#include "app/core.h"
#include "find_bar.h"
#include "pane_view.h"
#include "window_base.h"

namespace dx::ui {

// The monitor window: the shown socket's boxes, the filters, the command line, the traffic pane and
// the bar that finds text in it (Ctrl+F).
class MonitorWindow : public ModelWindow<QWidget> {
    Q_OBJECT
  public:
    MonitorWindow(Core& core, PaneFind& find, EventRunner runEvent);

    void sync();

    QPushButton* connectButton;
    QPushButton* clearButton;
    QPushButton* autoButton;
    QPushButton* resetScreensButton;
    QLabel* socketLabel;
    QLineEdit* commandLine;
    QLineEdit* shownAddress;
    QLineEdit* shownPort;
    QLineEdit* shownCall;
    QCheckBox* showUnknown;
    QCheckBox* showIn;
    QCheckBox* showOut;
    PaneView* pane;
    FindBar* findBar;

  private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The find bar, while open, takes the top of the pane's place.
    void placeFindBar();

    Core& core_;
    PaneFind& find_;
    QShortcut* closeFind_;
};

}  // namespace dx::ui
