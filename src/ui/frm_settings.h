#pragma once
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <array>

#include "app/core.h"
#include "window_base.h"

namespace dx::ui {

// The settings window: the node's address and port.
class FrmSettings : public ModelWindow<QWidget> {
    Q_OBJECT
  public:
    FrmSettings(Core& core, EventRunner runEvent);

    void sync();

    std::array<QLabel*, 4> lblSettings{};
    std::array<QLineEdit*, 4> txtSettings{};
    std::array<QPushButton*, 2> cmdButton{};
    QPushButton* Command1;

  private:
    Core& core_;
};

}  // namespace dx::ui
