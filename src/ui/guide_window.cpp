#include "guide_window.h"

#include <QVBoxLayout>

// The guide's resource lives in this static library: it is registered by name, or the linker
// would leave it out.
static void registerGuide() {
    Q_INIT_RESOURCE(operators_guide);
}

namespace dx::ui {

QUrl GuideWindow::guideUrl() {
    return QUrl(QStringLiteral("qrc:/guide/operators-guide.md"));
}

GuideWindow::GuideWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    registerGuide();
    setWindowTitle(QStringLiteral("Operator's guide"));
    backButton = new QPushButton(QStringLiteral("Back"), this);
    backButton->setEnabled(false);
    browser = new QTextBrowser(this);
    browser->setOpenExternalLinks(true);
    auto* column = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(backButton);
    row->addStretch(1);
    column->addLayout(row);
    column->addWidget(browser, 1);
    connect(backButton, &QPushButton::clicked, browser, &QTextBrowser::backward);
    connect(browser, &QTextBrowser::backwardAvailable, backButton, &QPushButton::setEnabled);
    browser->setSource(guideUrl(), QTextDocument::MarkdownResource);
    resize(900, 700);
}

}  // namespace dx::ui
