#pragma once
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>
#include <cstdint>

#include "app/core.h"
#include "window_base.h"

namespace dx::ui {

// The watch-list window: the calls and patterns watched for, one a line, and whether the desktop
// shows notifications; OK, Apply and Cancel. It shows the core's watch-list model and hands the
// operator's edits and presses to the core.
class WatchListWindow : public QWidget {
    Q_OBJECT
  public:
    WatchListWindow(Core& core, EventRunner runEvent);

    void sync();

    QPlainTextEdit* patterns;
    QCheckBox* desktopNotices;
    QLabel* message;
    QPushButton* okButton;
    QPushButton* applyButton;
    QPushButton* cancelButton;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    Core& core_;
    EventRunner runEvent_;
    std::uint32_t seenRevision_ = 0;
    std::uint32_t seenFront_ = 0;
    bool syncing_ = false;
};

}  // namespace dx::ui
