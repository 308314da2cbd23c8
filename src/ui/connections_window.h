#pragma once
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <vector>

#include "app/core.h"
#include "grid_widget.h"
#include "window_base.h"

namespace dx::ui {

// The connections window: the header of counters and marks, the port strip, the grid and the menus.
class ConnectionsWindow : public ModelWindow<QMainWindow> {
    Q_OBJECT
  public:
    ConnectionsWindow(Core& core, EventRunner runEvent);

    void sync();

    QWidget* client;
    GridWidget* grid;
    QPushButton* resetGreenButton;  // Reset Green
    QPushButton* rescanButton;      // Rescan
    QPushButton* scrollLeft;
    QPushButton* scrollRight;
    QCheckBox* watchOlderVersions;
    QAction* menuConfiguration;
    QAction* menuHelp;  // the operator's guide
    QAction* menuWatchList;
    QAction* menuAbout;
    QAction* menuResetScreens;
    QAction* menuHistory;               // opened by the program, which knows the history in use
    std::vector<QLineEdit*> portBoxes;  // portStrip(1..)

  private:
    QLabel* label(const Element& e);
    QLineEdit* box(const Element& e);

    Core& core_;
    bool arrowsAsText_ = false;
};

}  // namespace dx::ui
