// The explanation of what a pointer stands on: what a hover shows.
#include "loopcost/analysis/explainat.h"

#include <algorithm>
#include <vector>

#include "loopcost/analysis/derive.h"
#include "loopcost/analysis/text.h"

namespace analysis {

namespace {

// The word around `offset`: a keyword, a count, a part of a statement.
Span wordAround(std::string_view text, std::size_t offset) {
    std::size_t begin = offset;
    while (begin > 0 && !isBlank(text[begin - 1]))
        --begin;
    std::size_t end = offset;
    while (end < text.size() && !isBlank(text[end]))
        ++end;
    return Span{begin, end};
}

}  // namespace

ExplanationAt explanationAt(const Analysis& a, std::size_t offset) {
    ExplanationAt at;
    const std::string_view text = a.text();
    if (offset >= text.size() || isBlank(text[offset]))
        return at;
    const StatementInfo* s = a.statementAt(offset);
    if (!s) {
        if (!a.ok())
            return at;
        at.kind = ExplanationAt::Kind::program;  // BEGIN or the closing END
        at.span = wordAround(text, offset);
        at.total = a.total().text();
        at.order = a.total().orderText();
        at.additions = countText(a.counts().additions);
        at.multiplications = countText(a.counts().multiplications);
        at.additionCost = a.model().addition.text();
        at.multiplicationCost = a.model().multiplication.text();
        if (a.statements().size() <= ExplanationAt::maxDerivedStatements)
            at.derivation = deriveCost(a).text;
        return at;
    }
    at.kind = s->isLoop() ? ExplanationAt::Kind::loop : ExplanationAt::Kind::statement;
    at.span = s->isLoop() ? wordAround(text, offset)
                          : Span{static_cast<std::size_t>(s->begin), static_cast<std::size_t>(s->end)};
    at.explanation = explanationOf(a, *s);
    if (!s->costed)
        return at;
    const std::vector<Integer> runs = a.runsOf(*s);
    at.once =
        runs.front() == 1 && std::all_of(runs.begin() + 1, runs.end(), [](const Integer& c) { return c.is_zero(); });
    at.perRun = a.perRunOf(*s).text();
    const Counts counts = a.countsOf(*s);
    at.additions = countText(counts.additions);
    at.multiplications = countText(counts.multiplications);
    at.slowerThanTotal = a.ok() && a.shareOf(*s) == 0.0 && !a.costOf(*s).isZero() && !a.total().isZero();
    at.sum = loopSum(a, *s);
    return at;
}

}  // namespace analysis
