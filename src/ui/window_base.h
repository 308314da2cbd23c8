#pragma once
#include <QCloseEvent>
#include <QEvent>
#include <QMoveEvent>
#include <QResizeEvent>
#include <QWidget>
#include <functional>
#include <utility>
#include <vector>

#include "bindings.h"
#include "common/view.h"

namespace dx::ui {

// What every top-level window does with its model: takes its place, size, caption, background,
// state and visibility from it, and reports the operator's moves and resizes back in twips.
// Reports are made only when the window no longer stands where the model says, so the program's
// own changes do not echo back with pixel rounding.
// Runs one handler of the program for an operator's action (under the program's event guard)
// and then brings every window up to date.
using EventRunner = std::function<void(const std::function<void()>&)>;

template <typename Base>
class ModelWindow : public Base {
  public:
    ModelWindow(WindowModel& model, EventRunner runEvent, QWidget* parent = nullptr)
        : Base(parent), model_(model), runEvent_(std::move(runEvent)) {}

    std::function<void(Twips, Twips)> onResized;
    std::function<void(Twips, Twips)> onMoved;
    std::function<void(WindowState)> onState;
    std::function<void()> onCloseRequest;

    void syncWindow() {
        if (model_.stamp() == seen_) return;
        seen_ = model_.stamp();
        applying_ = true;
        const QString caption = latin1Text(model_.caption());
        if (this->windowTitle() != caption) this->setWindowTitle(caption);
        QPalette pal = body_->palette();
        pal.setColor(QPalette::Window, toQColor(model_.back()));
        if (pal != body_->palette()) body_->setPalette(pal);
        body_->setAutoFillBackground(true);
        const Qt::WindowStates want = model_.state() == WindowState::Minimized   ? Qt::WindowMinimized
                                      : model_.state() == WindowState::Maximized ? Qt::WindowMaximized
                                                                                 : Qt::WindowNoState;
        if ((this->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)) != want)
            this->setWindowState(want);
        if (model_.state() == WindowState::Normal) placeWindow(this, model_);
        if (model_.shown() && !this->isVisible()) this->show();
        if (!model_.shown() && this->isVisible()) this->hide();
        if (model_.frontRequests() != seenFront_) {
            seenFront_ = model_.frontRequests();
            if (this->isVisible()) {
                this->raise();
                this->activateWindow();
            }
        }
        applying_ = false;
    }

  protected:
    // Runs a handler of the program, then brings every window up to date.
    void handle(const std::function<void()>& f) { runEvent_(f); }
    // Shows an element in a widget from now on.
    void bind(QWidget* widget, const Element& element) { bound_.emplace_back(widget, &element); }
    // Brings the bound widgets up to date with what changed since the last look.
    void syncElements() {
        for (auto& [widget, element] : bound_)
            if (element->stamp() > seenElements_) apply(widget, *element);
    }
    void markSynced() { seenElements_ = ViewClock::now(); }
    std::uint64_t seenElements() const { return seenElements_; }

    void resizeEvent(QResizeEvent* e) override {
        Base::resizeEvent(e);
        // A maximised window reports its size too (its contents follow it); a minimised one has none.
        if (applying_ || (this->windowState() & Qt::WindowMinimized) || !onResized) return;
        const QSize s = e->size();
        if (px(model_.width() - model_.frameWidth()) == s.width() &&
            px(model_.height() - model_.frameHeight()) == s.height())
            return;
        onResized(s.width() * kTwipsPerPixel + model_.frameWidth(),
                  s.height() * kTwipsPerPixel + model_.frameHeight());
    }
    void moveEvent(QMoveEvent* e) override {
        Base::moveEvent(e);
        if (applying_ || model_.state() != WindowState::Normal || !onMoved) return;
        const QPoint p = this->pos();
        if (px(model_.left()) == p.x() && px(model_.top()) == p.y()) return;
        onMoved(p.x() * kTwipsPerPixel, p.y() * kTwipsPerPixel);
    }
    void changeEvent(QEvent* e) override {
        Base::changeEvent(e);
        if (e->type() != QEvent::WindowStateChange || applying_ || !onState) return;
        const Qt::WindowStates s = this->windowState();
        onState(s & Qt::WindowMinimized   ? WindowState::Minimized
                : s & Qt::WindowMaximized ? WindowState::Maximized
                                          : WindowState::Normal);
    }
    void closeEvent(QCloseEvent* e) override {
        // The program decides what a close does; the window itself stays until it says so.
        e->ignore();
        if (onCloseRequest) onCloseRequest();
    }

    WindowModel& model_;
    // What the window's background colours: the whole window, or only its body under a menu bar.
    QWidget* body_ = this;
    EventRunner runEvent_;
    std::vector<std::pair<QWidget*, const Element*>> bound_;
    std::uint64_t seen_ = 0;
    std::uint64_t seenElements_ = 0;
    std::uint32_t seenFront_ = 0;
    bool applying_ = false;
};

}  // namespace dx::ui
