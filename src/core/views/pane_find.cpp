#include "views/pane_find.h"

#include <algorithm>

namespace dx {

std::string PaneFind::countText() const {
    if (!search_) return {};
    if (!current_) return "0 of 0";
    return std::to_string(*current_ + 1) + " of " + std::to_string(matches_.size());
}

void PaneFind::open() {
    if (open_) return;
    open_ = true;
    searchAgain();
}

void PaneFind::close() {
    if (!open_) return;
    open_ = false;
    matches_.clear();
    current_.reset();
    ++changes_;
}

void PaneFind::setText(std::string text) {
    if (text == text_) return;
    text_ = std::move(text);
    searchAgain();
}

void PaneFind::setMatchCase(bool on) {
    if (on == matchCase_) return;
    matchCase_ = on;
    searchAgain();
}

void PaneFind::setRegularExpression(bool on) {
    if (on == regularExpression_) return;
    regularExpression_ = on;
    searchAgain();
}

void PaneFind::next() {
    step(true);
}

void PaneFind::previous() {
    step(false);
}

void PaneFind::step(bool forward) {
    if (!open_ || !current_) return;
    const std::size_t n = matches_.size();
    current_ = forward ? (*current_ + 1) % n : (*current_ + n - 1) % n;
    ++changes_;
    ++moves_;
}

void PaneFind::compile() {
    search_.reset();
    valid_ = true;
    if (text_.empty()) return;
    if (regularExpression_) {
        search_ = regex_.compile(text_, matchCase_);
        valid_ = search_ != nullptr;
    } else {
        search_ = std::make_unique<LiteralSearch>(text_, matchCase_);
    }
}

void PaneFind::searchAgain() {
    compile();
    matches_.clear();
    current_.reset();
    ++changes_;
    // The whole text is searched now; only what changes after this is searched again.
    pane_.takeChanges();
    if (!open_ || !search_) return;
    searchFrom(0);
    if (!matches_.empty()) current_ = matches_.size() - 1;
    ++moves_;
}

void PaneFind::searchFrom(std::size_t from) {
    const std::string& text = pane_.text();
    std::vector<Span> found;
    search_->findAll(text, from, found);
    if (found.empty()) return;
    // The view shows a CR LF pair as one line break: walk the text once, counting the pairs whose
    // CR lies before each place.
    std::size_t at = from;
    std::size_t display = pane_.displayPosition(from);
    const auto displayAt = [&](std::size_t to) {
        for (; at < to; ++at)
            if (!(text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n')) ++display;
        return display;
    };
    matches_.reserve(matches_.size() + found.size());
    for (const Span& s : found) {
        Match m{s.start, s.end, 0, 0};
        m.displayStart = displayAt(s.start);
        m.displayEnd = displayAt(s.end);
        matches_.push_back(m);
    }
}

void PaneFind::follow() {
    const Pane::Changes changed = pane_.takeChanges();
    if (!open_ || !search_) return;
    if (changed.replaced) {
        matches_.clear();
        current_.reset();
        searchFrom(0);
        if (!matches_.empty()) current_ = matches_.size() - 1;
        ++changes_;
        return;
    }
    if (changed.dropped == 0 && changed.changedFrom == std::string::npos) return;
    ++changes_;

    // What the oldest text took with it.
    const auto firstKept = std::partition_point(matches_.begin(), matches_.end(),
                                                [&](const Match& m) { return m.start < changed.dropped; });
    const auto trimmed = static_cast<std::size_t>(firstKept - matches_.begin());
    // Where the operator's match now starts, while it is still there.
    std::optional<std::size_t> currentStart;
    if (current_ && *current_ >= trimmed) currentStart = matches_[*current_].start - changed.dropped;
    const bool hadCurrent = current_.has_value();
    matches_.erase(matches_.begin(), firstKept);
    for (Match& m : matches_) {
        m.start -= changed.dropped;
        m.end -= changed.dropped;
        m.displayStart -= changed.droppedDisplay;
        m.displayEnd -= changed.droppedDisplay;
    }

    if (changed.changedFrom != std::string::npos) {
        // New text may complete a match begun on the line it joins: that line is searched again,
        // with any match that reaches into it.
        const std::string& text = pane_.text();
        const std::size_t from = std::min(changed.changedFrom, text.size());
        const std::size_t lastBreak = from == 0 ? std::string::npos : text.rfind('\n', from - 1);
        const std::size_t lineStart = lastBreak == std::string::npos ? 0 : lastBreak + 1;
        const auto touched = std::partition_point(matches_.begin(), matches_.end(),
                                                  [&](const Match& m) { return m.end <= lineStart; });
        const std::size_t searchStart =
            touched == matches_.end() ? lineStart : std::min(lineStart, touched->start);
        matches_.erase(touched, matches_.end());
        searchFrom(searchStart);
    }

    current_.reset();
    if (matches_.empty()) return;
    if (currentStart) {
        // The same match, or the one that took its place.
        const auto it = std::partition_point(matches_.begin(), matches_.end(),
                                             [&](const Match& m) { return m.start < *currentStart; });
        current_ =
            it == matches_.end() ? matches_.size() - 1 : static_cast<std::size_t>(it - matches_.begin());
    } else {
        // The operator's match went with the oldest text: the oldest left is the nearest to it. A
        // search that had found nothing is at its newest match.
        current_ = hadCurrent ? 0 : matches_.size() - 1;
    }
}

}  // namespace dx
