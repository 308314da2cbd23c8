#include "monitor_window.h"

#include <QKeyEvent>

namespace dx::ui {

MonitorWindow::MonitorWindow(Core& core, PaneFind& find, EventRunner runEvent)
    : ModelWindow<QWidget>(core.monitor.window, std::move(runEvent)), core_(core), find_(find) {
    MonitorModel& m = core_.monitor;
    setFont(sansFont(false));
    connectButton = new QPushButton(this);
    clearButton = new QPushButton(this);
    autoButton = new QPushButton(this);
    resetScreensButton = new QPushButton(this);
    resetScreensButton->setFont(tahomaFont(false));
    socketLabel = new QLabel(this);
    commandLine = new QLineEdit(this);
    commandLine->setFont(tahomaFont(true));
    for (QLineEdit** shown : {&shownAddress, &shownPort, &shownCall}) {
        QLineEdit*& box = *shown;
        box = new QLineEdit(this);
        box->setFont(tahomaFont(true));
        box->setReadOnly(true);
    }
    showUnknown = new QCheckBox(this);
    showIn = new QCheckBox(this);
    showOut = new QCheckBox(this);
    pane = new PaneView(this);
    pane->showFind(&find_);
    findBar = new FindBar(this);
    for (QLineEdit* box : {commandLine, shownAddress, shownPort, shownCall}) box->setFrame(true);

    bind(connectButton, m.connectButton);
    bind(clearButton, m.clearButton);
    bind(autoButton, m.autoButton);
    bind(resetScreensButton, m.resetScreensButton);
    bind(socketLabel, m.socketLabel);
    bind(commandLine, m.commandLine());
    bind(shownAddress, m.shownAddress);
    bind(shownPort, m.shownPort);
    bind(shownCall, m.shownCall);
    bind(showUnknown, m.showUnknown);
    bind(showIn, m.showIn);
    bind(showOut, m.showOut);
    bind(pane, m.paneBox);

    connect(connectButton, &QPushButton::clicked, this,
            [this] { handle([this] { core_.reconnect.connectNow(); }); });
    connect(clearButton, &QPushButton::clicked, this,
            [this] { handle([this] { core_.monitorButtons.clearPane(); }); });
    connect(autoButton, &QPushButton::clicked, this,
            [this] { handle([this] { core_.monitorButtons.toggleAuto(); }); });
    connect(resetScreensButton, &QPushButton::clicked, this,
            [this] { handle([this] { core_.screens.resetScreens(); }); });
    const auto tick = [this](QCheckBox* box, Element& e) {
        connect(box, &QCheckBox::toggled, this,
                [this, &e](bool on) { handle([&e, on] { e.setChecked(on); }); });
    };
    tick(showUnknown, m.showUnknown);
    tick(showIn, m.showIn);
    tick(showOut, m.showOut);
    connect(commandLine, &QLineEdit::textEdited, this,
            [this](const QString& t) { core_.monitor.setCommandLine(latin1Bytes(t)); });
    commandLine->installEventFilter(this);

    // Finding text in the pane.
    auto* openFind = new QShortcut(QKeySequence::Find, this);
    connect(openFind, &QShortcut::activated, this, [this] {
        handle([this] { find_.open(); });
        findBar->findText->setFocus(Qt::ShortcutFocusReason);
        findBar->findText->selectAll();
    });
    connect(new QShortcut(QKeySequence(Qt::Key_F3), this), &QShortcut::activated, this,
            [this] { handle([this] { find_.next(); }); });
    connect(new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), this), &QShortcut::activated, this,
            [this] { handle([this] { find_.previous(); }); });
    closeFind_ = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    closeFind_->setEnabled(false);  // Esc means nothing else here, and nothing while the bar is closed
    connect(closeFind_, &QShortcut::activated, this, [this] {
        const bool hadFocus = findBar->isAncestorOf(focusWidget());
        handle([this] { find_.close(); });
        if (hadFocus) pane->setFocus(Qt::ShortcutFocusReason);
    });
    connect(findBar->findText, &QLineEdit::textEdited, this,
            [this](const QString& t) { handle([this, text = latin1Bytes(t)] { find_.setText(text); }); });
    connect(findBar->findText, &QLineEdit::returnPressed, this, [this] { handle([this] { find_.next(); }); });
    connect(findBar->matchCase, &QCheckBox::toggled, this,
            [this](bool on) { handle([this, on] { find_.setMatchCase(on); }); });
    connect(findBar->regularExpression, &QCheckBox::toggled, this,
            [this](bool on) { handle([this, on] { find_.setRegularExpression(on); }); });

    onResized = [this](Twips w, Twips h) { handle([this, w, h] { core_.screens.monitorResized(w, h); }); };
    onMoved = [this](Twips l, Twips t) {
        handle([this, l, t] { Screens::moved(core_.monitor.window, l, t); });
    };
    onState = [this](WindowState s) { handle([this, s] { core_.monitor.window.setState(s); }); };
    onCloseRequest = [this] { handle([this] { core_.link.monitorUnload(); }); };
}

bool MonitorWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == commandLine && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            core_.monitor.setCommandLine(latin1Bytes(commandLine->text()));
            handle([this] { core_.monitorButtons.onCommandLineKey(MonitorButtons::kEnter); });
            return true;  // swallowed: no line break, no beep
        }
    }
    return ModelWindow<QWidget>::eventFilter(watched, event);
}

void MonitorWindow::sync() {
    syncWindow();
    syncElements();
    markSynced();
    find_.follow();
    findBar->sync(find_);
    placeFindBar();
    closeFind_->setEnabled(find_.isOpen());
    pane->sync(core_.monitor.pane);
}

void MonitorWindow::placeFindBar() {
    QRect place = pxRect(core_.monitor.paneBox.place());
    if (find_.isOpen()) {
        const int height = findBar->sizeHint().height();
        const QRect bar(place.left(), place.top(), place.width(), height);
        if (findBar->geometry() != bar) findBar->setGeometry(bar);
        place.setTop(place.top() + height + 2);
    }
    if (findBar->isVisible() != find_.isOpen()) findBar->setVisible(find_.isOpen());
    if (pane->geometry() != place) pane->setGeometry(place);
}

}  // namespace dx::ui
