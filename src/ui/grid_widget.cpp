#include "grid_widget.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>

#include "bindings.h"

namespace dx::ui {

GridWidget::GridWidget(const ConnectionsModel& model, QWidget* parent) : QWidget(parent), model_(model) {
    setFont(tahomaFont(true));
    setMouseTracking(false);
}

void GridWidget::sync() {
    // A sum of every shown row's stamps changes with any change to a cell and with any row
    // removed or added.
    std::uint64_t sum = 0;
    const auto& rows = model_.rows;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        if (!model_.rowExists[i]) continue;
        sum += rows[i].address.stamp() + rows[i].port.stamp() + rows[i].call.stamp();
    }
    if (sum != seen_) {
        seen_ = sum;
        update();
    }
}

void GridWidget::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRect clip = event->rect();
    const QFontMetrics fm(font());
    const auto& rows = model_.rows;
    const auto drawCell = [&](const Element& e, bool centred, bool label) {
        if (!e.visible()) return;
        const QRect r = pxRect(e.place());
        if (!r.intersects(clip)) return;
        p.fillRect(r, toQColor(e.back()));
        p.setPen(label ? QColor(Qt::black) : QColor(128, 128, 128));
        p.drawRect(r.adjusted(0, 0, -1, -1));
        p.setPen(toQColor(e.fore()));
        const QRect inner = r.adjusted(3, 0, -3, 0);
        p.drawText(inner, Qt::AlignVCenter | (centred ? Qt::AlignHCenter : Qt::AlignLeft),
                   fm.elidedText(latin1Text(e.text()), Qt::ElideNone, inner.width()));
    };
    for (std::size_t i = 1; i < rows.size(); ++i) {
        if (!model_.rowExists[i]) continue;
        drawCell(rows[i].address, true, true);
        drawCell(rows[i].port, false, false);
        drawCell(rows[i].call, false, false);
    }
}

const Element* GridWidget::cellAt(const QPoint& pt, int* row) const {
    const auto& rows = model_.rows;
    // Later rows lie on top where places overlap, so look from the last one down.
    for (std::size_t i = rows.size(); i-- > 1;) {
        if (!model_.rowExists[i]) continue;
        for (const Element* e : {&rows[i].call, &rows[i].port, &rows[i].address}) {
            if (e->visible() && pxRect(e->place()).contains(pt)) {
                *row = static_cast<int>(i);
                return e;
            }
        }
    }
    return nullptr;
}

int GridWidget::callAt(const QPoint& p) const {
    int row = -1;
    const Element* e = cellAt(p, &row);
    return e != nullptr && e == &model_.rows[static_cast<std::size_t>(row)].call ? row : -1;
}

void GridWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) pressedCall_ = callAt(event->position().toPoint());
    QWidget::mousePressEvent(event);
}

void GridWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click is no new click: its first press and release were one.
    if (event->button() == Qt::LeftButton) pressedCall_ = -1;
    event->accept();
}

void GridWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const int pressed = pressedCall_;
        pressedCall_ = -1;
        if (pressed > 0 && callAt(event->position().toPoint()) == pressed) emit callClicked(pressed);
    }
    QWidget::mouseReleaseEvent(event);
}

bool GridWidget::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        int row = -1;
        const Element* e = cellAt(help->pos(), &row);
        if (e != nullptr && !e->tip().empty()) {
            QToolTip::showText(help->globalPos(), latin1Text(e->tip()), this, pxRect(e->place()));
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return QWidget::event(event);
}

}  // namespace dx::ui
