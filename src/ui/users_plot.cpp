#include "users_plot.h"

#include <QGraphicsLineItem>
#include <QGraphicsScene>
#include <QMouseEvent>
#include <QRubberBand>
#include <QWheelEvent>
#include <QtCharts/QLegend>
#include <algorithm>
#include <cmath>

#include "bindings.h"
#include "sockets/socket_events.h"

namespace dx::ui {

namespace {
qreal secondsOf(UtcTime t) {
    return static_cast<qreal>(t.time_since_epoch().count());
}
// One notch of the wheel zooms in to four fifths, or back out.
constexpr double kZoomPerNotch = 0.8;
// A pick narrower than this is taken for a click.
constexpr int kNarrowestPick = 4;
}  // namespace

// The view owns the chart made with it (one set later would be left to its maker).
UsersPlot::UsersPlot(QWidget* parent) : QChartView(new QChart, parent) {
    QChart* plot = chart();
    plot->setMargins(QMargins(4, 4, 4, 4));
    plot->legend()->setAlignment(Qt::AlignBottom);
    setRenderHint(QPainter::Antialiasing, false);
    setMouseTracking(true);

    timeAxis_ = new QCategoryAxis;
    timeAxis_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    timeAxis_->setTitleText(QStringLiteral("UTC"));
    usersAxis_ = new QValueAxis;
    usersAxis_->setLabelFormat(QStringLiteral("%d"));
    usersAxis_->setTitleText(QStringLiteral("Users"));
    plot->addAxis(timeAxis_, Qt::AlignBottom);
    plot->addAxis(usersAxis_, Qt::AlignLeft);

    const auto attach = [&](QAbstractSeries* s) {
        plot->addSeries(s);
        s->attachAxis(timeAxis_);
        s->attachAxis(usersAxis_);
    };
    // Behind the users: the link's downs.
    linkDownTop = new QLineSeries(this);
    linkDown = new QAreaSeries(linkDownTop);
    linkDown->setName(QStringLiteral("link down"));
    linkDown->setBrush(QColor(96, 96, 96, 60));
    linkDown->setPen(Qt::NoPen);
    attach(linkDown);
    QLineSeries* below = nullptr;
    for (std::size_t k = 0; k < kCountedKinds.size(); ++k) {
        kindTops[k] = new QLineSeries(this);
        kinds[k] = new QAreaSeries(kindTops[k], below);
        const QColor colour = toQColor(plottedKindColour(kCountedKinds[k]));
        kinds[k]->setName(QString::fromLatin1(userKindName(kCountedKinds[k])));
        kinds[k]->setBrush(colour);
        kinds[k]->setPen(QPen(colour.darker(135), 1));
        attach(kinds[k]);
        below = kindTops[k];
    }
    mostUsers = new QLineSeries;
    mostUsers->setName(QStringLiteral("most users"));
    mostUsers->setPen(QPen(Qt::black, 1));
    attach(mostUsers);
    band_ = new QRubberBand(QRubberBand::Rectangle, this);
    marker_ = scene()->addLine(QLineF(), QPen(QColor(0, 0, 160), 1, Qt::DashLine));
    marker_->setZValue(100);
    marker_->hide();
}

void UsersPlot::draw(TimeSpan span, const std::vector<CountBucket>& buckets,
                     const std::vector<TimeSpan>& downs) {
    span_ = span;
    const qreal from = secondsOf(span.from), until = secondsOf(span.until);
    std::array<QList<QPointF>, kCountedKinds.size()> tops;
    QList<QPointF> most;
    for (auto& t : tops) t.reserve(static_cast<qsizetype>(buckets.size()));
    most.reserve(static_cast<qsizetype>(buckets.size()));
    int highest = 5;
    // Before the first minute counted and after the last, nothing is drawn: the history does not
    // reach there (yet), and the link's shading says why.
    auto first = buckets.begin(), last = buckets.end();
    while (first != last && !first->counted) ++first;
    while (last != first && !(last - 1)->counted) --last;
    for (auto at = first; at != last; ++at) {
        const CountBucket& b = *at;
        const qreal x = secondsOf(b.start);
        int stacked = 0;
        for (std::size_t k = 0; k < tops.size(); ++k) {
            stacked += b.counted ? b.busiest.kinds[k] : 0;
            tops[k].append(QPointF(x, stacked));
        }
        most.append(QPointF(x, b.mostUsers));
        highest = std::max({highest, stacked, int(b.mostUsers)});
    }
    for (std::size_t k = 0; k < tops.size(); ++k) kindTops[k]->replace(tops[k]);
    mostUsers->replace(most);
    // A round top a little above the highest, in at most six round steps.
    const double wanted = highest * 1.05;
    double step = std::pow(10.0, std::floor(std::log10(wanted / 6)));
    for (const double times : {1.0, 2.0, 2.5, 5.0, 10.0})
        if (wanted / (step * times) <= 6) {
            step *= times;
            break;
        }
    const double ceiling = std::ceil(wanted / step) * step;
    usersAxis_->setRange(0, ceiling);
    usersAxis_->setTickCount(static_cast<int>(std::lround(ceiling / step)) + 1);

    QList<QPointF> shade{QPointF(from, 0)};
    for (const TimeSpan& d : downs) {
        shade << QPointF(secondsOf(d.from), 0) << QPointF(secondsOf(d.from), ceiling)
              << QPointF(secondsOf(d.until), ceiling) << QPointF(secondsOf(d.until), 0);
    }
    shade << QPointF(until, 0);
    linkDownTop->replace(shade);

    for (const QString& label : timeAxis_->categoriesLabels()) timeAxis_->remove(label);
    timeAxis_->setStartValue(from);
    const int marks = std::max(2, plotPixels() / 95);
    for (const TimeTick& tick : timeTicks(span, marks)) {
        // A label at the very end would be cut by the plot's edge.
        if ((span.until - tick.at) * 25 < span.length()) continue;
        timeAxis_->append(QString::fromStdString(tick.label), secondsOf(tick.at));
    }
    timeAxis_->setRange(from, until);
}

QRectF UsersPlot::plotArea() const {
    return mapFromScene(chart()->mapToScene(chart()->plotArea())).boundingRect();
}

int UsersPlot::plotPixels() const {
    const int area = static_cast<int>(plotArea().width());
    // Before the chart's first layout its area is not known yet: the view's width less the axes.
    return area >= 50 ? area : std::max(width() - 90, 100);
}

qint64 UsersPlot::timeAt(QPointF p) const {
    const QRectF area = plotArea();
    const double part = area.width() > 0 ? std::clamp((p.x() - area.left()) / area.width(), 0.0, 1.0) : 0.0;
    return span_.from.time_since_epoch().count() +
           std::llround(part * static_cast<double>(span_.length().count()));
}

void UsersPlot::wheelEvent(QWheelEvent* e) {
    const double notches = e->angleDelta().y() / 120.0;
    if (notches != 0) emit zoomWanted(std::pow(kZoomPerNotch, notches), timeAt(e->position()));
    e->accept();
}

void UsersPlot::mousePressEvent(QMouseEvent* e) {
    pressedAt_ = e->position().toPoint();
    lastX_ = pressedAt_.x();
    picking_ = e->button() == Qt::RightButton ||
               (e->button() == Qt::LeftButton && (e->modifiers() & Qt::ShiftModifier));
    panning_ = !picking_ && e->button() == Qt::LeftButton;
    if (picking_) {
        const QRectF area = plotArea();
        band_->setGeometry(QRect(pressedAt_.x(), int(area.top()), 1, int(area.height())));
        band_->show();
    }
    e->accept();
}

void UsersPlot::mouseMoveEvent(QMouseEvent* e) {
    const QPoint at = e->position().toPoint();
    if (panning_) {
        const QRectF area = plotArea();
        if (area.width() > 0 && at.x() != lastX_) {
            const double seconds =
                -(at.x() - lastX_) / area.width() * static_cast<double>(span_.length().count());
            lastX_ = at.x();
            emit panWanted(std::llround(seconds));
        }
    } else if (picking_) {
        const QRectF area = plotArea();
        band_->setGeometry(QRect(QPoint(std::min(at.x(), pressedAt_.x()), int(area.top())),
                                 QSize(std::abs(at.x() - pressedAt_.x()) + 1, int(area.height()))));
    } else {
        const QRectF area = plotArea();
        const bool inside = area.contains(e->position());
        if (inside) {
            const QPointF top = mapToScene(QPoint(at.x(), int(area.top())));
            const QPointF bottom = mapToScene(QPoint(at.x(), int(area.bottom())));
            marker_->setLine(QLineF(top, bottom));
        }
        marker_->setVisible(inside);
        emit hovered(inside ? timeAt(e->position()) : -1);
    }
    e->accept();
}

void UsersPlot::mouseReleaseEvent(QMouseEvent* e) {
    if (picking_) {
        band_->hide();
        const int x = e->position().toPoint().x();
        if (std::abs(x - pressedAt_.x()) >= kNarrowestPick) {
            const qint64 a = timeAt(QPointF(pressedAt_)), b = timeAt(e->position());
            emit spanPicked(std::min(a, b), std::max(a, b));
        }
    }
    picking_ = panning_ = false;
    e->accept();
}

void UsersPlot::mouseDoubleClickEvent(QMouseEvent* e) {
    emit wholeRangeWanted();
    e->accept();
}

void UsersPlot::leaveEvent(QEvent* e) {
    marker_->hide();
    emit hovered(-1);
    QChartView::leaveEvent(e);
}

void UsersPlot::resizeEvent(QResizeEvent* e) {
    QChartView::resizeEvent(e);
    emit resized();
}

}  // namespace dx::ui
