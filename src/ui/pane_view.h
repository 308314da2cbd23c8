#pragma once
#include <QTextEdit>
#include <cstdint>

#include "views/pane.h"
#include "views/pane_find.h"

namespace dx::ui {

// The traffic pane: a rich-text view that replays the pane's journal of edits, so that each
// arrival costs what it adds, not the size of the pane. It shows the newest line, except while the
// find bar is open: then it stays where the operator reads, and its matches in view are marked.
class PaneView : public QTextEdit {
    Q_OBJECT
  public:
    explicit PaneView(QWidget* parent = nullptr);

    // The find whose matches the view marks, and whose open bar holds the view still.
    void showFind(const PaneFind* find) { find_ = find; }
    // Replays what the pane did since the last call, in one edit block, and brings the marks and
    // the place shown up to date with the find.
    void sync(Pane& pane);
    // Everything shown, in the pane's own counting (for tests).
    QString shownText() const { return toPlainText(); }

    // At most this many matches are marked at once: a runaway line full of them would otherwise
    // take a cursor each, which every later edit of the text has to move.
    static constexpr int kMostMarks = 2000;

  protected:
    void resizeEvent(QResizeEvent* e) override;

  private:
    void rebuild(const Pane& pane);
    // Replays the journal; answers whether anything was shown differently.
    bool replay(Pane& pane, bool held);
    // Marks the matches in view, the current one in a colour of its own.
    void markMatches();
    // Brings the current match into view, near the middle, when it is not in view already.
    void showCurrent();
    int clampedPosition(std::size_t displayPos) const;

    const PaneFind* find_ = nullptr;
    bool held_ = false;
    bool syncing_ = false;
    std::uint64_t seenChanges_ = ~std::uint64_t{0};
    std::uint64_t seenMoves_ = ~std::uint64_t{0};
};

}  // namespace dx::ui
