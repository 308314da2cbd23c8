#include "frm_monitor.h"

#include <QKeyEvent>

namespace dx::ui {

FrmMonitor::FrmMonitor(Core& core, EventRunner runEvent)
    : ModelWindow<QWidget>(core.monitor.window, std::move(runEvent)), core_(core) {
    MonitorWindow& m = core_.monitor;
    setFont(SansFont(false));
    cmdConn = new QPushButton(this);
    Command1 = new QPushButton(this);
    Command2 = new QPushButton(this);
    Command3 = new QPushButton(this);
    Command3->setFont(TahomaFont(false));
    Label1 = new QLabel(this);
    Text1 = new QLineEdit(this);
    Text1->setFont(TahomaFont(true));
    for (auto& box : txtRemote) {
        box = new QLineEdit(this);
        box->setFont(TahomaFont(true));
        box->setReadOnly(true);
    }
    chkUnknown = new QCheckBox(this);
    chkIn = new QCheckBox(this);
    chkOut = new QCheckBox(this);
    RichTextBox1 = new PaneView(this);
    for (QLineEdit* box : {Text1, txtRemote[0], txtRemote[1], txtRemote[2]}) box->setFrame(true);

    bind(cmdConn, m.cmdConn);
    bind(Command1, m.Command1);
    bind(Command2, m.Command2);
    bind(Command3, m.Command3);
    bind(Label1, m.Label1);
    bind(Text1, m.Text1);
    for (std::size_t i = 0; i < 3; ++i) bind(txtRemote[i], m.txtRemote[i]);
    bind(chkUnknown, m.chkUnknown);
    bind(chkIn, m.chkIn);
    bind(chkOut, m.chkOut);
    bind(RichTextBox1, m.RichTextBox1);

    connect(cmdConn, &QPushButton::clicked, this, [this] { handle([this] { core_.link.ConnectToNode(); }); });
    connect(Command1, &QPushButton::clicked, this,
            [this] { handle([this] { core_.monitorButtons.Clear(); }); });
    connect(Command2, &QPushButton::clicked, this,
            [this] { handle([this] { core_.monitorButtons.Auto(); }); });
    connect(Command3, &QPushButton::clicked, this,
            [this] { handle([this] { core_.screens.ResetScreens(); }); });
    const auto tick = [this](QCheckBox* box, Element& e) {
        connect(box, &QCheckBox::toggled, this,
                [this, &e](bool on) { handle([&e, on] { e.setChecked(on); }); });
    };
    tick(chkUnknown, m.chkUnknown);
    tick(chkIn, m.chkIn);
    tick(chkOut, m.chkOut);
    connect(Text1, &QLineEdit::textEdited, this,
            [this](const QString& t) { core_.monitor.Text1.setText(Bytes(t)); });
    Text1->installEventFilter(this);

    onResized = [this](Twips w, Twips h) { handle([this, w, h] { core_.screens.MonitorResized(w, h); }); };
    onMoved = [this](Twips l, Twips t) {
        handle([this, l, t] { Screens::Moved(core_.monitor.window, l, t); });
    };
    onState = [this](WindowState s) { handle([this, s] { core_.monitor.window.setState(s); }); };
    onCloseRequest = [this] { handle([this] { core_.link.MonitorUnload(); }); };
}

bool FrmMonitor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Text1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            core_.monitor.Text1.setText(Bytes(Text1->text()));
            handle([this] { core_.commands.Text1KeyPress(CommandLine::kEnter); });
            return true;  // swallowed: no line break, no beep
        }
    }
    return ModelWindow<QWidget>::eventFilter(watched, event);
}

void FrmMonitor::sync() {
    syncWindow();
    syncElements();
    markSynced();
    RichTextBox1->sync(core_.monitor.pane);
}

}  // namespace dx::ui
