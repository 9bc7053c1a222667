#include "loopcost/analysis/check.h"

#include <algorithm>
#include <functional>
#include <iterator>
#include <utility>

namespace analysis {

const char* slipName(SlipKind kind) {
    switch (kind) {
    case SlipKind::modelIgnored: return "model-ignored";
    case SlipKind::costsSwapped: return "costs-swapped";
    case SlipKind::loopLeftOut: return "loop-left-out";
    case SlipKind::constantAsN: return "constant-as-n";
    case SlipKind::loopsNested: return "loops-nested";
    case SlipKind::lowerTermsLeftOut: return "lower-terms-left-out";
    }
    return "";
}

namespace {

// Coefficients in units of 10^-scale, n^0 first.
using Units = std::vector<Integer>;

const Integer& zero() {
    static const Integer none;
    return none;
}

const Integer& unitsAt(const Cost& cost, int power) {
    return power >= 0 && power <= cost.degree() ? cost.unitsOf(power) : zero();
}

Decimal coefficientOf(const Cost& cost, int power) { return Decimal{unitsAt(cost, power), cost.scale()}; }

bool same(const Decimal& a, const Decimal& b) {
    const int scale = std::max(a.scale, b.scale);
    return a.unitsAt(scale) == b.unitsAt(scale);
}

// Whether an exact answer is the polynomial `cost`: the same coefficient at
// every power, the zeros that neither writes included.
bool sameCost(const Answer& answer, const Cost& cost) {
    const Decimal none;
    std::size_t t = 0;
    const std::vector<AnswerTerm>& written = answer.terms;
    for (; t < written.size() && written[t].power > cost.degree(); ++t)
        if (!written[t].coefficient.units.is_zero())
            return false;
    for (int power = cost.degree(); power >= 0; --power) {
        const bool here = t < written.size() && written[t].power == power;
        if (!same(here ? written[t].coefficient : none, coefficientOf(cost, power)))
            return false;
        t += here ? 1 : 0;
    }
    return true;
}

std::string place(const StatementInfo& statement) {
    return std::to_string(statement.line) + ":" + std::to_string(statement.column);
}

// A statement's one term: its coefficient at its power.
Decimal statementCost(const Analysis& analysis, const StatementInfo& statement) {
    if (const std::optional<Analysis::Term> term = analysis.termOf(statement))
        return Decimal{Integer(term->units), term->scale};
    return coefficientOf(analysis.costOf(statement), statement.power);
}

// The powers that the answer writes or where the cost is not zero, highest
// first, each once.
std::vector<CheckedTerm> compareTerms(const Answer& answer, const Cost& total) {
    std::vector<std::int32_t> powers;
    for (int power = total.degree(); power >= 0; --power)
        if (!total.unitsOf(power).is_zero())
            powers.push_back(power);
    std::vector<std::int32_t> written;
    for (const AnswerTerm& term : answer.terms)
        written.push_back(term.power);
    std::vector<std::int32_t> all;
    std::set_union(powers.begin(), powers.end(), written.begin(), written.end(), std::back_inserter(all),
                   std::greater<>());
    std::vector<CheckedTerm> terms;
    std::size_t t = 0;
    for (const std::int32_t power : all) {
        const bool here = t < answer.terms.size() && answer.terms[t].power == power;
        Decimal answered = here ? answer.terms[t++].coefficient : Decimal();
        Decimal cost = coefficientOf(total, power);
        const bool right = same(answered, cost);
        terms.push_back(CheckedTerm{power, std::move(answered), std::move(cost), right, {}, 0});
    }
    return terms;
}

// Each wrong term gets the statements at its power, one pass for all.
void listStatements(const Analysis& analysis, std::vector<CheckedTerm>& terms) {
    const auto powers = static_cast<std::size_t>(analysis.total().degree()) + 1;
    std::vector<CheckedTerm*> wrongAt(powers, nullptr);
    bool any = false;
    for (CheckedTerm& term : terms)
        if (!term.right && static_cast<std::size_t>(term.power) < powers) {
            wrongAt[static_cast<std::size_t>(term.power)] = &term;
            any = true;
        }
    if (!any)
        return;
    for (const StatementInfo& statement : analysis.statements()) {
        if (statement.isLoop() || !statement.costed || static_cast<std::size_t>(statement.power) >= powers)
            continue;
        CheckedTerm* term = wrongAt[static_cast<std::size_t>(statement.power)];
        if (term == nullptr)
            continue;
        Decimal cost = statementCost(analysis, statement);
        if (cost.units.is_zero())
            continue;
        if (term->statements.size() == mostTermStatements) {
            ++term->more;
            continue;
        }
        term->statements.push_back(
            TermStatement{&statement, statement.line, statement.column, analysis.canonicalText(statement), cost});
    }
}

Check checkOrder(const Analysis& analysis, const Answer& answer) {
    const Cost& total = analysis.total();
    const bool zeroCost = total.isZero();
    const int degree = total.order();
    Check check;
    check.kind = AnswerKind::order;
    switch (answer.bound) {
    case Bound::upper: check.right = degree <= answer.power; break;
    case Bound::tight: check.right = !zeroCost && degree == answer.power; break;
    case Bound::lower: check.right = !zeroCost && degree >= answer.power; break;
    }
    const bool loose = zeroCost ? answer.power > 0 : degree != answer.power;
    check.order = OrderCheck{zeroCost ? "O(1)" : boundText(Bound::tight, degree), check.right && loose};
    if (!check.right && !zeroCost) {
        check.terms.push_back(CheckedTerm{degree, std::nullopt, coefficientOf(total, degree), false, {}, 0});
        listStatements(analysis, check.terms);
    }
    return check;
}

// Looks for the slip that a wrong exact answer is: the cost worked out
// again with one thing changed, each change in turn.
class SlipSearch {
public:
    SlipSearch(const Analysis& analysis, const Answer& answer)
        : analysis(analysis), answer(answer), total(analysis.total()), parts(analysis.statements()) {
        markSilent();
    }

    std::optional<Slip> find() {
        const CostModel& model = analysis.model();
        const CostModel ones;
        if (std::optional<Slip> slip = underModel(SlipKind::modelIgnored, ones))
            return slip;
        if (std::optional<Slip> slip =
                underModel(SlipKind::costsSwapped, CostModel{model.multiplication, model.addition}))
            return slip;
        if (std::optional<Slip> slip = inLoops())
            return slip;
        return lowerTerms();
    }

private:
    const StatementInfo& parentOf(const StatementInfo& statement) const {
        return parts[static_cast<std::size_t>(statement.parent)];
    }

    // A loop is silent when its body never runs: LOOP 0, or inside one.
    void markSilent() {
        for (const StatementInfo& part : parts)
            if (part.isLoop())
                silent.push_back(part.count == 0 ||
                                 (part.parent >= 0 && silent[static_cast<std::size_t>(parentOf(part).loop)]));
    }
    // Whether what is in a loop around it runs at all.
    bool runs(const StatementInfo& part) const {
        return part.parent < 0 || !silent[static_cast<std::size_t>(parentOf(part).loop)];
    }

    // The first statement that runs and whose own cost the other model
    // changes, or else the first statement.
    const StatementInfo& changedBy(const CostModel& other) const {
        const CostModel& model = analysis.model();
        const int scale = std::max(
            {model.addition.scale, model.multiplication.scale, other.addition.scale, other.multiplication.scale});
        const Integer addition = model.addition.unitsAt(scale) - other.addition.unitsAt(scale);
        const Integer multiplication = model.multiplication.unitsAt(scale) - other.multiplication.unitsAt(scale);
        for (const StatementInfo& part : parts)
            if (!part.isLoop() && runs(part) &&
                !Integer(addition * part.additions + multiplication * part.multiplications).is_zero())
                return part;
        return parts.front();
    }

    // model-ignored and costs-swapped: the counts costed under another model.
    std::optional<Slip> underModel(SlipKind kind, const CostModel& other) const {
        Cost cost = costOfCounts(analysis.counts(), other);
        if (!sameCost(answer, cost))
            return std::nullopt;
        const StatementInfo& part = changedBy(other);
        const CostModel& model = analysis.model();
        const std::string costs =
            "a '+' costs " + model.addition.text() + " and a '*' costs " + model.multiplication.text();
        const std::string example = analysis.canonicalText(part) + " at " + place(part);
        std::string text = kind == SlipKind::modelIgnored
                               ? "the answer counts each '+' and '*' as 1, but " + costs + " here, as in " + example
                               : "the answer swaps the costs of '+' and '*': " + costs + ", as in " + example;
        return Slip{kind, &part, nullptr, part.line, part.column, std::move(text), std::move(cost)};
    }

    // The answer less the cost, at the cost's scale, from n^0 up to one
    // power above the cost's degree, where every change of a loop stays;
    // false where the answer has a term beyond or a finer decimal than any
    // such change can make.
    bool difference() {
        const auto size = static_cast<std::size_t>(total.degree()) + 2;
        gap.assign(size, Integer());
        for (const AnswerTerm& term : answer.terms) {
            if (term.coefficient.units.is_zero())
                continue;
            if (static_cast<std::size_t>(term.power) >= size || term.coefficient.scale > total.scale())
                return false;
            gap[static_cast<std::size_t>(term.power)] += term.coefficient.unitsAt(total.scale());
        }
        for (int power = 0; power <= total.degree(); ++power)
            gap[static_cast<std::size_t>(power)] -= total.unitsOf(power);
        lowest = 0;
        while (static_cast<std::size_t>(lowest) + 1 < size && gap[static_cast<std::size_t>(lowest)].is_zero())
            ++lowest;
        highest = static_cast<int>(size) - 1;
        while (highest > lowest && gap[static_cast<std::size_t>(highest)].is_zero())
            --highest;
        return true;
    }

    // Coefficients from a power of n up, zero below and above them: a
    // loop's cost, where a deep loop has many zeros below.
    struct Span {
        int from = 0;
        Units units;

        const Integer& operator()(int power) const {
            const int k = power - from;
            return k >= 0 && k < static_cast<int>(units.size()) ? units[static_cast<std::size_t>(k)] : zero();
        }
        int top() const { return from + static_cast<int>(units.size()) - 1; }
    };

    // Whether factor * gap = change(k) at every power k from `from` to `to`,
    // the gap being zero at every other: the work is that of the powers
    // where the change can be other than zero.
    template <class Change>
    bool gapIs(int from, int to, const Integer& factor, Change change) const {
        if (lowest < from || highest > to)
            return false;
        for (int k = std::max(from, 0); k <= to && k < static_cast<int>(gap.size()); ++k)
            if (factor * gap[static_cast<std::size_t>(k)] != change(k))
                return false;
        return true;
    }

    // What a pass of a LOOP 0's body costs where the loop stands: its body
    // once, times the counts of the loops around it. Its own cost, zero,
    // cannot tell.
    Span bodyOnce(const StatementInfo& loop) const {
        const Cost once = analysis.perRunOf(loop);
        Span body;
        Integer factor = 1;
        if (loop.parent >= 0) {
            const std::vector<Integer> around = analysis.runsOf(parentOf(loop));
            body.from = static_cast<int>(around.size()) - 1;
            factor = around.back();
        }
        for (int k = 0; k <= once.degree(); ++k)
            body.units.emplace_back(once.unitsOf(k) * factor);
        return body;
    }

    struct Found {
        const StatementInfo* at = nullptr;
        const StatementInfo* before = nullptr;
    };

    // loop-left-out and constant-as-n for one loop that runs: the cost
    // less the loop's cost C plus its body's cost B once, or n times,
    // where C = count * B.
    void loopChanges(const StatementInfo& loop, const Span& c) {
        const Integer one = 1;
        if (loop.count == 0) {
            // C = 0: B is made from the body, once for each LOOP 0 whose
            // loops around run, so never twice for a statement
            const Span b = bodyOnce(loop);
            if (gapIs(b.from, b.top(), one, b))
                leftOut.at = &loop;
            else if (!asN.at && gapIs(b.from + 1, b.top() + 1, one, [&b](int k) { return b(k - 1); }))
                asN.at = &loop;
            return;
        }
        if (loop.count < 0) {
            // B = C / n: the gap is B - C
            if (gapIs(c.from - 1, c.top(), one, [&c](int k) { return Integer(c(k + 1) - c(k)); }))
                leftOut.at = &loop;
            return;
        }
        // B = C / count: count * gap = C - count * C, or n * C - count * C
        const Integer count = loop.count;
        if (gapIs(c.from, c.top(), count, [&c, &count](int k) { return Integer(c(k) - count * c(k)); }))
            leftOut.at = &loop;
        else if (!asN.at &&
                 gapIs(c.from, c.top() + 1, count, [&c, &count](int k) { return Integer(c(k - 1) - count * c(k)); }))
            asN.at = &loop;
    }

    // loops-nested: `loop` inside `before`, the loop just before it, its
    // cost C multiplied by before's count: the gap is C * (count - 1).
    void nestedChange(const StatementInfo& before, const StatementInfo& loop, const Span& c) {
        if (loop.count == 0 || before.count == 1)
            return;
        const Integer one = 1;
        const bool matches = before.count < 0
                                 ? gapIs(c.from, c.top() + 1, one, [&c](int k) { return Integer(c(k - 1) - c(k)); })
                                 : gapIs(c.from, c.top(), one, [&c, factor = Integer(before.count - 1)](int k) {
                                       return Integer(c(k) * factor);
                                   });
        if (matches)
            nested = Found{&loop, &before};
    }

    // One pass in source order, with the statement list each statement is in
    // on a stack: each loop once for each change, the first match kept. A
    // loop-left-out ends the search, since it comes first of the three.
    std::optional<Slip> inLoops() {
        if (!difference())
            return std::nullopt;
        struct List {
            std::int32_t parent;  // the loop whose body it is, -1 for the program's
            std::int32_t last;    // the statement or loop last seen in it, -1 for none
        };
        std::vector<List> lists{List{-1, -1}};
        for (std::size_t i = 0; i < parts.size() && !leftOut.at; ++i) {
            const StatementInfo& part = parts[i];
            while (lists.back().parent != part.parent)
                lists.pop_back();
            const std::int32_t before = lists.back().last;
            lists.back().last = static_cast<std::int32_t>(i);
            if (!part.isLoop())
                continue;
            lists.push_back(List{static_cast<std::int32_t>(i), -1});
            // its cost and its body's are zero whatever its count; or every
            // change of it is at its power of n or one below, and the gap
            // is not
            if (!runs(part) || part.power - 1 > lowest)
                continue;
            const Span cost{part.power, analysis.loopCostUnits(part)};
            loopChanges(part, cost);
            if (!nested.at && before >= 0 && parts[static_cast<std::size_t>(before)].isLoop())
                nestedChange(parts[static_cast<std::size_t>(before)], part, cost);
        }
        if (leftOut.at)
            return loopSlip(SlipKind::loopLeftOut, leftOut);
        if (asN.at)
            return loopSlip(SlipKind::constantAsN, asN);
        if (nested.at)
            return loopSlip(SlipKind::loopsNested, nested);
        return std::nullopt;
    }

    std::optional<Slip> loopSlip(SlipKind kind, const Found& found) const {
        const StatementInfo& loop = *found.at;
        const std::string name = analysis.canonicalText(loop) + " at " + place(loop);
        const std::string count = loop.count < 0 ? "n" : std::to_string(loop.count);
        std::string text;
        if (kind == SlipKind::loopLeftOut)
            text = "the answer leaves out the count of " + name + ": it takes its body as run once, not " + count +
                   (loop.count == 1 ? " time" : " times");
        else if (kind == SlipKind::constantAsN)
            text = "the answer takes " + name + " as LOOP n: its body runs " + count +
                   (loop.count == 1 ? " time" : " times") + ", not n times";
        else
            text = "the answer takes " + name + " as inside " + analysis.canonicalText(*found.before) + " at " +
                   place(*found.before) +
                   ", but it comes after that loop's END: their costs add, their counts do not multiply";
        Units units(gap.size());
        for (std::size_t k = 0; k < gap.size(); ++k)
            units[k] = gap[k] + unitsAt(total, static_cast<int>(k));
        return Slip{
            kind, &loop, found.before, loop.line, loop.column, std::move(text), Cost(std::move(units), total.scale())};
    }

    // lower-terms-left-out: the cost's leading term alone.
    std::optional<Slip> lowerTerms() const {
        const int order = total.order();
        Units units(static_cast<std::size_t>(order) + 1);
        units.back() = total.unitsOf(order);
        Cost leading(std::move(units), total.scale());
        if (!sameCost(answer, leading))
            return std::nullopt;
        Units below(static_cast<std::size_t>(order));
        for (int k = 0; k < order; ++k)
            below[static_cast<std::size_t>(k)] = total.unitsOf(k);
        const Cost rest(std::move(below), total.scale());
        const StatementInfo* pointed = &parts.front();
        for (const StatementInfo& part : parts)
            if (!part.isLoop() && part.power < order && !statementCost(analysis, part).units.is_zero()) {
                pointed = &part;
                break;
            }
        std::string text = "the answer is the leading term " + leading.text() + " alone: it leaves out " + rest.text() +
                           ", such as the cost of " + analysis.canonicalText(*pointed) + " at " + place(*pointed);
        return Slip{SlipKind::lowerTermsLeftOut, pointed, nullptr, pointed->line, pointed->column, std::move(text),
                    std::move(leading)};
    }

    const Analysis& analysis;
    const Answer& answer;
    const Cost& total;
    const Analysis::Statements& parts;
    std::vector<bool> silent;  // by loop index
    Units gap;                 // difference()
    int lowest = 0;            // the lowest power where the gap is not zero
    int highest = 0;           // and the highest
    Found leftOut;             // the first loop of each change that the answer matches
    Found asN;
    Found nested;
};

}  // namespace

Check checkAnswer(const Analysis& analysis, const Answer& answer) {
    if (!analysis.ok()) {
        Check check;
        check.kind = answer.kind;
        return check;
    }
    if (answer.kind == AnswerKind::order)
        return checkOrder(analysis, answer);
    Check check;
    check.terms = compareTerms(answer, analysis.total());
    check.right = std::all_of(check.terms.begin(), check.terms.end(), [](const CheckedTerm& t) { return t.right; });
    if (check.right)
        return check;
    listStatements(analysis, check.terms);
    check.slip = SlipSearch(analysis, answer).find();
    return check;
}

}  // namespace analysis
