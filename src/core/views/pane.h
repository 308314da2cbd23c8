#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/colour.h"

namespace dx {

// The monitor window's traffic pane as data: its text (the bytes received, line breaks as CR LF),
// the colour of every run of it, and a caret. Each change is also written to a journal of edits
// that the window replays onto its rich-text view, so the view never has to be rebuilt.
//
// The view shows a CR LF pair, a lone CR and a lone LF each as one line break; the journal
// therefore also says where each edit falls in the view's own counting ("display" positions).
class Pane {
  public:
    struct Run {
        std::size_t length;
        Colour colour;
    };

    struct Edit {
        enum class Kind { Reset, Append, Insert, DeleteFront };
        Kind kind;
        std::string text;              // Append, Insert
        Colour colour = 0;             // Append, Insert
        std::size_t displayPos = 0;    // Insert: where, in the view's counting
        std::size_t displayCount = 0;  // DeleteFront: how many of the view's characters
    };

    // Once the pane holds more than kLimit characters, trim() deletes its oldest kTrim, and
    // kTrim more at a time while it still holds more than kLimit.
    static constexpr std::size_t kLimit = 100000;
    static constexpr std::size_t kTrim = 50000;
    // How many characters a pane of `size` keeps after that trim.
    static constexpr std::size_t keptAfterTrim(std::size_t size) {
        if (size <= kLimit) return size;
        return size - (size - kLimit + kTrim - 1) / kTrim * kTrim;
    }

    // A line longer than kLongLine (junk before a head, a node gone wrong) is a runaway: one must
    // not flood the pane, so it is shown as its first and last kLongLineKeep characters.
    static constexpr std::size_t kLongLine = 20000;
    static constexpr std::size_t kLongLineKeep = 10000;
    // Appends a line bound for the pane to `out`: whole, or a runaway as its two ends joined by
    // "-----".
    static void appendCut(std::string& out, std::string_view line);

    explicit Pane(std::string initial = {});

    const std::string& text() const { return text_; }
    std::size_t size() const { return text_.size(); }
    const std::deque<Run>& runs() const { return runs_; }
    std::size_t caret() const { return caret_; }
    std::size_t displaySize() const { return displaySize_; }
    Colour colourAt(std::size_t pos) const;

    // Replaces the whole text (written in black); the caret goes to the start.
    void setText(std::string text);
    // How many times the whole text has been replaced: a notice that must stay in sight is said
    // again once what it was written into is gone.
    std::size_t replacements() const { return replacements_; }
    // Puts the caret at the end and inserts the text there in the colour.
    void append(std::string_view text, Colour colour);
    // Inserts at the caret in the colour; the caret ends after the inserted text.
    void insertAtCaret(std::string_view text, Colour colour);
    // Deletes the first n characters; the caret moves with the text it stood in.
    void deleteFront(std::size_t n);
    void setCaret(std::size_t pos) { caret_ = pos > text_.size() ? text_.size() : pos; }
    // Keeps the pane within its limit (see kLimit); the caret goes to the end.
    void trim();

    // Hands every text that reaches the pane, as it comes, to `tap` (a traffic log), or to none.
    void setTap(std::function<void(std::string_view)> tap) { tap_ = std::move(tap); }

    // The journal of edits since the last take. A journal left untaken for long collapses into one
    // Reset, so it never grows without bound.
    std::vector<Edit> takeEdits();
    bool hasEdits() const { return !edits_.empty(); }

    // What changed since the last take, for the one reader that keeps positions in the text (the
    // find): whether the whole text was replaced; how many characters left the front, in the pane's
    // and in the view's counting; and from where on the rest may differ (npos: nowhere).
    struct Changes {
        bool replaced = false;
        std::size_t dropped = 0;
        std::size_t droppedDisplay = 0;
        std::size_t changedFrom = std::string::npos;
    };
    Changes takeChanges() { return std::exchange(changes_, Changes{}); }

    // Where the view shows the character at pos (a CR LF pair is one line break there). Counted
    // from the end, so a place near the newest line costs little.
    std::size_t displayPosition(std::size_t pos) const;

    // How many characters the view shows for a text inserted on its own.
    static std::size_t displayLength(std::string_view text);
    // The text as the view shows it, one UTF-16 unit per shown character: Latin-1 decoded, every
    // line break as LF, other control characters as a visible stand-in.
    static std::u16string displayText(std::string_view text);

  private:
    void insertAt(std::size_t pos, std::string_view text, Colour colour);
    std::size_t displayPrefix(std::size_t n) const;
    void journal(Edit e);
    void collapse();

    std::string text_;
    std::deque<Run> runs_;
    std::size_t caret_ = 0;
    std::size_t displaySize_ = 0;
    std::vector<Edit> edits_;
    std::size_t journalBytes_ = 0;
    bool collapsed_ = false;
    std::size_t replacements_ = 0;
    Changes changes_;
    std::function<void(std::string_view)> tap_;
};

}  // namespace dx
