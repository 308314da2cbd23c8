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
class FrmMonitor : public ModelWindow<QWidget> {
    Q_OBJECT
  public:
    FrmMonitor(Core& core, EventRunner runEvent);

    void sync();

    QPushButton* cmdConn;
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
    QLabel* Label1;
    QLineEdit* Text1;
    std::array<QLineEdit*, 3> txtRemote{};
    QCheckBox* chkUnknown;
    QCheckBox* chkIn;
    QCheckBox* chkOut;
    PaneView* RichTextBox1;

  private:
    bool eventFilter(QObject* watched, QEvent* event) override;

    Core& core_;
};

}  // namespace dx::ui
