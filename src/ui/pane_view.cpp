#include "pane_view.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include "bindings.h"

namespace dx::ui {
namespace {
QString shown(std::string_view text) {
    const std::u16string s = Pane::displayText(text);
    return QString(reinterpret_cast<const QChar*>(s.data()), static_cast<qsizetype>(s.size()));
}

QTextCharFormat inColour(Colour c) {
    QTextCharFormat f;
    f.setForeground(toQColor(c));
    return f;
}
}  // namespace

PaneView::PaneView(QWidget* parent) : QTextEdit(parent) {
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setAcceptRichText(false);
    setLineWrapMode(QTextEdit::NoWrap);
    setFont(fixedFont());
    document()->setDocumentMargin(2);
}

void PaneView::rebuild(const Pane& pane) {
    clear();
    QTextCursor cur(document());
    std::size_t at = 0;
    for (const Pane::Run& run : pane.runs()) {
        cur.insertText(shown(std::string_view(pane.text()).substr(at, run.length)), inColour(run.colour));
        at += run.length;
    }
}

void PaneView::sync(Pane& pane) {
    if (!pane.hasEdits()) return;
    const std::vector<Pane::Edit> edits = pane.takeEdits();
    QScrollBar* bar = verticalScrollBar();
    QTextCursor cur(document());
    cur.beginEditBlock();
    for (const Pane::Edit& e : edits) {
        switch (e.kind) {
            case Pane::Edit::Kind::Reset:
                cur.endEditBlock();
                rebuild(pane);
                cur = QTextCursor(document());
                cur.beginEditBlock();
                break;
            case Pane::Edit::Kind::Append:
                cur.movePosition(QTextCursor::End);
                cur.insertText(shown(e.text), inColour(e.colour));
                break;
            case Pane::Edit::Kind::Insert:
                cur.setPosition(static_cast<int>(e.displayPos));
                cur.insertText(shown(e.text), inColour(e.colour));
                break;
            case Pane::Edit::Kind::DeleteFront:
                // Selecting by position is far cheaper than moving the cursor character by character.
                cur.setPosition(0);
                cur.setPosition(static_cast<int>(e.displayCount), QTextCursor::KeepAnchor);
                cur.removeSelectedText();
                break;
        }
    }
    cur.endEditBlock();
    // The newest line stays in view.
    bar->setValue(bar->maximum());
}

}  // namespace dx::ui
