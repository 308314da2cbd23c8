#include "settings_window.h"

namespace dx::ui {

SettingsWindow::SettingsWindow(Core& core, EventRunner runEvent)
    : ModelWindow<QWidget>(core.settings.window, std::move(runEvent)), core_(core) {
    SettingsModel& s = core_.settings;
    setFont(sansFont(false));
    // Made in the design's order, which is also the order they stack in.
    const auto label = [this](QLabel*& made, const Element& e) {
        made = new QLabel(this);
        made->setAlignment(Qt::AlignCenter);
        bind(made, e);
    };
    const auto box = [this](QLineEdit*& made, const Element& e) {
        made = new QLineEdit(this);
        bind(made, e);
    };
    label(spareLabel, s.spareLabel);
    box(timerNumberBox, s.timerNumberBox);
    label(hostLabel, s.hostLabel);
    box(hostBox, s.hostBox);
    label(portLabel, s.portLabel);
    box(portBox, s.portBox);
    for (auto [made, e] : {std::pair{&exitButton, &s.exitButton}, std::pair{&applyButton, &s.applyButton}}) {
        *made = new QPushButton(this);
        bind(*made, *e);
    }
    resetScreensButton = new QPushButton(this);
    resetScreensButton->setFont(tahomaFont(false));
    bind(resetScreensButton, s.resetScreensButton);

    setTabOrder(timerNumberBox, exitButton);
    setTabOrder(exitButton, applyButton);
    setTabOrder(applyButton, hostBox);
    setTabOrder(hostBox, portBox);
    setTabOrder(portBox, resetScreensButton);

    connect(hostBox, &QLineEdit::textEdited, this,
            [this](const QString& t) { core_.settings.hostBox.setText(latin1Bytes(t)); });
    connect(portBox, &QLineEdit::textEdited, this,
            [this](const QString& t) { core_.settings.portBox.setText(latin1Bytes(t)); });
    connect(applyButton, &QPushButton::clicked, this,
            [this] { handle([this] { core_.settingsCommands.apply(); }); });
    connect(exitButton, &QPushButton::clicked, this,
            [this] { handle([this] { core_.settingsCommands.exit(); }); });
    connect(resetScreensButton, &QPushButton::clicked, this,
            [this] { handle([this] { core_.screens.resetScreens(); }); });

    onResized = [this](Twips w, Twips h) { handle([this, w, h] { core_.screens.settingsResized(w, h); }); };
    onMoved = [this](Twips l, Twips t) {
        handle([this, l, t] { Screens::moved(core_.settings.window, l, t); });
    };
    onState = [this](WindowState st) { handle([this, st] { core_.settings.window.setState(st); }); };
    // Closing the settings window puts it away as Exit does; its texts stay.
    onCloseRequest = [this] { handle([this] { core_.settingsCommands.exit(); }); };
}

void SettingsWindow::sync() {
    if (!core_.settings.window.loaded()) return;
    syncWindow();
    syncElements();
    markSynced();
}

}  // namespace dx::ui
