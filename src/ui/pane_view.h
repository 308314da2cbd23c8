#pragma once
#include <QTextEdit>

#include "views/pane.h"

namespace dx::ui {

// The traffic pane: a rich-text view that replays the pane's journal of edits, so that each
// arrival costs what it adds, not the size of the pane.
class PaneView : public QTextEdit {
    Q_OBJECT
  public:
    explicit PaneView(QWidget* parent = nullptr);

    // Replays what the pane did since the last call, in one edit block.
    void sync(Pane& pane);
    // Everything shown, in the pane's own counting (for tests).
    QString shownText() const { return toPlainText(); }

  private:
    void rebuild(const Pane& pane);
};

}  // namespace dx::ui
