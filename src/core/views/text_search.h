#pragma once
#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dx {

// Where a search found its text: [start, end) in the pane's characters.
struct Span {
    std::size_t start = 0;
    std::size_t end = 0;
    bool operator==(const Span&) const = default;
};

// What the operator looks for in the pane, ready to run over its text.
class TextSearch {
  public:
    virtual ~TextSearch() = default;
    // Adds to `out`, in order, every match that begins at or after `from`; matches do not overlap
    // and none is empty. What stands before `from` on its line is context (a line's start, a word's
    // edge), never part of a match.
    virtual void findAll(std::string_view text, std::size_t from, std::vector<Span>& out) const = 0;
};

// The operator's text as typed, character for character. Without `matchCase` a Latin-1 letter
// also finds its other case ("g4abc" finds "G4ABC", "é" finds "É").
class LiteralSearch final : public TextSearch {
  public:
    LiteralSearch(std::string_view text, bool matchCase);
    void findAll(std::string_view text, std::size_t from, std::vector<Span>& out) const override;

    // A Latin-1 character in lower case; characters without another case stay as they are.
    static unsigned char folded(unsigned char c) { return kFold[c]; }

  private:
    static const std::array<unsigned char, 256> kFold;
    std::string needle_;
    bool matchCase_;
};

// Regular expressions, from the desktop's engine.
class RegexEngine {
  public:
    virtual ~RegexEngine() = default;
    // The search for `pattern`, or nothing when the pattern is not a valid expression. `^` and `$`
    // stand at every line's start and end.
    virtual std::unique_ptr<TextSearch> compile(std::string_view pattern, bool matchCase) const = 0;
};

}  // namespace dx
