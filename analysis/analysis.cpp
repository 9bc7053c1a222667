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
        const off_type base = dir == std::ios_base::beg ? 0 : dir == std::ios_base::cur ? gptr() - eback() : egptr() - eback();
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
    StatementRecorder(const std::vector<SourceMap::Span>& spans, std::vector<StatementInfo>& parts,
                      std::vector<Integer>& factors)
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
    const std::vector<SourceMap::Span>& spans;
    std::vector<StatementInfo>& parts;
    std::vector<Integer>& factors;
    std::vector<std::size_t> open;  // indexes of the loops open now
};

}  // namespace

Analysis::Analysis(std::string_view text, const CostModel& model, Detail detail)
    : source(text), lineIndex(text), costs(model) {
    scale = std::max(model.addition.scale, model.multiplication.scale);
    additionUnits = model.addition.unitsAt(scale);
    multiplicationUnits = model.multiplication.unitsAt(scale);
    SourceMap map;
    read(map);
    if (fault)
        return;
    costTotal();
    if (detail == Detail::statements)
        costStatements(map);
}

Analysis::~Analysis() = default;

void Analysis::read(SourceMap& map) {
    const std::size_t start = byteOrderMark(source);
    TextBuffer buffer(source, start);
    std::istream in(&buffer);
    try {
        ErrorLineCapture quiet;
        tree = std::make_unique<Program>(in, map);
    } catch (const SyntaxError& e) {
        fault = diagnose(e, source, start, map, lineIndex);
        return;
    }
    std::size_t end = static_cast<std::size_t>(map.program().end);
    while (end < source.size() && isBlank(source[end]))
        ++end;
    if (end < source.size()) {
        fault = trailingText(source, end, lineIndex);
        tree.reset();
    }
}

void Analysis::costTotal() {
    try {
        operations = countOperations<std::int64_t>(*tree);
    } catch (const Overflow&) {
        operations = countOperations<Integer>(*tree);
    }
    std::vector<Integer> units;
    units.reserve(operations.additions.size());
    for (std::size_t i = 0; i < operations.additions.size(); ++i)
        units.push_back(additionUnits * operations.additions[i] + multiplicationUnits * operations.multiplications[i]);
    sum = Cost(std::move(units), scale);
}

// A loop's whole cost is the sum of its statements' costs, so one pass from
// the last statement to the first adds each into the loop around it.
void Analysis::costStatements(const SourceMap& map) {
    StatementRecorder recorder(map.statements(), parts, loopFactors);
    walk(*tree, recorder);
    loopCosts.assign(loopFactors.size(), Cost(std::vector<Integer>(), scale));
    std::vector<Cost> open;  // per depth: what the statements seen so far at that depth add up to
    for (std::size_t i = parts.size(); i-- > 0;) {
        const StatementInfo& part = parts[i];
        const auto depth = static_cast<std::size_t>(part.depth);
        if (open.size() < depth + 2)
            open.resize(depth + 2, Cost(std::vector<Integer>(), scale));
        if (part.isLoop()) {
            Cost& body = open[depth + 1];
            open[depth].add(body);
            loopCosts[static_cast<std::size_t>(part.loop)] = std::move(body);
            body = Cost(std::vector<Integer>(), scale);
        } else {
            open[depth].add(costOf(part));
        }
    }
}

Cost Analysis::costOf(const StatementInfo& statement) const {
    if (statement.isLoop())
        return loopCosts[static_cast<std::size_t>(statement.loop)];
    std::vector<Integer> units(static_cast<std::size_t>(statement.power) + 1);
    Integer& top = units.back();
    top = additionUnits * statement.additions + multiplicationUnits * statement.multiplications;
    if (statement.parent >= 0)
        top *= loopFactors[static_cast<std::size_t>(parts[static_cast<std::size_t>(statement.parent)].loop)];
    return Cost(std::move(units), scale);
}

std::string Analysis::canonicalText() const {
    std::ostringstream out;
    tree->print(out);
    return out.str();
}

namespace {

// The variables of a term, or the terms of an expression, from the left: the
// chains are held from their right ends.
template <class Node, class Next>
std::vector<const Node*> fromTheLeft(const Node* last, Next next) {
    std::vector<const Node*> nodes;
    for (const Node* node = last; node; node = next(node))
        nodes.push_back(node);
    std::reverse(nodes.begin(), nodes.end());
    return nodes;
}

}  // namespace

std::string Analysis::canonicalText(const StatementInfo& statement) {
    if (const LoopStatement* loop = statement.node->asLoop())
        return loop->getCount() < 0 ? "LOOP n" : "LOOP " + std::to_string(loop->getCount());
    std::string text;
    const Expression* expression = statement.node->asExpressionStatement()->getExpression();
    for (const Expression* sum : fromTheLeft(expression, [](const Expression* e) { return e->getLeft(); })) {
        if (!text.empty())
            text += " + ";
        bool first = true;
        for (const Term* product : fromTheLeft(sum->getTerm(), [](const Term* t) { return t->getLeft(); })) {
            if (!first)
                text += " * ";
            text += product->getVariable()->getName();
            first = false;
        }
    }
    return text + " ;";
}

std::vector<const StatementInfo*> Analysis::hottest(std::size_t count) const {
    struct Ranked {
        Cost cost;
        const StatementInfo* statement;
    };
    std::vector<Ranked> ranked;
    for (const StatementInfo& part : parts)
        if (!part.isLoop())
            ranked.push_back(Ranked{costOf(part), &part});
    // costliest first; a stable sort keeps equal costs in source order
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const Ranked& a, const Ranked& b) { return a.cost.compare(b.cost) > 0; });
    std::vector<const StatementInfo*> hot;
    for (std::size_t i = 0; i < ranked.size() && i < count; ++i)
        hot.push_back(ranked[i].statement);
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
