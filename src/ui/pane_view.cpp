#include "pane_view.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>

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

QTextCharFormat marked(const QColor& back) {
    QTextCharFormat f;
    f.setBackground(back);
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
    // Scrolling brings other matches into view.
    for (QScrollBar* bar : {verticalScrollBar(), horizontalScrollBar()})
        connect(bar, &QScrollBar::valueChanged, this, [this] {
            if (!syncing_) markMatches();
        });
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

bool PaneView::replay(Pane& pane, bool held) {
    if (!pane.hasEdits()) return false;
    const std::vector<Pane::Edit> edits = pane.takeEdits();
    QScrollBar* bar = verticalScrollBar();
    // While held, the line at the top stays at the top: where it starts, and how far above the
    // view's edge it begins.
    constexpr int kNone = -1;
    int anchor = kNone;
    int anchorY = 0;
    if (held) {
        const QTextCursor top = cursorForPosition(QPoint(0, 0));
        anchor = top.position();
        anchorY = cursorRect(top).top();
    }
    QTextCursor cur(document());
    cur.beginEditBlock();
    for (const Pane::Edit& e : edits) {
        switch (e.kind) {
            case Pane::Edit::Kind::Reset:
                cur.endEditBlock();
                rebuild(pane);
                cur = QTextCursor(document());
                cur.beginEditBlock();
                anchor = kNone;  // a new text: nothing of the old one to stay with
                break;
            case Pane::Edit::Kind::Append:
                cur.movePosition(QTextCursor::End);
                cur.insertText(shown(e.text), inColour(e.colour));
                break;
            case Pane::Edit::Kind::Insert: {
                const QString text = shown(e.text);
                cur.setPosition(static_cast<int>(e.displayPos));
                cur.insertText(text, inColour(e.colour));
                if (anchor != kNone && static_cast<int>(e.displayPos) <= anchor)
                    anchor += static_cast<int>(text.size());
                break;
            }
            case Pane::Edit::Kind::DeleteFront: {
                // Selecting by position is far cheaper than moving the cursor character by character.
                const int count = static_cast<int>(e.displayCount);
                cur.setPosition(0);
                cur.setPosition(count, QTextCursor::KeepAnchor);
                cur.removeSelectedText();
                if (anchor == kNone) break;
                if (anchor < count) anchorY = 0;  // the top line went: the oldest left takes its place
                anchor = std::max(0, anchor - count);
                break;
            }
        }
    }
    cur.endEditBlock();
    if (anchor != kNone) {
        QTextCursor top(document());
        top.setPosition(std::min(anchor, document()->characterCount() - 1));
        bar->setValue(bar->value() + cursorRect(top).top() - anchorY);
    } else {
        // The newest line stays in view.
        bar->setValue(bar->maximum());
    }
    return true;
}

void PaneView::sync(Pane& pane) {
    syncing_ = true;
    const bool held = find_ && find_->isOpen();
    bool changed = replay(pane, held && held_);
    if (held != held_) {
        held_ = held;
        // The bar closed: back to the newest line, as before it opened.
        if (!held) verticalScrollBar()->setValue(verticalScrollBar()->maximum());
        changed = true;
    }
    if (find_ && find_->moves() != seenMoves_) {
        seenMoves_ = find_->moves();
        showCurrent();
        changed = true;
    }
    if (find_ && find_->changes() != seenChanges_) {
        seenChanges_ = find_->changes();
        changed = true;
    }
    syncing_ = false;
    if (changed) markMatches();
}

void PaneView::resizeEvent(QResizeEvent* e) {
    QTextEdit::resizeEvent(e);
    markMatches();
}

int PaneView::clampedPosition(std::size_t displayPos) const {
    return static_cast<int>(
        std::min<std::size_t>(displayPos, static_cast<std::size_t>(document()->characterCount() - 1)));
}

void PaneView::showCurrent() {
    if (!find_ || !find_->current()) return;
    const PaneFind::Match& m = find_->matches()[*find_->current()];
    QTextCursor c(document());
    c.setPosition(clampedPosition(m.displayStart));
    const QRect start = cursorRect(c);
    c.setPosition(clampedPosition(m.displayEnd));
    const QRect end = cursorRect(c);
    const QRect seen = viewport()->rect();
    if (start.top() < 0 || start.bottom() > seen.height()) {
        QScrollBar* bar = verticalScrollBar();
        bar->setValue(bar->value() + start.center().y() - seen.height() / 2);
    }
    if (start.left() < 0 || end.right() > seen.width()) {
        QScrollBar* bar = horizontalScrollBar();
        bar->setValue(bar->value() + start.left() - seen.width() / 4);
    }
}

void PaneView::markMatches() {
    QList<ExtraSelection> marks;
    if (find_ && find_->current()) {
        const std::vector<PaneFind::Match>& matches = find_->matches();
        // The lines in view, whole.
        const int first = cursorForPosition(QPoint(0, 0)).block().position();
        const QTextBlock last = cursorForPosition(QPoint(0, viewport()->height())).block();
        const auto end = static_cast<std::size_t>(last.position() + last.length());
        auto it = std::partition_point(matches.begin(), matches.end(), [&](const PaneFind::Match& m) {
            return m.displayEnd <= static_cast<std::size_t>(first);
        });
        const auto current = matches.begin() + static_cast<std::ptrdiff_t>(*find_->current());
        static const QTextCharFormat kMatch = marked(QColor(0xFF, 0xFF, 0x00));
        static const QTextCharFormat kCurrent = marked(QColor(0xFF, 0x99, 0x00));
        for (; it != matches.end() && it->displayStart < end && marks.size() < kMostMarks; ++it) {
            QTextCursor c(document());
            c.setPosition(clampedPosition(it->displayStart));
            c.setPosition(clampedPosition(it->displayEnd), QTextCursor::KeepAnchor);
            marks.push_back(ExtraSelection{c, it == current ? kCurrent : kMatch});
        }
    }
    if (marks.isEmpty() && extraSelections().isEmpty()) return;
    setExtraSelections(marks);
}

}  // namespace dx::ui
