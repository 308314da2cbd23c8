#pragma once
#include <QWidget>
#include <cstdint>

#include "views/connections_model.h"

namespace dx::ui {

// The connections grid drawn in one widget over the core's rows: each row's address, port and
// call cells at their twip places, with hit-testing for clicks and tool tips. A grid of thousands
// of rows costs one widget, not thousands.
class GridWidget : public QWidget {
    Q_OBJECT
  public:
    GridWidget(const ConnectionsModel& model, QWidget* parent);

    // Repaints when any cell changed since the last look.
    void sync();
    // The row whose call cell lies under a point, or -1.
    int callAt(const QPoint& p) const;

  signals:
    void callClicked(int row);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

  private:
    const Element* cellAt(const QPoint& p, int* row) const;

    const ConnectionsModel& model_;
    std::uint64_t seen_ = 0;
    // The call cell the left button went down on, or -1: a click is a press and a release there.
    int pressedCall_ = -1;
};

}  // namespace dx::ui
