#pragma once
#include "views/text_search.h"

namespace dx::ui {

// Regular expressions for the find bar, by Qt's engine (PCRE2, compiled to machine code): fast on
// a full pane, and a runaway expression ends at the engine's match limit instead of the stack's.
class QtRegexEngine final : public RegexEngine {
  public:
    std::unique_ptr<TextSearch> compile(std::string_view pattern, bool matchCase) const override;
};

}  // namespace dx::ui
