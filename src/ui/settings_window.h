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
class SettingsWindow : public ModelWindow<QWidget> {
    Q_OBJECT
  public:
    SettingsWindow(Core& core, EventRunner runEvent);

    void sync();

    QLabel* spareLabel;
    QLabel* hostLabel;
    QLabel* portLabel;
    QLineEdit* timerNumberBox;
    QLineEdit* hostBox;
    QLineEdit* portBox;
    QPushButton* exitButton;
    QPushButton* applyButton;
    QPushButton* resetScreensButton;

  private:
    Core& core_;
};

}  // namespace dx::ui
