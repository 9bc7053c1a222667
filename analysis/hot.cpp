#include "loopcost/analysis/hot.h"

#include <algorithm>

namespace analysis {

namespace {

// A statement's cost is one term, units * n^power: such costs compare as
// their polynomials would for every large enough n without being made.
int compareTerms(int power, const Integer& units, int otherPower, const Integer& otherUnits) {
    if (power == otherPower || (units.is_zero() && otherUnits.is_zero()))
        return units.compare(otherUnits) < 0 ? -1 : units.compare(otherUnits) > 0 ? 1 : 0;
    if (power > otherPower)
        return !units.is_zero() ? units.sign() : -otherUnits.sign();
    return !otherUnits.is_zero() ? -otherUnits.sign() : units.sign();
}

struct Ranked {
    Integer units;
    const StatementInfo* statement;
};

// Costlier first; of equal costs, the one that comes first in the text.
bool ranksBefore(const Ranked& a, const Ranked& b) {
    const int order = compareTerms(a.statement->power, a.units, b.statement->power, b.units);
    return order != 0 ? order > 0 : a.statement < b.statement;
}

// The units of a statement's one term: in machine words where they fit.
Integer unitsOf(const Analysis& a, const StatementInfo& s) {
    if (const std::optional<Analysis::Term> term = a.termOf(s))
        return Integer(term->units);
    if (!s.costed)
        return Integer(0);
    const Cost cost = a.costOf(s);
    return s.power <= cost.degree() ? cost.unitsOf(s.power) : Integer(0);
}

}  // namespace

// The statements are ranked as they come, in a heap that holds the `count`
// best so far with the least of them on top: a program of millions of
// statements is never sorted whole.
std::vector<const StatementInfo*> hottest(const Analysis& a, std::size_t count) {
    std::vector<Ranked> best;
    if (count == 0)
        return {};
    for (const StatementInfo& part : a.statements()) {
        if (part.isLoop())
            continue;
        Ranked next{unitsOf(a, part), &part};
        if (best.size() < count) {
            best.push_back(std::move(next));
            std::push_heap(best.begin(), best.end(), ranksBefore);
        } else if (ranksBefore(next, best.front())) {
            std::pop_heap(best.begin(), best.end(), ranksBefore);
            best.back() = std::move(next);
            std::push_heap(best.begin(), best.end(), ranksBefore);
        }
    }
    std::sort(best.begin(), best.end(), ranksBefore);
    std::vector<const StatementInfo*> hot;
    hot.reserve(best.size());
    for (const Ranked& ranked : best)
        hot.push_back(ranked.statement);
    return hot;
}

}  // namespace analysis
