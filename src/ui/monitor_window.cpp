#include "monitor_window.h"

#include <QKeyEvent>

namespace dx::ui {

MonitorWindow::MonitorWindow(Core& core, EventRunner runEvent)
    : ModelWindow<QWidget>(core.monitor.window, std::move(runEvent)), core_(core) {
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
    pane->sync(core_.monitor.pane);
}

}  // namespace dx::ui
