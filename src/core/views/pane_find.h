#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "views/pane.h"
#include "views/text_search.h"

namespace dx {

// The monitor window's find bar as data: what the operator looks for in the traffic pane, its two
// options, every match with its place in the pane and in the view, the match the operator is at and
// the count the bar shows ("3 of 17"). It follows the pane as lines come and the oldest are trimmed,
// searching only what is new, so a full pane is searched once, when the search begins.
class PaneFind {
  public:
    struct Match {
        std::size_t start = 0;  // [start, end) in the pane's characters
        std::size_t end = 0;
        std::size_t displayStart = 0;  // the same in the view's counting
        std::size_t displayEnd = 0;
    };

    PaneFind(Pane& pane, const RegexEngine& regex) : pane_(pane), regex_(regex) {}

    bool isOpen() const { return open_; }
    const std::string& text() const { return text_; }
    bool matchCase() const { return matchCase_; }
    bool regularExpression() const { return regularExpression_; }
    // False while the text is not a valid regular expression: the box says so, and nothing is found.
    bool valid() const { return valid_; }
    const std::vector<Match>& matches() const { return matches_; }
    // The match the operator is at: the newest when a search begins (the pane shows its newest
    // lines), none only when nothing matches.
    std::optional<std::size_t> current() const { return current_; }
    // "3 of 17", "0 of 0" when nothing matches; empty without a text or with an invalid expression.
    std::string countText() const;
    // Counts the changes to what the bar and the pane show of the find.
    std::uint64_t changes() const { return changes_; }
    // Counts the moves to a match the operator asked for (a new search, the next, the previous):
    // the pane brings the match into view then, and only then.
    std::uint64_t moves() const { return moves_; }

    // Opening searches the pane for the text the bar kept; closing forgets the matches, so their
    // highlights go, and keeps the text and options for the next opening.
    void open();
    void close();
    void setText(std::string text);
    void setMatchCase(bool on);
    void setRegularExpression(bool on);
    // The next and the previous match, round from the newest to the oldest and back. Nothing while
    // the bar is closed.
    void next();
    void previous();

    // Catches up with what the pane did since the last look: matches trimmed away with the oldest
    // text are gone, the others keep their place and the current one stays current, and text that
    // is new or changed is searched (from the start of the line it joins).
    void follow();

  private:
    void compile();
    void searchAgain();
    // Adds the matches from `from` to the end of the pane, with their places in the view.
    void searchFrom(std::size_t from);
    void step(bool forward);

    Pane& pane_;
    const RegexEngine& regex_;
    bool open_ = false;
    std::string text_;
    bool matchCase_ = false;
    bool regularExpression_ = false;
    bool valid_ = true;
    std::unique_ptr<TextSearch> search_;  // none without a text or with an invalid expression
    std::vector<Match> matches_;
    std::optional<std::size_t> current_;
    std::uint64_t changes_ = 0;
    std::uint64_t moves_ = 0;
};

}  // namespace dx
