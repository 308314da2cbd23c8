#include "find_bar.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QValidator>

#include "bindings.h"

namespace dx::ui {
namespace {

// The pane holds Latin-1 only: a character beyond it could never be found, so it cannot be typed.
class Latin1Only final : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        for (const QChar c : input)
            if (c.unicode() > 0xFF) return Invalid;
        return Acceptable;
    }
};

}  // namespace

FindBar::FindBar(QWidget* parent) : QWidget(parent) {
    setFont(sansFont(false));
    findText = new QLineEdit(this);
    findText->setValidator(new Latin1Only(findText));
    findText->setFont(fixedFont());
    findText->setClearButtonEnabled(true);
    matchCase = new QCheckBox(QStringLiteral("Match case"), this);
    regularExpression = new QCheckBox(QStringLiteral("Regular expression"), this);
    matchCount = new QLabel(this);
    matchCount->setMinimumWidth(
        matchCount->fontMetrics().horizontalAdvance(QStringLiteral("00000 of 00000")));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(findText, 1);
    row->addWidget(matchCase);
    row->addWidget(regularExpression);
    row->addWidget(matchCount);
    hide();
}

void FindBar::sync(const PaneFind& find) {
    if (find.changes() == seen_) return;
    seen_ = find.changes();
    const QSignalBlocker quietText(findText);
    const QSignalBlocker quietCase(matchCase);
    const QSignalBlocker quietExpression(regularExpression);
    const QString text = latin1Text(find.text());
    if (findText->text() != text) findText->setText(text);
    matchCase->setChecked(find.matchCase());
    regularExpression->setChecked(find.regularExpression());
    // An expression that is not valid turns the box red.
    QPalette pal = QApplication::palette(findText);
    if (!find.valid()) pal.setColor(QPalette::Base, QColor(0xFF, 0x66, 0x66));
    if (pal.color(QPalette::Base) != findText->palette().color(QPalette::Base)) findText->setPalette(pal);
    matchCount->setText(QString::fromStdString(find.countText()));
}

}  // namespace dx::ui
