#pragma once
#include <QPushButton>
#include <QTextBrowser>
#include <QWidget>

namespace dx::ui {

// The operator's guide, as the README has it, with its pictures, from the program's own resources:
// no network and no browser needed. Links within the guide open here ("Back" returns); a link to a
// web page would open in the desktop's browser, and only when the operator clicks it.
class GuideWindow : public QWidget {
    Q_OBJECT
  public:
    explicit GuideWindow(QWidget* parent = nullptr);

    // Where the guide is in the program's resources.
    static QUrl guideUrl();

    QTextBrowser* browser;
    QPushButton* backButton;
};

}  // namespace dx::ui
