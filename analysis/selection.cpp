#include "loopcost/analysis/selection.h"

#include <algorithm>

#include "loopcost/analysis/syntax.h"

namespace analysis {

std::vector<Span> enclosingSpans(const Analysis& a, std::size_t offset) {
    std::vector<Span> candidates;
    // the word there: a lexeme holds no line end, so it begins on the line
    const std::size_t from = std::min(offset > 0 ? offset - 1 : 0, a.text().size());
    const LineIndex& lines = a.lines();
    for (const Lexeme& l : lexemesOf(a.text(), lines.lineStart(lines.placeOf(from).line), offset + 1))
        if (l.offset <= offset && offset <= l.offset + l.length) {
            candidates.push_back(Span{l.offset, l.offset + l.length});
            break;
        }
    const Analysis::Statements& parts = a.statements();
    const StatementInfo* s = a.statementAt(offset);
    if (!s && offset > 0)
        s = a.statementAt(offset - 1);
    for (; s; s = s->parent >= 0 ? &parts[static_cast<std::size_t>(s->parent)] : nullptr)
        candidates.push_back(spanOf(*s));
    candidates.push_back(programSpan(a));
    std::vector<Span> spans;
    for (const Span& c : candidates) {
        const bool holds = spans.empty() ? c.begin <= offset && offset <= c.end
                                         : c.begin <= spans.back().begin && spans.back().end <= c.end &&
                                               c.end - c.begin > spans.back().end - spans.back().begin;
        if (holds)
            spans.push_back(c);
    }
    if (spans.empty())
        spans.push_back(Span{offset, offset});
    return spans;
}

}  // namespace analysis
