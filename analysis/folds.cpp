#include "loopcost/analysis/folds.h"

#include "loopcost/analysis/syntax.h"

namespace analysis {

std::vector<Span> loopFolds(const Analysis& a) {
    const std::string_view text = a.text();
    const Syntax& syntax = a.syntax();
    const LineIndex& lines = a.lines();
    std::vector<Span> folds;
    for (const StatementInfo& s : a.statements()) {
        if (!s.isLoop() || !s.ended)
            continue;
        const std::size_t keyword = syntax.loops[static_cast<std::size_t>(s.loop)].end.begin;
        const Place place = lines.placeOf(keyword);
        const std::size_t lineStart = keyword - (place.column - 1);
        bool first = place.line > 1;  // the END begins its line, after a line before it
        for (std::size_t i = lineStart; i < keyword && first; ++i)
            first = isLineBlank(text[i]);
        // an END that begins its line stays in view: the fold ends at the line end before it
        folds.push_back(Span{spanOf(s).begin, first ? lineStart - 1 : keyword});
    }
    return folds;
}

std::vector<Span> pairedKeywords(const Analysis& a, std::size_t offset) {
    const auto near = [offset](Span s) { return s.begin <= offset && offset <= s.end; };
    const Analysis::Statements& parts = a.statements();
    const Syntax& syntax = a.syntax();
    for (const std::size_t at : {offset, offset > 0 ? offset - 1 : offset}) {
        for (const StatementInfo* s = a.statementAt(at); s;
             s = s->parent >= 0 ? &parts[static_cast<std::size_t>(s->parent)] : nullptr) {
            if (!s->isLoop())
                continue;
            const LoopSyntax& loop = syntax.loops[static_cast<std::size_t>(s->loop)];
            if (!near(loop.keyword) && !(s->ended && near(loop.end)))
                continue;
            std::vector<Span> both{loop.keyword};
            if (s->ended)
                both.push_back(loop.end);
            return both;
        }
    }
    const bool hasEnd = syntax.end.end > syntax.end.begin;
    if ((syntax.beginRead && near(syntax.begin)) || (hasEnd && near(syntax.end))) {
        std::vector<Span> both;
        if (syntax.beginRead)
            both.push_back(syntax.begin);
        if (hasEnd)
            both.push_back(syntax.end);
        return both;
    }
    return {};
}

}  // namespace analysis
