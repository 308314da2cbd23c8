#pragma once
#include <QtCharts/QAreaSeries>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <array>
#include <vector>

#include "history/shown_span.h"
#include "history/users_over_time.h"

class QGraphicsLineItem;
class QRubberBand;

namespace dx::ui {

// The History window's plot: the users over time stacked by kind in the header's colours, the
// most users seen as a line, and the stretches with the link down shaded. The wheel zooms about
// the pointer, a drag moves along the time, a drag with the right button (or with Shift) picks
// a stretch to show, and a double click goes back to the whole range. The window decides what
// is shown; the plot says what the operator asks for.
class UsersPlot : public QChartView {
    Q_OBJECT
  public:
    explicit UsersPlot(QWidget* parent = nullptr);

    // Draws `buckets`, which cover `span`, and shades `downs`.
    void draw(TimeSpan span, const std::vector<CountBucket>& buckets, const std::vector<TimeSpan>& downs);
    TimeSpan drawnSpan() const { return span_; }
    // How many pixels wide the plot's area is: no more buckets are worth drawing.
    int plotPixels() const;

    std::array<QLineSeries*, kCountedKinds.size()> kindTops{};  // each kind's top, stacked
    std::array<QAreaSeries*, kCountedKinds.size()> kinds{};
    QLineSeries* mostUsers = nullptr;
    QLineSeries* linkDownTop = nullptr;  // the shading's outline: up to the top while down
    QAreaSeries* linkDown = nullptr;

  signals:
    // Seconds since 1970, UTC.
    void zoomWanted(double factor, qint64 around);
    void panWanted(qint64 seconds);
    void spanPicked(qint64 from, qint64 until);
    void wholeRangeWanted();
    void hovered(qint64 at);  // -1: the pointer left the plot
    void resized();

  protected:
    void wheelEvent(QWheelEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

  private:
    // The time at a point of the view, within the span drawn.
    qint64 timeAt(QPointF viewPoint) const;
    QRectF plotArea() const;

    QCategoryAxis* timeAxis_ = nullptr;
    QValueAxis* usersAxis_ = nullptr;
    TimeSpan span_{};
    QRubberBand* band_ = nullptr;
    QGraphicsLineItem* marker_ = nullptr;  // the time under the pointer
    QPoint pressedAt_;
    int lastX_ = 0;
    bool panning_ = false;
    bool picking_ = false;
};

}  // namespace dx::ui
