#pragma once
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <array>

#include "app/core.h"
#include "pane_view.h"
#include "window_base.h"

namespace dx::ui {

// The monitor window: the shown socket's boxes, the filters, the command line and the traffic pane.
class MonitorWindow : public ModelWindow<QWidget> {
    Q_OBJECT
  public:
    MonitorWindow(Core& core, EventRunner runEvent);

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

  private:
    bool eventFilter(QObject* watched, QEvent* event) override;

    Core& core_;
};

}  // namespace dx::ui
