#include "loopcost/analysis/analysis.h"

#include "loopcost/analysis/canonical.h"
#include "loopcost/analysis/syntax.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace analysis {

std::optional<Decimal> parseCost(std::string_view text) { return Decimal::parse(text); }

// ---------------------------------------------------------------------------
// Counting as the program is read

struct OperationCounter::Level {
    std::int64_t factor;  // the constant counts around, multiplied, while it fits
    std::int32_t power;   // the loops over n around
    bool bigFactor;       // the factor is in `factors` instead
    bool unknown;         // inside a loop whose count did not read: nothing is counted
    Integer factors;
};

OperationCounter::OperationCounter() : additions(1), multiplications(1) {
    levels.push_back(Level{1, 0, false, false, Integer()});
}
OperationCounter::~OperationCounter() = default;

void OperationCounter::loopBegins(std::size_t, Place, std::int32_t count) {
    const Level& outer = levels.back();
    Level next{outer.factor, outer.power, outer.bigFactor, outer.unknown, Integer()};
    if (outer.bigFactor)
        next.factors = outer.factors;
    if (count == unknownCount) {
        next.unknown = true;
    } else if (count < 0) {
        ++next.power;
    } else if (next.bigFactor) {
        next.factors *= count;
    } else if (__builtin_mul_overflow(outer.factor, static_cast<std::int64_t>(count), &next.factor)) {
        next.bigFactor = true;
        next.factors = Integer(outer.factor) * count;
    }
    levels.push_back(std::move(next));
}

void OperationCounter::loopEnds(std::size_t) {
    if (levels.size() > 1)
        levels.pop_back();
}

void OperationCounter::growTo(std::size_t power) {
    if (power < additions.size())
        return;
    additions.resize(power + 1);
    multiplications.resize(power + 1);
    if (big) {
        bigAdditions.resize(power + 1);
        bigMultiplications.resize(power + 1);
    }
}

// This is where the default run spends its time between bytes: machine
// words, and a check for overflow.
void OperationCounter::statement(std::size_t, std::size_t, Place, int add, int multiply) {
    const Level& level = levels.back();
    if (level.unknown)
        return;
    const auto power = static_cast<std::size_t>(level.power);
    growTo(power);
    if (!big && !level.bigFactor) {
        std::int64_t a, m, sumA, sumM;
        if (!__builtin_mul_overflow(level.factor, static_cast<std::int64_t>(add), &a) &&
            !__builtin_mul_overflow(level.factor, static_cast<std::int64_t>(multiply), &m) &&
            !__builtin_add_overflow(additions[power], a, &sumA) &&
            !__builtin_add_overflow(multiplications[power], m, &sumM)) {
            additions[power] = sumA;
            multiplications[power] = sumM;
            return;
        }
    }
    if (!big) {
        big = true;
        bigAdditions.assign(additions.begin(), additions.end());
        bigMultiplications.assign(multiplications.begin(), multiplications.end());
    }
    addBig(level, add, multiply);
}

void OperationCounter::addBig(const Level& level, int add, int multiply) {
    const auto power = static_cast<std::size_t>(level.power);
    const Integer factor = level.bigFactor ? level.factors : Integer(level.factor);
    bigAdditions[power] += factor * add;
    bigMultiplications[power] += factor * multiply;
}

Counts OperationCounter::counts() const {
    Counts c;
    if (big) {
        c.additions = bigAdditions;
        c.multiplications = bigMultiplications;
        return c;
    }
    c.additions.assign(additions.begin(), additions.end());
    c.multiplications.assign(multiplications.begin(), multiplications.end());
    return c;
}

Cost costOfCounts(const Counts& counts, const CostModel& model) {
    const int scale = std::max(model.addition.scale, model.multiplication.scale);
    const Integer add = model.addition.unitsAt(scale);
    const Integer multiply = model.multiplication.unitsAt(scale);
    std::vector<Integer> units;
    units.reserve(counts.additions.size());
    for (std::size_t i = 0; i < counts.additions.size(); ++i)
        units.emplace_back(add * counts.additions[i] + multiply * counts.multiplications[i]);
    return Cost(std::move(units), scale);
}

StreamedCost costStream(ByteSource& input, const CostModel& model) {
    OperationCounter counter;
    Reader reader(counter);
    reader.read(input);
    StreamedCost result;
    result.diagnostics = reader.diagnostics();
    if (result.diagnostics.empty()) {
        result.counts = counter.counts();
        result.total = costOfCounts(result.counts, model);
    }
    return result;
}

// Three significant digits at most, and no zeros that say nothing; a share
// too small to show in them is said to be so, not rounded to nothing.
std::string shareText(double share) {
    const double value = share * 100.0;
    if (value == 0.0 || !std::isfinite(value))
        return "0%";
    if (std::fabs(value) < 0.001)
        return value < 0 ? "-0.001% or less" : "less than 0.001%";
    char text[400];
    const int decimals = std::fabs(value) >= 10 ? 1 : std::fabs(value) >= 1 ? 2 : 3;
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string shown = text;
    while (shown.back() == '0')
        shown.pop_back();
    if (shown.back() == '.')
        shown.pop_back();
    return shown + "%";
}

// ---------------------------------------------------------------------------
// Recording every statement

namespace {

// Records each statement in source order, with the loop around it and the
// constant factor that each loop and those around it repeat their body by.
class StatementRecorder : public ReadEvents {
public:
    StatementRecorder(Analysis::Statements& statementList, Analysis::Factors& factors, OperationCounter& counter)
        : statementList(statementList), factors(factors), counter(counter) {}

    // A loop's factor is -1 where it does not fit in a machine word, and so
    // are those of the loops inside it.
    void loopBegins(std::size_t offset, Place place, std::int32_t count) override {
        counter.loopBegins(offset, place, count);
        StatementInfo& info = add(offset, place);
        info.loop = static_cast<std::int32_t>(factors.size());
        info.count = count;
        info.ended = false;
        const std::int64_t outer =
            open.empty() ? 1 : factors[static_cast<std::size_t>(statementList[open.back()].loop)];
        if (count == unknownCount)
            info.costed = false;
        std::int64_t factor = outer;
        if (count >= 0 && outer >= 0 && __builtin_mul_overflow(outer, static_cast<std::int64_t>(count), &factor))
            factor = -1;
        overflowed = overflowed || factor < 0;
        factors.push_back(factor);
        if (count < 0 && count != unknownCount)
            ++info.power;
        open.push_back(statementList.size() - 1);
    }
    void loopEnds(std::size_t end) override {
        counter.loopEnds(end);
        statementList[open.back()].end = static_cast<std::int64_t>(end);
        statementList[open.back()].ended = true;
        open.pop_back();
    }
    void statement(std::size_t begin, std::size_t end, Place place, int additions, int multiplications) override {
        counter.statement(begin, end, place, additions, multiplications);
        StatementInfo& info = add(begin, place);
        info.end = static_cast<std::int64_t>(end);
        info.additions = static_cast<std::uint8_t>(additions);
        info.multiplications = static_cast<std::uint8_t>(multiplications);
    }
    // Whether some loop's factor does not fit in a machine word.
    bool factorOverflowed() const { return overflowed; }
    // Loops the input left open end with it.
    void finish(std::size_t end) {
        while (!open.empty()) {
            statementList[open.back()].end = static_cast<std::int64_t>(end);
            open.pop_back();
        }
    }

private:
    StatementInfo& add(std::size_t begin, Place place) {
        StatementInfo info{static_cast<std::int64_t>(begin),
                           static_cast<std::int64_t>(begin),
                           -1,
                           -1,
                           0,
                           static_cast<std::uint32_t>(place.line),
                           static_cast<std::uint32_t>(place.column),
                           0,
                           0,
                           0,
                           0,
                           true,
                           true};
        if (!open.empty()) {
            const StatementInfo& loop = statementList[open.back()];
            info.parent = static_cast<std::int32_t>(open.back());
            info.depth = loop.depth + 1;
            info.power = loop.power;
            info.costed = loop.costed;
        }
        statementList.push_back(info);
        return statementList.back();
    }

    Analysis::Statements& statementList;
    Analysis::Factors& factors;
    OperationCounter& counter;
    std::vector<std::size_t> open;  // indexes of the loops open now
    bool overflowed = false;
};

// Additions that fail where machine words overflow, and never with integers
// of any size.
bool addInto(std::int64_t& totalCost, std::int64_t value) {
    return !__builtin_add_overflow(totalCost, value, &totalCost);
}
bool addInto(Integer& totalCost, const Integer& value) {
    totalCost += value;
    return true;
}

}  // namespace

Analysis::Analysis(std::string_view text, const CostModel& model, Detail detail) : programText(text), costModel(model) {
    scale = std::max(model.addition.scale, model.multiplication.scale);
    additionUnits = model.addition.unitsAt(scale);
    multiplicationUnits = model.multiplication.unitsAt(scale);
    OperationCounter counter;
    StatementRecorder recorder(statementList, smallFactors, counter);
    const bool everyStatement = detail == Detail::statements;
    if (everyStatement) {
        for (int k = 0; k <= maxOperations; ++k) {
            additionTimes.emplace_back(additionUnits * k);
            multiplicationTimes.emplace_back(multiplicationUnits * k);
        }
        // A statement takes a few bytes at least: "a ;" and a line end. Room
        // reserved and never used costs no memory, since its pages are never
        // touched.
        statementList.reserve(text.size() / 4 + 1);
        // The same for the loops ("LOOP n END" at least), here and in
        // costLoops: grown from small, their arrays would pass through
        // allocations of a few MiB, each 4 KiB of them a page fault of its
        // own, where large ones get huge pages (largememory.h).
        smallFactors.reserve(text.size() / 8 + 1);
    }
    Reader reader(everyStatement ? static_cast<ReadEvents&>(recorder) : counter);
    reader.read(text);
    diagnosticsFound = reader.diagnostics();
    programEndOffset = reader.programEnd();
    if (everyStatement) {
        recorder.finish(text.size());
        if (recorder.factorOverflowed())
            factorsInIntegers();
        costStatements();
    }
    if (diagnosticsFound.empty()) {
        operationCounts = counter.counts();
        totalCost = costOfCounts(operationCounts, model);
    }
}

Analysis::~Analysis() = default;

const LineIndex& Analysis::lines() const {
    if (!lineIndex)
        lineIndex = std::make_unique<LineIndex>(programText);
    return *lineIndex;
}

Integer Analysis::factorOf(const StatementInfo& statement) const {
    if (statement.parent < 0)
        return 1;
    return loopFactor(static_cast<std::size_t>(statementList[static_cast<std::size_t>(statement.parent)].loop));
}

Integer Analysis::loopFactor(std::size_t loop) const {
    return smallFactors[loop] >= 0 ? Integer(smallFactors[loop]) : loopFactors[loop];
}

// Loops come in source order, each after the loop around it.
void Analysis::factorsInIntegers() {
    loopFactors.reserve(smallFactors.size());
    for (const StatementInfo& part : statementList) {
        if (!part.isLoop())
            continue;
        Integer factor =
            part.parent < 0
                ? Integer(1)
                : loopFactors[static_cast<std::size_t>(statementList[static_cast<std::size_t>(part.parent)].loop)];
        if (part.count >= 0)
            factor *= part.count;
        loopFactors.push_back(std::move(factor));
    }
}

// A statement's cost has one term: its own operations' cost, times the
// constant counts around it, at the power that the loops over n raise it to.
Integer Analysis::statementUnits(const StatementInfo& statement) const {
    if (!statement.costed)
        return Integer(0);
    std::int64_t small, around;
    if (smallUnits(statement, small, around))
        return Integer(small);
    Integer units = additionTimes[statement.additions] + multiplicationTimes[statement.multiplications];
    const Integer factor = factorOf(statement);
    if (factor != 1)
        units *= factor;
    return units;
}

// In machine words where the model and the counts around allow it.
bool Analysis::smallUnits(const StatementInfo& statement, std::int64_t& units, std::int64_t& factor) const {
    if (!smallModel)
        return false;
    const std::int64_t own = smallAdditions * statement.additions + smallMultiplications * statement.multiplications;
    factor =
        statement.parent < 0
            ? 1
            : smallFactors[static_cast<std::size_t>(statementList[static_cast<std::size_t>(statement.parent)].loop)];
    return factor >= 0 && !__builtin_mul_overflow(own, factor, &units);
}

std::optional<Analysis::Term> Analysis::termOf(const StatementInfo& statement) const {
    Term term{statement.power, 0, 0, scale};
    if (statement.isLoop() || !statement.costed || !smallUnits(statement, term.units, term.runs))
        return std::nullopt;
    return term;
}

std::optional<Analysis::Terms> Analysis::termsOf(const StatementInfo& loop) const {
    if (!loop.isLoop() || !loop.costed || !loopsInWords)
        return std::nullopt;
    const LoopCost& cost = loopCosts[static_cast<std::size_t>(loop.loop)];
    return Terms{loop.power, cost.count, smallLoopUnits.data() + cost.first, scale};
}

bool Analysis::statementUnitsIn(const StatementInfo& statement, std::int64_t& units) const {
    std::int64_t around;
    return smallUnits(statement, units, around);
}

bool Analysis::statementUnitsIn(const StatementInfo& statement, Integer& units) const {
    units = statementUnits(statement);
    return true;
}

// A loop's whole cost is the sum of its statements' costs, so one pass from
// the last statement to the first adds each into the loop around it. In
// machine words where they do not overflow, since most programs' costs fit.
void Analysis::costStatements() {
    // a statement has at most 49 operations of a kind: its own cost fits when
    // each operation's cost is below 2^56
    const Integer limit = Integer(1) << 56;
    smallModel =
        additionUnits < limit && additionUnits > -limit && multiplicationUnits < limit && multiplicationUnits > -limit;
    if (smallModel) {
        smallAdditions = additionUnits.convert_to<std::int64_t>();
        smallMultiplications = multiplicationUnits.convert_to<std::int64_t>();
    }
    loopsInWords = smallModel && costLoops(smallLoopUnits);
    if (!loopsInWords) {
        smallLoopUnits = Factors();
        costLoops(loopUnits);
    }
}

template <class Number>
bool Analysis::costLoops(std::vector<Number, largememory::Allocator<Number>>& units) {
    // per depth: the coefficients of what the statements seen so far at that
    // depth add up to; cleared, not freed, when their loop has taken them
    std::vector<std::vector<Number>> open;
    loopCosts.clear();
    loopCosts.reserve(smallFactors.capacity());
    units.reserve(smallFactors.capacity());
    Number own{};
    for (std::size_t i = statementList.size(); i-- > 0;) {
        const StatementInfo& part = statementList[i];
        const auto depth = static_cast<std::size_t>(part.depth);
        if (open.size() < depth + 2)
            open.resize(depth + 2);
        std::vector<Number>& totalCost = open[depth];
        if (part.isLoop()) {
            std::vector<Number>& body = open[depth + 1];
            if (totalCost.size() < body.size())
                totalCost.resize(body.size());
            for (std::size_t k = 0; k < body.size(); ++k)
                if (!addInto(totalCost[k], body[k]))
                    return false;
            const auto low = std::min(static_cast<std::size_t>(part.power), body.size());
            loopCosts.push_back(LoopCost{units.size(), static_cast<std::int32_t>(body.size() - low)});
            units.insert(units.end(), body.begin() + static_cast<std::ptrdiff_t>(low), body.end());
            body.clear();
        } else if (part.costed) {
            const auto power = static_cast<std::size_t>(part.power);
            if (totalCost.size() <= power)
                totalCost.resize(power + 1);
            if (!statementUnitsIn(part, own) || !addInto(totalCost[power], own))
                return false;
        }
    }
    // the loops came last first
    std::reverse(loopCosts.begin(), loopCosts.end());
    return true;
}

Cost Analysis::costOf(const StatementInfo& statement) const {
    if (!statement.costed)
        return Cost(std::vector<Integer>(1), scale);
    if (statement.isLoop()) {
        const LoopCost& cost = loopCosts[static_cast<std::size_t>(statement.loop)];
        std::vector<Integer> units(static_cast<std::size_t>(statement.power));
        const auto first = static_cast<std::ptrdiff_t>(cost.first);
        if (loopsInWords)
            units.insert(units.end(), smallLoopUnits.begin() + first, smallLoopUnits.begin() + first + cost.count);
        else
            units.insert(units.end(), loopUnits.begin() + first, loopUnits.begin() + first + cost.count);
        return Cost(std::move(units), scale);
    }
    std::vector<Integer> units(static_cast<std::size_t>(statement.power) + 1);
    units.back() = statementUnits(statement);
    return Cost(std::move(units), scale);
}

std::vector<Integer> Analysis::loopCostUnits(const StatementInfo& loop) const {
    if (!loop.isLoop() || !loop.costed)
        return {};
    const LoopCost& cost = loopCosts[static_cast<std::size_t>(loop.loop)];
    const auto first = static_cast<std::ptrdiff_t>(cost.first);
    if (loopsInWords)
        return std::vector<Integer>(smallLoopUnits.begin() + first, smallLoopUnits.begin() + first + cost.count);
    return std::vector<Integer>(loopUnits.begin() + first, loopUnits.begin() + first + cost.count);
}

// A statement's one term counts only at the order of the total.
double Analysis::shareOf(const StatementInfo& statement) const {
    if (statement.isLoop() || !statement.costed)
        return costOf(statement).shareOf(totalCost);
    const int order = totalCost.order();
    return statement.power == order ? Cost::ratio(statementUnits(statement), totalCost.unitsOf(order)) : 0.0;
}

namespace {

// A statement's operations, times the constant counts around it, at the
// power of n that the loops around it raise them to.
void addOperations(Counts& counts, const StatementInfo& statement, const Integer& factor) {
    const auto power = static_cast<std::size_t>(statement.power);
    if (power >= counts.additions.size()) {
        counts.additions.resize(power + 1);
        counts.multiplications.resize(power + 1);
    }
    counts.additions[power] += factor * statement.additions;
    counts.multiplications[power] += factor * statement.multiplications;
}

}  // namespace

Counts Analysis::countsOf(const StatementInfo& statement) const {
    Counts counts{{Integer(0)}, {Integer(0)}};
    if (!statement.costed)
        return counts;
    if (!statement.isLoop()) {
        addOperations(counts, statement, factorOf(statement));
        return counts;
    }
    // the statements of a loop follow it in source order, up to its END
    for (auto i = static_cast<std::size_t>(&statement - statementList.data()) + 1;
         i < statementList.size() && statementList[i].begin < statement.end; ++i)
        if (!statementList[i].isLoop())
            addOperations(counts, statementList[i], factorOf(statementList[i]));
    return counts;
}

std::vector<Integer> Analysis::runsOf(const StatementInfo& statement) const {
    if (!statement.costed)
        return {Integer(0)};
    std::vector<Integer> runs(static_cast<std::size_t>(statement.power) + 1);
    runs.back() = statement.isLoop() ? loopFactor(static_cast<std::size_t>(statement.loop)) : factorOf(statement);
    return runs;
}

// Each statement on a line of its own, two blanks further in for each loop
// around it, and each loop's END where the loop ends.
std::string Analysis::canonicalProgram() const {
    std::string out = "BEGIN\n";
    std::vector<std::size_t> open;
    const auto indent = [&out](std::size_t depth) { out.append(2 * depth + 2, ' '); };
    for (std::size_t i = 0; i < statementList.size(); ++i) {
        const StatementInfo& part = statementList[i];
        while (!open.empty() && open.back() != static_cast<std::size_t>(part.parent) + 1) {
            open.pop_back();
            indent(open.size());
            out += "END\n";
        }
        indent(static_cast<std::size_t>(part.depth));
        appendCanonicalText(out, programText, part);
        out += '\n';
        if (part.isLoop())
            open.push_back(i + 1);
    }
    for (; !open.empty(); open.pop_back()) {
        indent(open.size() - 1);
        out += "END\n";
    }
    return out + "END\n";
}

std::string Analysis::canonicalText(const StatementInfo& statement) const {
    std::string text;
    appendCanonicalText(text, programText, statement);
    return text;
}

const StatementInfo* Analysis::statementAt(std::size_t offset) const {
    const auto at = static_cast<std::int64_t>(offset);
    // the last statement that begins at or before the offset, then out to
    // the loops around it until one holds the offset
    auto after = std::upper_bound(statementList.begin(), statementList.end(), at,
                                  [](std::int64_t o, const StatementInfo& s) { return o < s.begin; });
    if (after == statementList.begin())
        return nullptr;
    const StatementInfo* s = &*(after - 1);
    while (s && at >= s->end)
        s = s->parent >= 0 ? &statementList[static_cast<std::size_t>(s->parent)] : nullptr;
    return s;
}

std::vector<Analysis::LineCost> Analysis::lineCosts(std::size_t firstLine, std::size_t lastLine) const {
    std::vector<LineCost> costModel;
    // statements begin in line order
    const auto first = std::partition_point(statementList.begin(), statementList.end(),
                                            [firstLine](const StatementInfo& s) { return s.line < firstLine; });
    for (auto i = static_cast<std::size_t>(first - statementList.begin());
         i < statementList.size() && statementList[i].line <= lastLine;) {
        const std::size_t line = statementList[i].line;
        LineCost here{line, i, Cost(std::vector<Integer>(1), scale), 0.0};
        std::size_t j = i;
        for (; j < statementList.size() && statementList[j].line == line; ++j) {
            const StatementInfo& part = statementList[j];
            if (shownOnItsLine(part))
                here.cost.add(costOf(part));
        }
        here.share = here.cost.shareOf(totalCost);
        costModel.push_back(std::move(here));
        i = j;
    }
    return costModel;
}

// ---------------------------------------------------------------------------
// What one run costs, and how many runs

namespace {

void appendQuoted(std::string& out, const std::string& text, std::string_view quote) {
    out.append(quote).append(text).append(quote);
}

bool isOne(const std::vector<Integer>& polynomial) {
    for (std::size_t i = 1; i < polynomial.size(); ++i)
        if (!polynomial[i].is_zero())
            return false;
    return polynomial.front() == 1;
}

// "3 * n^2 times", "1 time".
void appendRuns(std::string& out, const std::vector<Integer>& runs, std::string_view quote) {
    appendQuoted(out, countText(runs), quote);
    out += isOne(runs) ? " time" : " times";
}

}  // namespace

Integer Analysis::ownUnits(const StatementInfo& statement) const {
    return additionTimes[statement.additions] + multiplicationTimes[statement.multiplications];
}

// A loop's body: the statements after it up to its END, each with the counts
// of the loops between the loop and it, kept on a stack of the loops open.
Cost Analysis::perRunOf(const StatementInfo& statement) const {
    std::vector<Integer> units(1);
    if (!statement.costed)
        return Cost(std::move(units), scale);
    if (!statement.isLoop()) {
        units[0] = ownUnits(statement);
        return Cost(std::move(units), scale);
    }
    struct Open {
        std::int32_t index;
        Integer factor;  // the counts of the loops from here in, multiplied; 0 for one that does not read
        std::size_t power;
    };
    const auto self = static_cast<std::int32_t>(&statement - statementList.data());
    std::vector<Open> open{Open{self, Integer(1), 0}};
    for (auto i = static_cast<std::size_t>(self) + 1;
         i < statementList.size() && statementList[i].begin < statement.end; ++i) {
        const StatementInfo& part = statementList[i];
        while (open.back().index != part.parent)
            open.pop_back();
        const Open& around = open.back();
        if (part.isLoop()) {
            const bool overN = part.count < 0 && part.count != ReadEvents::unknownCount;
            Integer factor = !part.costed ? Integer(0) : overN ? around.factor : around.factor * part.count;
            open.push_back(Open{static_cast<std::int32_t>(i), std::move(factor), around.power + (overN ? 1 : 0)});
        } else if (part.costed && !around.factor.is_zero()) {
            if (units.size() <= around.power)
                units.resize(around.power + 1);
            units[around.power] += around.factor * ownUnits(part);
        }
    }
    return Cost(std::move(units), scale);
}

std::string Analysis::runsText(const StatementInfo& statement, std::string_view quote) const {
    if (!statement.costed)
        return "not costed: a loop count around it does not read";
    std::string out = statement.isLoop() ? "its body runs " : "runs ";
    appendRuns(out, runsOf(statement), quote);
    out += ", ";
    appendQuoted(out, perRunOf(statement).text(), quote);
    return out + " per run";
}

}  // namespace analysis
