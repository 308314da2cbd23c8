#include "qt_regex.h"

#include <QRegularExpression>

#include "latin1.h"

namespace dx::ui {
namespace {

class QtRegexSearch final : public TextSearch {
  public:
    explicit QtRegexSearch(QRegularExpression expression) : expression_(std::move(expression)) {}

    void findAll(std::string_view text, std::size_t from, std::vector<Span>& out) const override {
        if (from >= text.size()) return;
        // The engine sees the line `from` stands in, so a line's start and a word's edge are
        // told as in the whole text; a line of the pane is at most a runaway's length.
        const std::size_t lastBreak = from == 0 ? std::string_view::npos : text.rfind('\n', from - 1);
        const std::size_t lineStart = lastBreak == std::string_view::npos ? 0 : lastBreak + 1;
        const QString subject = latin1Text(text.substr(lineStart));
        QRegularExpressionMatchIterator it =
            expression_.globalMatch(subject, static_cast<qsizetype>(from - lineStart));
        while (it.hasNext()) {
            const QRegularExpressionMatch m = it.next();
            if (m.capturedLength() == 0) continue;  // an empty match marks nothing
            out.push_back(Span{lineStart + static_cast<std::size_t>(m.capturedStart()),
                               lineStart + static_cast<std::size_t>(m.capturedEnd())});
        }
    }

  private:
    QRegularExpression expression_;
};

}  // namespace

std::unique_ptr<TextSearch> QtRegexEngine::compile(std::string_view pattern, bool matchCase) const {
    // The pane's lines end in CR LF: with ANYCRLF a CR, an LF and the pair are each a line's end,
    // for `$` and for `.`, which matches neither.
    QRegularExpression::PatternOptions options = QRegularExpression::MultilineOption;
    if (!matchCase) options |= QRegularExpression::CaseInsensitiveOption;
    QRegularExpression expression(QStringLiteral("(*ANYCRLF)") + latin1Text(pattern), options);
    if (!expression.isValid()) return nullptr;
    expression.optimize();
    return std::make_unique<QtRegexSearch>(std::move(expression));
}

}  // namespace dx::ui
