#include "connections_window.h"

#include <QMenuBar>
#include <QResizeEvent>

namespace dx::ui {

QLabel* ConnectionsWindow::label(const Element& e) {
    auto* l = new QLabel(client);
    l->setFont(sansFont(true));
    bind(l, e);
    return l;
}

QLineEdit* ConnectionsWindow::box(const Element& e) {
    auto* b = new QLineEdit(client);
    b->setReadOnly(true);
    b->setFont(tahomaFont(true));
    b->setFocusPolicy(Qt::NoFocus);
    bind(b, e);
    return b;
}

ConnectionsWindow::ConnectionsWindow(Core& core, EventRunner runEvent)
    : ModelWindow<QMainWindow>(core.connects.window, std::move(runEvent)), core_(core) {
    ConnectionsModel& c = core_.connects;
    setFont(tahomaFont(true));
    client = new QWidget(this);
    setCentralWidget(client);
    body_ = client;  // the link indicator's colour is the body's; the menu bar keeps the desktop's
    grid = new GridWidget(c, client);
    grid->lower();

    label(c.usersLabel);
    label(c.usersCount);
    label(c.sessionHighWaterLabel);
    label(c.sessionHighWater);
    label(c.allTimeHighWaterLabel);
    label(c.allTimeHighWater);
    box(c.linkTime)->setFont(sansFont(false));
    box(c.kelCount);
    box(c.plainUserCount);
    box(c.nodeCount);
    box(c.noCallCount);
    box(c.unclassifiedCount);
    rescanButton = new QPushButton(client);
    rescanButton->setFont(sansFont(false));
    bind(rescanButton, c.rescanButton);
    box(c.latestVersion);
    watchOlderVersions = new QCheckBox(client);
    bind(watchOlderVersions, c.watchOlderVersions);
    label(c.nodeStartTime);
    resetGreenButton = new QPushButton(client);
    resetGreenButton->setFont(sansFont(false));
    bind(resetGreenButton, c.resetGreenButton);
    box(c.probeCount);
    scrollLeft = new QPushButton(client);
    scrollRight = new QPushButton(client);
    bind(scrollLeft, c.scrollLeftButton);
    bind(scrollRight, c.scrollRightButton);
    if (hasMarlett()) {
        scrollLeft->setFont(marlettFont());
        scrollRight->setFont(marlettFont());
    } else {
        arrowsAsText_ = true;  // without the arrow font, plain arrows stand in for its glyphs
    }
    label(c.trailingHighestLabel);

    QMenuBar* bar = menuBar();
    menuConfiguration = bar->addAction(QStringLiteral("Configuration"));
    menuWatchList = bar->addAction(QStringLiteral("Watch list"));
    menuHelp = bar->addAction(QStringLiteral("Help"));
    menuAbout = bar->addAction(QStringLiteral("About"));
    menuResetScreens = bar->addAction(QStringLiteral("Reset Screens"));
    menuHistory = bar->addAction(QStringLiteral("History"));

    connect(rescanButton, &QPushButton::clicked, this,
            [this] { handle([this] { core_.connectionsCommands.rescan(); }); });
    connect(resetGreenButton, &QPushButton::clicked, this,
            [this] { handle([this] { core_.connectionsCommands.resetGreen(); }); });
    connect(scrollLeft, &QPushButton::clicked, this,
            [this] { handle([this] { core_.connectionsCommands.scrollLeft(); }); });
    connect(scrollRight, &QPushButton::clicked, this,
            [this] { handle([this] { core_.connectionsCommands.scrollRight(); }); });
    connect(watchOlderVersions, &QCheckBox::toggled, this,
            [this](bool on) { handle([this, on] { core_.connects.watchOlderVersions.setChecked(on); }); });
    connect(grid, &GridWidget::callClicked, this,
            [this](int row) { handle([this, row] { core_.connectionsCommands.callClick(row); }); });
    connect(menuConfiguration, &QAction::triggered, this,
            [this] { handle([this] { core_.connectionsCommands.configuration(); }); });
    connect(menuWatchList, &QAction::triggered, this,
            [this] { handle([this] { core_.watchSettings.open(); }); });
    connect(menuAbout, &QAction::triggered, this,
            [this] { handle([this] { core_.connectionsCommands.about(); }); });
    connect(menuResetScreens, &QAction::triggered, this,
            [this] { handle([this] { core_.screens.resetScreens(); }); });

    onResized = [this](Twips w, Twips h) {
        handle([this, w, h] { core_.screens.connectionsResized(w, h); });
    };
    onMoved = [this](Twips l, Twips t) {
        handle([this, l, t] { Screens::moved(core_.connects.window, l, t); });
    };
    onState = [this](WindowState s) { handle([this, s] { core_.connects.window.setState(s); }); };
    onCloseRequest = [this] { handle([this] { core_.connectionsCommands.close(); }); };
}

void ConnectionsWindow::sync() {
    syncWindow();
    if (grid->geometry() != client->rect()) grid->setGeometry(client->rect());
    ConnectionsModel& c = core_.connects;
    // Port boxes are made as the node reports its ports.
    while (portBoxes.size() + 1 < c.portStrip.size()) {
        auto* b = new QLineEdit(client);
        b->setReadOnly(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setAlignment(Qt::AlignCenter);
        b->setFont(tahomaFont(true));
        apply(b, c.portStrip[portBoxes.size() + 1]);
        portBoxes.push_back(b);
    }
    syncElements();
    if (arrowsAsText_) {
        scrollLeft->setText(QStringLiteral("\u25C0"));
        scrollRight->setText(QStringLiteral("\u25B6"));
    }
    for (std::size_t i = 0; i < portBoxes.size(); ++i)
        if (c.portStrip[i + 1].stamp() > seenElements()) apply(portBoxes[i], c.portStrip[i + 1]);
    markSynced();
    grid->sync();
}

}  // namespace dx::ui
