#include "watch_list_window.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QVBoxLayout>

#include "latin1.h"

namespace dx::ui {

WatchListWindow::WatchListWindow(Core& core, EventRunner runEvent)
    : core_(core), runEvent_(std::move(runEvent)) {
    setWindowTitle(QStringLiteral("Watch list"));
    auto* layout = new QVBoxLayout(this);
    auto* help = new QLabel(QStringLiteral("One call or pattern a line; * stands for any run of characters "
                                           "(DL*, */P). A call is found with or without its SSID."),
                            this);
    help->setWordWrap(true);
    layout->addWidget(help);
    patterns = new QPlainTextEdit(this);
    patterns->setTabChangesFocus(true);
    layout->addWidget(patterns, 1);
    desktopNotices = new QCheckBox(QStringLiteral("Desktop notifications"), this);
    layout->addWidget(desktopNotices);
    message = new QLabel(this);
    message->setWordWrap(true);
    message->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(message);
    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Apply | QDialogButtonBox::Cancel, this);
    okButton = buttons->button(QDialogButtonBox::Ok);
    applyButton = buttons->button(QDialogButtonBox::Apply);
    cancelButton = buttons->button(QDialogButtonBox::Cancel);
    layout->addWidget(buttons);
    resize(320, 360);

    // What is typed is the core's at once, as the settings window's boxes are.
    connect(patterns, &QPlainTextEdit::textChanged, this, [this] {
        if (!syncing_) core_.watchSettings.edited(latin1Bytes(patterns->toPlainText()));
    });
    connect(desktopNotices, &QCheckBox::toggled, this, [this](bool on) {
        if (!syncing_) core_.watchSettings.desktopTicked(on);
    });
    connect(okButton, &QPushButton::clicked, this,
            [this] { runEvent_([this] { core_.watchSettings.ok(); }); });
    connect(applyButton, &QPushButton::clicked, this,
            [this] { runEvent_([this] { core_.watchSettings.apply(); }); });
    connect(cancelButton, &QPushButton::clicked, this,
            [this] { runEvent_([this] { core_.watchSettings.cancel(); }); });
}

void WatchListWindow::closeEvent(QCloseEvent* event) {
    // Closing the window is Cancel; the program puts it away.
    event->ignore();
    runEvent_([this] { core_.watchSettings.cancel(); });
}

void WatchListWindow::sync() {
    const WatchListModel& m = core_.watchListWindow;
    syncing_ = true;
    if (m.revision != seenRevision_) {
        seenRevision_ = m.revision;
        patterns->setPlainText(latin1Text(m.patterns));
        desktopNotices->setChecked(m.desktopNotices);
    }
    const QString said = latin1Text(m.message);
    if (message->text() != said) message->setText(said);
    QPalette palette = message->palette();
    palette.setColor(QPalette::WindowText,
                     m.messageIsFailure ? QColor(Qt::red) : this->palette().color(QPalette::WindowText));
    message->setPalette(palette);
    message->setVisible(!said.isEmpty());
    syncing_ = false;
    if (m.shown && !isVisible()) show();
    if (!m.shown && isVisible()) hide();
    if (m.frontRequests != seenFront_) {
        seenFront_ = m.frontRequests;
        if (isVisible()) {
            raise();
            activateWindow();
        }
    }
}

}  // namespace dx::ui
