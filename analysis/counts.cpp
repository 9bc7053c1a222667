#include "counts.h"

#include <cstddef>

#include "loopstatement.h"

namespace analysis {

namespace {

void addOwn(const Analysis::Statements& parts, const StatementInfo& statement, Counts& counts) {
    Integer factor = 1;
    for (std::int32_t p = statement.parent; p >= 0; p = parts[static_cast<std::size_t>(p)].parent) {
        const int count = parts[static_cast<std::size_t>(p)].node->asLoop()->getCount();
        if (count >= 0)  // a negative count counts as n, which the power holds
            factor *= count;
    }
    const auto power = static_cast<std::size_t>(statement.power);
    if (counts.additions.size() <= power) {
        counts.additions.resize(power + 1);
        counts.multiplications.resize(power + 1);
    }
    counts.additions[power] += factor * static_cast<unsigned>(statement.additions);
    counts.multiplications[power] += factor * static_cast<unsigned>(statement.multiplications);
}

}  // namespace

Counts countsOf(const Analysis& analysis, const StatementInfo& statement) {
    const Analysis::Statements& parts = analysis.statements();
    Counts counts{std::vector<Integer>(1), std::vector<Integer>(1)};
    if (!statement.isLoop()) {
        addOwn(parts, statement, counts);
        return counts;
    }
    // the statements of a loop follow it in source order, up to its END
    for (auto i = static_cast<std::size_t>(&statement - parts.data()) + 1;
         i < parts.size() && parts[i].begin < statement.end; ++i)
        if (!parts[i].isLoop())
            addOwn(parts, parts[i], counts);
    return counts;
}

std::string countText(const std::vector<Integer>& count) { return Cost(count, 0).text(); }

}  // namespace analysis
