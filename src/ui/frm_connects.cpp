#include "frm_connects.h"

#include <QMenuBar>
#include <QResizeEvent>

namespace dx::ui {

QLabel* FrmConnects::label(const Element& e) {
    auto* l = new QLabel(client);
    l->setFont(SansFont(true));
    bind(l, e);
    return l;
}

QLineEdit* FrmConnects::box(const Element& e) {
    auto* b = new QLineEdit(client);
    b->setReadOnly(true);
    b->setFont(TahomaFont(true));
    b->setFocusPolicy(Qt::NoFocus);
    bind(b, e);
    return b;
}

FrmConnects::FrmConnects(Core& core, EventRunner runEvent)
    : ModelWindow<QMainWindow>(core.connects.window, std::move(runEvent)), core_(core) {
    ConnectsWindow& c = core_.connects;
    setFont(TahomaFont(true));
    client = new QWidget(this);
    setCentralWidget(client);
    body_ = client;  // the link indicator's colour is the body's; the menu bar keeps the desktop's
    grid = new GridWidget(c, client);
    grid->lower();

    label(c.Label1);
    label(c.lblLinks);
    label(c.Label4);
    label(c.Label5);
    label(c.Label3);
    label(c.Label2);
    box(c.txtTime)->setFont(SansFont(false));
    box(c.txtKEL);
    box(c.txtNonKEL);
    box(c.txtNodes);
    box(c.txtBadUsers);
    box(c.txtUnknown);
    Command2 = new QPushButton(client);
    Command2->setFont(SansFont(false));
    bind(Command2, c.Command2);
    box(c.txtVersion);
    chkKELversion = new QCheckBox(client);
    bind(chkKELversion, c.chkKELversion);
    label(c.Label6);
    Command1 = new QPushButton(client);
    Command1->setFont(SansFont(false));
    bind(Command1, c.Command1);
    box(c.Text1);
    scrollLeft = new QPushButton(client);
    scrollRight = new QPushButton(client);
    bind(scrollLeft, c.cmdRawplus1);
    bind(scrollRight, c.cmdRawplus0);
    if (HasMarlett()) {
        scrollLeft->setFont(MarlettFont());
        scrollRight->setFont(MarlettFont());
    } else {
        arrowsAsText_ = true;  // without the arrow font, plain arrows stand in for its glyphs
    }
    label(c.Label7);

    QMenuBar* bar = menuBar();
    menuConfiguration = bar->addAction(QStringLiteral("Configuration"));
    bar->addAction(QStringLiteral("Help"));  // no action
    menuAbout = bar->addAction(QStringLiteral("About"));
    menuResetScreens = bar->addAction(QStringLiteral("Reset Screens"));

    connect(Command2, &QPushButton::clicked, this,
            [this] { handle([this] { core_.connectsCommands.Rescan(); }); });
    connect(Command1, &QPushButton::clicked, this,
            [this] { handle([this] { core_.connectsCommands.ResetGreen(); }); });
    connect(scrollLeft, &QPushButton::clicked, this,
            [this] { handle([this] { core_.connectsCommands.ScrollLeft(); }); });
    connect(scrollRight, &QPushButton::clicked, this,
            [this] { handle([this] { core_.connectsCommands.ScrollRight(); }); });
    connect(chkKELversion, &QCheckBox::toggled, this,
            [this](bool on) { handle([this, on] { core_.connects.chkKELversion.setChecked(on); }); });
    connect(grid, &GridWidget::callClicked, this,
            [this](int row) { handle([this, row] { core_.connectsCommands.CallClick(row); }); });
    connect(menuConfiguration, &QAction::triggered, this,
            [this] { handle([this] { core_.connectsCommands.Configuration(); }); });
    connect(menuAbout, &QAction::triggered, this,
            [this] { handle([this] { core_.connectsCommands.About(); }); });
    connect(menuResetScreens, &QAction::triggered, this,
            [this] { handle([this] { core_.screens.ResetScreens(); }); });

    onResized = [this](Twips w, Twips h) { handle([this, w, h] { core_.screens.ConnectsResized(w, h); }); };
    onMoved = [this](Twips l, Twips t) {
        handle([this, l, t] { Screens::Moved(core_.connects.window, l, t); });
    };
    onState = [this](WindowState s) { handle([this, s] { core_.connects.window.setState(s); }); };
    onCloseRequest = [this] { handle([this] { core_.connectsCommands.Close(); }); };
}

void FrmConnects::sync() {
    syncWindow();
    if (grid->geometry() != client->rect()) grid->setGeometry(client->rect());
    ConnectsWindow& c = core_.connects;
    // Port boxes are made as the node reports its ports.
    while (portBoxes.size() + 1 < c.txtReset.size()) {
        auto* b = new QLineEdit(client);
        b->setReadOnly(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setAlignment(Qt::AlignCenter);
        b->setFont(TahomaFont(true));
        Apply(b, c.txtReset[portBoxes.size() + 1]);
        portBoxes.push_back(b);
    }
    syncElements();
    if (arrowsAsText_) {
        scrollLeft->setText(QStringLiteral("\u25C0"));
        scrollRight->setText(QStringLiteral("\u25B6"));
    }
    for (std::size_t i = 0; i < portBoxes.size(); ++i)
        if (c.txtReset[i + 1].stamp() > seenElements()) Apply(portBoxes[i], c.txtReset[i + 1]);
    markSynced();
    grid->sync();
}

}  // namespace dx::ui
