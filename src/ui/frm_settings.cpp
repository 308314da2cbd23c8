#include "frm_settings.h"

namespace dx::ui {

FrmSettings::FrmSettings(Core& core, EventRunner runEvent)
    : ModelWindow<QWidget>(core.settings.window, std::move(runEvent)), core_(core) {
    SettingsWindow& s = core_.settings;
    setFont(SansFont(false));
    for (std::size_t i = 1; i < 4; ++i) {
        lblSettings[i] = new QLabel(this);
        lblSettings[i]->setAlignment(Qt::AlignCenter);
        bind(lblSettings[i], s.lblSettings[i]);
        txtSettings[i] = new QLineEdit(this);
        bind(txtSettings[i], s.txtSettings[i]);
    }
    for (std::size_t i = 0; i < 2; ++i) {
        cmdButton[i] = new QPushButton(this);
        bind(cmdButton[i], s.cmdButton[i]);
    }
    Command1 = new QPushButton(this);
    Command1->setFont(TahomaFont(false));
    bind(Command1, s.Command1);

    setTabOrder(txtSettings[1], cmdButton[0]);
    setTabOrder(cmdButton[0], cmdButton[1]);
    setTabOrder(cmdButton[1], txtSettings[2]);
    setTabOrder(txtSettings[2], txtSettings[3]);
    setTabOrder(txtSettings[3], Command1);

    for (std::size_t i = 2; i < 4; ++i) {
        connect(txtSettings[i], &QLineEdit::textEdited, this,
                [this, i](const QString& t) { core_.settings.txtSettings[i].setText(Bytes(t)); });
    }
    connect(cmdButton[1], &QPushButton::clicked, this,
            [this] { handle([this] { core_.settingsCommands.Apply(); }); });
    connect(cmdButton[0], &QPushButton::clicked, this,
            [this] { handle([this] { core_.settingsCommands.Exit(); }); });
    connect(Command1, &QPushButton::clicked, this,
            [this] { handle([this] { core_.screens.ResetScreens(); }); });

    onResized = [this](Twips w, Twips h) { handle([this, w, h] { core_.screens.SettingsResized(w, h); }); };
    onMoved = [this](Twips l, Twips t) {
        handle([this, l, t] { Screens::Moved(core_.settings.window, l, t); });
    };
    onState = [this](WindowState st) { handle([this, st] { core_.settings.window.setState(st); }); };
    // Closing the settings window puts it away as Exit does; its texts stay.
    onCloseRequest = [this] { handle([this] { core_.settingsCommands.Exit(); }); };
}

void FrmSettings::sync() {
    if (!core_.settings.window.loaded()) return;
    syncWindow();
    syncElements();
    markSynced();
}

}  // namespace dx::ui
