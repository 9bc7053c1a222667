#include "analysis.h"

#include <algorithm>
#include <cstdint>
#include <istream>
#include <sstream>
#include <streambuf>

#include "diagnose.h"
#include "errorline.h"
#include "loopstatement.h"
#include "program.h"
#include "sourcemap.h"
#include "syntaxerror.h"
#include "walk.h"

namespace analysis {

namespace {

// Reads a text in memory where it stands; positions count from its first
// byte, so that the reader's offsets index the text.
class TextBuffer : public std::streambuf {
public:
    TextBuffer(std::string_view text, std::size_t start) {
        char* const begin = const_cast<char*>(text.data());  // read only: nothing here writes
        setg(begin, begin + start, begin + text.size());
    }

protected:
    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode which) override {
        const off_type base = dir == std::ios_base::beg   ? 0
                              : dir == std::ios_base::cur ? gptr() - eback()
                                                          : egptr() - eback();
        return seekpos(pos_type(base + off), which);
    }
    pos_type seekpos(pos_type pos, std::ios_base::openmode which) override {
        const off_type at = pos;
        if (!(which & std::ios_base::in) || at < 0 || at > egptr() - eback())
            return pos_type(off_type(-1));
        setg(eback(), eback() + at, egptr());
        return pos;
    }
};

std::size_t byteOrderMark(std::string_view text) { return text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0; }

// Machine words hold the counts of nearly every program; a program whose
// counts outgrow them is counted again with integers of any size.
struct Overflow {};

inline std::int64_t times(std::int64_t a, std::int64_t b) {
    std::int64_t r;
    if (__builtin_mul_overflow(a, b, &r))
        throw Overflow();
    return r;
}
inline std::int64_t plus(std::int64_t a, std::int64_t b) {
    std::int64_t r;
    if (__builtin_add_overflow(a, b, &r))
        throw Overflow();
    return r;
}
inline Integer times(const Integer& a, std::int64_t b) { return a * b; }
inline Integer plus(const Integer& a, const Integer& b) { return a + b; }

// Adds each statement's operations, times the counts of the loops around it,
// to the power of n that those loops raise it to.
template <class Int>
class OperationCounter {
public:
    void enterLoop(const LoopStatement& loop) {
        Level next = levels.back();
        if (loop.getCount() < 0)
            ++next.power;
        else
            next.factor = times(next.factor, loop.getCount());
        levels.push_back(next);
    }
    void leaveLoop() { levels.pop_back(); }
    void statement(const ExpressionStatement& statement) {
        const Operations ops = operationsOf(statement);
        const Level& level = levels.back();
        const auto power = static_cast<std::size_t>(level.power);
        if (power >= additions.size()) {
            additions.resize(power + 1, Int(0));
            multiplications.resize(power + 1, Int(0));
        }
        additions[power] = plus(additions[power], times(level.factor, ops.additions));
        multiplications[power] = plus(multiplications[power], times(level.factor, ops.multiplications));
    }

    Counts counts() const {
        Counts c;
        for (std::size_t i = 0; i < additions.size(); ++i) {
            c.additions.emplace_back(additions[i]);
            c.multiplications.emplace_back(multiplications[i]);
        }
        return c;
    }

private:
    struct Level {
        Int factor;  // the constant counts around, multiplied
        int power;   // the loops over n around
    };
    std::vector<Level> levels{Level{Int(1), 0}};
    std::vector<Int> additions{Int(0)};
    std::vector<Int> multiplications{Int(0)};
};

template <class Int>
Counts countOperations(const Program& program) {
    OperationCounter<Int> counter;
    walk(program, counter);
    return counter.counts();
}

// Records each statement in source order, with the loop around it and the
// constant factor that each loop and those around it repeat their body by.
class StatementRecorder {
public:
    StatementRecorder(const SourceMap::Spans& spans, Analysis::Statements& parts, Analysis::Integers& factors)
        : spans(spans), parts(parts), factors(factors) {}

    void enterLoop(const LoopStatement& loop) {
        StatementInfo& info = add(loop);
        info.loop = static_cast<std::int32_t>(factors.size());
        const Integer& outer = open.empty() ? one : factors[static_cast<std::size_t>(parts[open.back()].loop)];
        factors.push_back(loop.getCount() < 0 ? outer : outer * loop.getCount());
        if (loop.getCount() < 0)
            ++info.power;
        open.push_back(parts.size() - 1);
    }
    void leaveLoop() { open.pop_back(); }
    void statement(const ExpressionStatement& statement) {
        StatementInfo& info = add(statement);
        const Operations ops = operationsOf(statement);
        info.additions = static_cast<std::uint8_t>(ops.additions);
        info.multiplications = static_cast<std::uint8_t>(ops.multiplications);
    }

private:
    StatementInfo& add(const Statement& node) {
        const SourceMap::Span& span = spans[parts.size()];
        StatementInfo info{span.begin, span.end, &node, -1, -1, 0, 0, 0, 0};
        if (!open.empty()) {
            const StatementInfo& loop = parts[open.back()];
            info.parent = static_cast<std::int32_t>(open.back());
            info.depth = static_cast<std::int16_t>(loop.depth + 1);
            info.power = loop.power;
        }
        parts.push_back(info);
        return parts.back();
    }

    const Integer one = 1;
    const SourceMap::Spans& spans;
    Analysis::Statements& parts;
    Analysis::Integers& factors;
    std::vector<std::size_t> open;  // indexes of the loops open now
};

}  // namespace

Analysis::Analysis(std::string_view text, const CostModel& model, Detail detail) : source(text), costs(model) {
    scale = std::max(model.addition.scale, model.multiplication.scale);
    additionUnits = model.addition.unitsAt(scale);
    multiplicationUnits = model.multiplication.unitsAt(scale);
    for (int k = 0; k <= maxOperations; ++k) {
        additionTimes.emplace_back(additionUnits * k);
        multiplicationTimes.emplace_back(multiplicationUnits * k);
    }
    SourceMap map;
    // A statement takes at least a few bytes: "a ;" and a line end. Room
    // reserved and never used costs no memory, since its pages are never
    // touched.
    if (detail == Detail::statements)
        map.reserve(text.size() / 4);
    // Without statements to place, the spans are needed only to explain an
    // error, and then the text is read once more to learn them.
    read(detail == Detail::statements ? &map : nullptr);
    if (fault)
        return;
    if (detail == Detail::statements) {
        costStatements(map);
        operations = countRecorded();
    } else {
        operations = countInTree();
    }
    costTotal();
}

const LineIndex& Analysis::lines() const {
    if (!lineIndex)
        lineIndex = std::make_unique<LineIndex>(source);
    return *lineIndex;
}

Analysis::~Analysis() = default;

void Analysis::read(SourceMap* map) {
    const std::size_t start = byteOrderMark(source);
    TextBuffer buffer(source, start);
    std::istream in(&buffer);
    try {
        ErrorLineCapture quiet;
        tree = map ? std::make_unique<Program>(in, *map) : std::make_unique<Program>(in);
    } catch (const SyntaxError& e) {
        if (!map) {
            SourceMap spans;
            read(&spans);
            return;
        }
        fault = diagnose(e, source, start, *map, lines());
        return;
    }
    endOfProgram = static_cast<std::size_t>(buffer.pubseekoff(0, std::ios_base::cur, std::ios_base::in));
    std::size_t end = endOfProgram;
    while (end < source.size() && isBlank(source[end]))
        ++end;
    if (end < source.size()) {
        fault = trailingText(source, end, lines());
        tree.reset();
    }
}

Counts Analysis::countInTree() const {
    try {
        return countOperations<std::int64_t>(*tree);
    } catch (const Overflow&) {
        return countOperations<Integer>(*tree);
    }
}

// The statements have been recorded in a compact array: adding their
// operations there spares another walk through the whole tree.
Counts Analysis::countRecorded() const {
    Counts counts{{Integer(0)}, {Integer(0)}};
    for (const StatementInfo& part : parts)
        if (!part.isLoop())
            addOperations(counts, part);
    return counts;
}

Counts Analysis::countsOf(const StatementInfo& statement) const {
    Counts counts{{Integer(0)}, {Integer(0)}};
    if (!statement.isLoop()) {
        addOperations(counts, statement);
        return counts;
    }
    // the statements of a loop follow it in source order, up to its END
    for (auto i = static_cast<std::size_t>(&statement - parts.data()) + 1;
         i < parts.size() && parts[i].begin < statement.end; ++i)
        if (!parts[i].isLoop())
            addOperations(counts, parts[i]);
    return counts;
}

// A statement's operations, times the constant counts around it, at the
// power of n that the loops around it raise them to.
void Analysis::addOperations(Counts& counts, const StatementInfo& statement) const {
    const auto power = static_cast<std::size_t>(statement.power);
    if (power >= counts.additions.size()) {
        counts.additions.resize(power + 1);
        counts.multiplications.resize(power + 1);
    }
    const Integer& factor =
        statement.parent < 0
            ? one
            : loopFactors[static_cast<std::size_t>(parts[static_cast<std::size_t>(statement.parent)].loop)];
    if (factor == 1) {
        counts.additions[power] += statement.additions;
        counts.multiplications[power] += statement.multiplications;
    } else {
        counts.additions[power] += factor * statement.additions;
        counts.multiplications[power] += factor * statement.multiplications;
    }
}

void Analysis::costTotal() {
    std::vector<Integer> units;
    units.reserve(operations.additions.size());
    for (std::size_t i = 0; i < operations.additions.size(); ++i)
        units.emplace_back(additionUnits * operations.additions[i] +
                           multiplicationUnits * operations.multiplications[i]);
    sum = Cost(std::move(units), scale);
}

// A loop's whole cost is the sum of its statements' costs, so one pass from
// the last statement to the first adds each into the loop around it.
void Analysis::costStatements(const SourceMap& map) {
    parts.reserve(map.statements().size());
    loopFactors.reserve(map.statements().size());
    StatementRecorder recorder(map.statements(), parts, loopFactors);
    walk(*tree, recorder);
    // per depth: the coefficients of what the statements seen so far at that
    // depth add up to; cleared, not freed, when their loop has taken them
    std::vector<std::vector<Integer>> open;
    loopCosts.reserve(loopFactors.size());
    for (std::size_t i = parts.size(); i-- > 0;) {
        const StatementInfo& part = parts[i];
        const auto depth = static_cast<std::size_t>(part.depth);
        if (open.size() < depth + 2)
            open.resize(depth + 2);
        std::vector<Integer>& sum = open[depth];
        if (part.isLoop()) {
            std::vector<Integer>& body = open[depth + 1];
            if (sum.size() < body.size())
                sum.resize(body.size());
            for (std::size_t k = 0; k < body.size(); ++k)
                sum[k] += body[k];
            const auto low = std::min(static_cast<std::size_t>(part.power), body.size());
            loopCosts.push_back(LoopCost{loopUnits.size(), static_cast<std::int32_t>(body.size() - low)});
            loopUnits.insert(loopUnits.end(), body.begin() + static_cast<std::ptrdiff_t>(low), body.end());
            body.clear();
        } else {
            const auto power = static_cast<std::size_t>(part.power);
            if (sum.size() <= power)
                sum.resize(power + 1);
            sum[power] += statementUnits(part);
        }
    }
    // the loops came last first
    std::reverse(loopCosts.begin(), loopCosts.end());
}

Cost Analysis::loopCostOf(const StatementInfo& loop) const {
    const LoopCost& cost = loopCosts[static_cast<std::size_t>(loop.loop)];
    std::vector<Integer> units(static_cast<std::size_t>(loop.power));
    const auto first = loopUnits.begin() + static_cast<std::ptrdiff_t>(cost.first);
    units.insert(units.end(), first, first + cost.count);
    return Cost(std::move(units), scale);
}

// A statement's cost has one term: its own operations' cost, times the
// constant counts around it, at the power that the loops over n raise it to.
Integer Analysis::statementUnits(const StatementInfo& statement) const {
    Integer units = additionTimes[statement.additions] + multiplicationTimes[statement.multiplications];
    if (statement.parent >= 0) {
        const Integer& factor =
            loopFactors[static_cast<std::size_t>(parts[static_cast<std::size_t>(statement.parent)].loop)];
        if (factor != 1)
            units *= factor;
    }
    return units;
}

// A statement's one term counts only at the order of the total; its share
// is found without making its cost.
double Analysis::shareOf(const StatementInfo& statement) const {
    if (statement.isLoop())
        return loopCostOf(statement).shareOf(sum);
    return shareOfTerm(statement, statementUnits(statement));
}

double Analysis::shareOfTerm(const StatementInfo& statement, const Integer& units) const {
    const int order = sum.order();
    return statement.power == order ? Cost::ratio(units, sum.unitsOf(order)) : 0.0;
}

Cost Analysis::costOf(const StatementInfo& statement) const {
    if (statement.isLoop())
        return loopCostOf(statement);
    std::vector<Integer> units(static_cast<std::size_t>(statement.power) + 1);
    units.back() = statementUnits(statement);
    return Cost(std::move(units), scale);
}

void Analysis::appendCostText(std::string& out, const StatementInfo& statement) const {
    if (statement.isLoop()) {
        loopCostOf(statement).appendText(out);
        return;
    }
    appendTermText(out, statement, statementUnits(statement));
}

void Analysis::appendTermText(std::string& out, const StatementInfo& statement, const Integer& units) const {
    if (units.is_zero())
        out += '0';
    else
        Cost::appendTerm(out, statement.power, units, scale, true);
}

std::string Analysis::canonicalText() const {
    std::ostringstream out;
    tree->print(out);
    return out.str();
}

namespace {

// Visits the variables of a term, or the terms of an expression, from the
// left: the chains are held from their right ends. A statement that was read
// has at most 50 of either, so they fit in place.
template <class Node, class Next, class Visit>
void forEachFromTheLeft(const Node* last, Next next, Visit visit) {
    const std::size_t inPlace = 64;
    const Node* nodes[inPlace];
    std::vector<const Node*> more;
    std::size_t count = 0;
    for (const Node* node = last; node; node = next(node), ++count) {
        if (count < inPlace)
            nodes[count] = node;
        else
            more.push_back(node);
    }
    for (std::size_t i = count; i-- > 0;)
        visit(i < inPlace ? nodes[i] : more[i - inPlace]);
}

}  // namespace

std::string Analysis::canonicalText(const StatementInfo& statement) {
    std::string text;
    appendCanonicalText(text, statement);
    return text;
}

namespace {

// Gathers short pieces in place and hands them to a string in one go: a
// statement's text is hundreds of one-byte pieces.
class Pieces {
public:
    explicit Pieces(std::string& out) : out(out) {}
    ~Pieces() { flush(); }
    Pieces(const Pieces&) = delete;
    Pieces& operator=(const Pieces&) = delete;

    void put(char c) {
        if (used == sizeof held)
            flush();
        held[used++] = c;
    }
    void put(char a, char b, char c) {
        put(a);
        put(b);
        put(c);
    }

private:
    void flush() {
        out.append(held, used);
        used = 0;
    }

    std::string& out;
    char held[256];
    std::size_t used = 0;
};

}  // namespace

void Analysis::appendCanonicalText(std::string& out, const StatementInfo& statement) {
    if (const LoopStatement* loop = statement.node->asLoop()) {
        out += "LOOP ";
        out += loop->getCount() < 0 ? "n" : std::to_string(loop->getCount());
        return;
    }
    Pieces text(out);
    bool firstTerm = true;
    const Expression* expression = statement.node->asExpressionStatement()->getExpression();
    forEachFromTheLeft(
        expression, [](const Expression* e) { return e->getLeft(); },
        [&](const Expression* sum) {
            if (!firstTerm)
                text.put(' ', '+', ' ');
            firstTerm = false;
            bool firstVariable = true;
            forEachFromTheLeft(
                sum->getTerm(), [](const Term* t) { return t->getLeft(); },
                [&](const Term* product) {
                    if (!firstVariable)
                        text.put(' ', '*', ' ');
                    firstVariable = false;
                    text.put(product->getVariable()->getName());
                });
        });
    text.put(' ');
    text.put(';');
}

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

}  // namespace

// The statements are ranked as they come, in a heap that holds the `count`
// best so far with the least of them on top: a program of millions of
// statements is never sorted whole.
std::vector<const StatementInfo*> Analysis::hottest(std::size_t count) const {
    std::vector<Ranked> best;
    if (count == 0)
        return {};
    for (const StatementInfo& part : parts) {
        if (part.isLoop())
            continue;
        Ranked next{statementUnits(part), &part};
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

const StatementInfo* Analysis::statementAt(std::size_t offset) const {
    const auto at = static_cast<std::int64_t>(offset);
    // the last statement that begins at or before the offset, then out to
    // the loops around it until one holds the offset
    auto after = std::upper_bound(parts.begin(), parts.end(), at,
                                  [](std::int64_t o, const StatementInfo& s) { return o < s.begin; });
    if (after == parts.begin())
        return nullptr;
    const StatementInfo* s = &*(after - 1);
    while (s && at >= s->end)
        s = s->parent >= 0 ? &parts[static_cast<std::size_t>(s->parent)] : nullptr;
    return s;
}

}  // namespace analysis
