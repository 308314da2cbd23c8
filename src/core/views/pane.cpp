#include "views/pane.h"

#include <algorithm>

#include "wire/sentence_kinds.h"

namespace dx {
namespace {
constexpr std::size_t kJournalEntries = 20000;
constexpr std::size_t kJournalBytes = 4u << 20;
}  // namespace

Pane::Pane(std::string initial) {
    setText(std::move(initial));
}

void Pane::appendCut(std::string& out, std::string_view line) {
    if (line.size() <= kLongLine) {
        out += line;
        return;
    }
    out += line.substr(0, kLongLineKeep);
    out += "-----";
    out += line.substr(line.size() - kLongLineKeep);
}

void Pane::trim() {
    if (size() <= kLimit) return;
    deleteFront(size() - keptAfterTrim(size()));
    setCaret(size());
}

Colour Pane::colourAt(std::size_t pos) const {
    std::size_t at = 0;
    for (const Run& r : runs_) {
        if (pos < at + r.length) return r.colour;
        at += r.length;
    }
    return runs_.empty() ? colours::kBlack : runs_.back().colour;
}

std::size_t Pane::displayLength(std::string_view text) {
    std::size_t n = text.size();
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == '\r' && text[i + 1] == '\n') --n;
    return n;
}

std::u16string Pane::displayText(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out.push_back(u'\n');
        } else if (c == '\n' || c == '\t') {
            out.push_back(static_cast<char16_t>(c));
        } else if (c == static_cast<unsigned char>(wire::kBatchEnd)) {
            out.push_back(u' ');  // the node's batch mark takes a place but shows nothing
        } else if (c < 0x20 || c == 0x7F) {
            out.push_back(u'\u00B7');  // a middle dot stands for a control character
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

std::size_t Pane::displayPosition(std::size_t pos) const {
    pos = std::min(pos, text_.size());
    return displaySize_ - displayLength(std::string_view(text_).substr(pos));
}

std::size_t Pane::displayPrefix(std::size_t n) const {
    std::size_t d = displayLength(std::string_view(text_).substr(0, n));
    // A CR whose LF lies beyond the prefix is one line break with that LF in the view; the LF
    // stays, so the break stays too.
    if (n > 0 && n < text_.size() && text_[n - 1] == '\r' && text_[n] == '\n') --d;
    return d;
}

void Pane::journal(Edit e) {
    // After a Reset the view rebuilds itself from the whole current text, which already holds
    // every later change: journaling those too would show them twice.
    if (collapsed_) return;
    journalBytes_ += e.text.size();
    edits_.push_back(std::move(e));
    if (edits_.size() > kJournalEntries || journalBytes_ > kJournalBytes) collapse();
}

void Pane::collapse() {
    edits_.clear();
    edits_.push_back(Edit{Edit::Kind::Reset, {}, 0, 0, 0});
    collapsed_ = true;
}

std::vector<Pane::Edit> Pane::takeEdits() {
    std::vector<Edit> out;
    out.swap(edits_);
    journalBytes_ = 0;
    collapsed_ = false;
    return out;
}

void Pane::setText(std::string text) {
    if (tap_) tap_(text);
    text_ = std::move(text);
    runs_.clear();
    if (!text_.empty()) runs_.push_back(Run{text_.size(), colours::kBlack});
    caret_ = 0;
    displaySize_ = displayLength(text_);
    ++replacements_;
    changes_ = Changes{};
    changes_.replaced = true;
    collapse();
}

void Pane::insertAt(std::size_t pos, std::string_view text, Colour colour) {
    if (text.empty()) return;
    pos = std::min(pos, text_.size());
    // Counted from the end: an append costs nothing however long the pane, an insert just after
    // the last line feed only the last line.
    const std::size_t displayPos = displaySize_ - displayLength(std::string_view(text_).substr(pos));
    text_.insert(pos, text);
    displaySize_ += displayLength(text);
    changes_.changedFrom = std::min(changes_.changedFrom, pos);
    if (pos + text.size() == text_.size()) {
        // An append: it joins the last run or follows it.
        if (!runs_.empty() && runs_.back().colour == colour)
            runs_.back().length += text.size();
        else
            runs_.push_back(Run{text.size(), colour});
        journal(Edit{Edit::Kind::Append, std::string(text), colour, displayPos, 0});
        caret_ = text_.size();
        return;
    }
    // Split the run that holds pos and put the new run between the halves. Inserts land near the
    // end (just after the last line feed), so the run is looked for from the back.
    std::size_t at = text_.size() - text.size();  // where the runs end, before this insert
    auto it = runs_.end();
    while (it != runs_.begin() && at > pos) {
        --it;
        at -= it->length;
    }
    // Now `at` is where run `it` starts, and pos lies in it (or at its start).
    if (it == runs_.end() || at == pos) {
        runs_.insert(it, Run{text.size(), colour});
    } else {
        const std::size_t head = pos - at;
        const Run tail{it->length - head, it->colour};
        it->length = head;
        it = runs_.insert(it + 1, Run{text.size(), colour});
        runs_.insert(it + 1, tail);
    }
    const bool atEnd = pos + text.size() == text_.size();
    journal(Edit{atEnd ? Edit::Kind::Append : Edit::Kind::Insert, std::string(text), colour, displayPos, 0});
    caret_ = pos + text.size();
}

void Pane::append(std::string_view text, Colour colour) {
    if (tap_) tap_(text);
    insertAt(text_.size(), text, colour);
}

void Pane::insertAtCaret(std::string_view text, Colour colour) {
    if (tap_) tap_(text);
    insertAt(caret_, text, colour);
}

void Pane::deleteFront(std::size_t n) {
    n = std::min(n, text_.size());
    if (n == 0) return;
    const std::size_t d = displayPrefix(n);
    text_.erase(0, n);
    displaySize_ -= d;
    std::size_t left = n;
    while (left > 0 && !runs_.empty()) {
        if (runs_.front().length <= left) {
            left -= runs_.front().length;
            runs_.pop_front();
        } else {
            runs_.front().length -= left;
            left = 0;
        }
    }
    caret_ = caret_ > n ? caret_ - n : 0;
    changes_.dropped += n;
    changes_.droppedDisplay += d;
    if (changes_.changedFrom != std::string::npos)
        changes_.changedFrom = changes_.changedFrom > n ? changes_.changedFrom - n : 0;
    journal(Edit{Edit::Kind::DeleteFront, {}, 0, 0, d});
}

}  // namespace dx
