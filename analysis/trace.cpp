// A program run for one n: statement by statement where that is asked for,
// arithmetically where it is not.
#include "loopcost/analysis/trace.h"

#include <algorithm>
#include <utility>

namespace analysis {

namespace {

// What some statements add up to when they run.
struct Work {
    Integer steps;
    Integer additions;
    Integer multiplications;
    Integer units;  // their cost, in units of 10^-scale

    void add(const Work& other, const Integer& times) {
        steps += other.steps * times;
        additions += other.additions * times;
        multiplications += other.multiplications * times;
        units += other.units * times;
    }
};

}  // namespace

// What each loop adds up to, made once for a program and an n.
struct Tracer::Table {
    const Analysis* analysis;
    const Analysis::Statements* statements;  // only those of a text without errors run
    int scale;
    Integer addition;  // the model's costs in units of 10^-scale
    Integer multiplication;
    // by a loop's index among the loops
    std::vector<std::size_t> after;  // the index of what follows the loop, past its body
    std::vector<Integer> counts;     // its passes at this n
    std::vector<Work> bodies;        // what one pass of its body adds

    Table(const Analysis& analysis, const Integer& n);

    Integer ownUnits(const StatementInfo& s) const {
        Integer units = addition * s.additions;
        units += multiplication * s.multiplications;
        return units;
    }
    const StatementInfo& at(std::size_t index) const { return (*statements)[index]; }
    // A loop's whole contribution, count times its body.
    void addLoop(Work& to, const StatementInfo& loop) const {
        const auto l = static_cast<std::size_t>(loop.loop);
        to.add(bodies[l], counts[l]);
    }
};

Tracer::Table::Table(const Analysis& program, const Integer& n)
    : analysis(&program), statements(&program.statements()) {
    const CostModel& model = program.model();
    scale = std::max(model.addition.scale, model.multiplication.scale);
    addition = model.addition.unitsAt(scale);
    multiplication = model.multiplication.unitsAt(scale);
    if (!program.ok())
        return;
    const Analysis::Statements& parts = *statements;
    std::size_t loops = 0;
    for (const StatementInfo& s : parts)
        loops += s.isLoop() ? 1 : 0;
    after.resize(loops);
    counts.resize(loops);
    bodies.resize(loops);
    // where each loop ends: the loops open form the chain of parents
    std::vector<std::size_t> chain;
    for (std::size_t x = 0; x < parts.size(); ++x) {
        while (!chain.empty() && static_cast<std::int32_t>(chain.back()) != parts[x].parent) {
            after[static_cast<std::size_t>(parts[chain.back()].loop)] = x;
            chain.pop_back();
        }
        if (parts[x].isLoop()) {
            chain.push_back(x);
            const std::int32_t count = parts[x].count;
            counts[static_cast<std::size_t>(parts[x].loop)] = count < 0 ? n : Integer(count);
        }
    }
    for (const std::size_t x : chain)
        after[static_cast<std::size_t>(parts[x].loop)] = parts.size();
    // a body is complete before its loop is reached from the back: all of it
    // comes after the loop
    for (std::size_t x = parts.size(); x-- > 0;) {
        const StatementInfo& s = parts[x];
        if (s.parent < 0)
            continue;
        Work& into = bodies[static_cast<std::size_t>(at(static_cast<std::size_t>(s.parent)).loop)];
        if (s.isLoop()) {
            addLoop(into, s);
        } else {
            into.steps += 1;
            into.additions += s.additions;
            into.multiplications += s.multiplications;
            into.units += ownUnits(s);
        }
    }
}

Tracer::Tracer(const Analysis& analysis, const Integer& n) : table(std::make_shared<const Table>(analysis, n)) {
    done.cost.scale = table->scale;
    size = analysis.ok() ? analysis.statements().size() : 0;
}

const StatementInfo* Tracer::current() const { return atEnd() ? nullptr : &table->at(position); }

std::int32_t Tracer::parentIndex() const {
    return open.empty() ? -1 : static_cast<std::int32_t>(open.back().loop - table->statements->data());
}

std::size_t Tracer::after(std::size_t index) const {
    const StatementInfo& s = table->at(index);
    return s.isLoop() ? table->after[static_cast<std::size_t>(s.loop)] : index + 1;
}

// Moves to `next`, or where the pass under way begins again or its loop
// ends when the body has nothing more at `next`.
void Tracer::settle(std::size_t next) {
    for (;;) {
        if (next < size && table->at(next).parent == parentIndex()) {
            position = next;
            return;
        }
        if (open.empty()) {
            position = size;
            return;
        }
        OpenLoop& loop = open.back();
        if (loop.counter < loop.count) {
            ++loop.counter;
            next = static_cast<std::size_t>(loop.loop - table->statements->data()) + 1;
            continue;
        }
        next = after(static_cast<std::size_t>(loop.loop - table->statements->data()));
        open.pop_back();
    }
}

void Tracer::runStatement(const StatementInfo& statement) {
    done.steps += 1;
    done.additions += statement.additions;
    done.multiplications += statement.multiplications;
    done.cost.units += table->ownUnits(statement);
}

void Tracer::runWhole(std::size_t index) {
    const StatementInfo& s = table->at(index);
    if (!s.isLoop()) {
        runStatement(s);
        return;
    }
    Work work;
    table->addLoop(work, s);
    done.steps += work.steps;
    done.additions += work.additions;
    done.multiplications += work.multiplications;
    done.cost.units += work.units;
}

std::optional<TraceStep> Tracer::step() {
    while (!atEnd()) {
        const StatementInfo& s = table->at(position);
        if (s.isLoop()) {
            const auto l = static_cast<std::size_t>(s.loop);
            if (table->counts[l].is_zero() || table->bodies[l].steps.is_zero()) {
                settle(after(position));  // nothing in it runs
            } else {
                open.push_back(OpenLoop{&s, Integer(1), table->counts[l]});
                ++position;  // its body's first statement or loop
            }
            continue;
        }
        runStatement(s);
        TraceStep result{done.steps,
                         &s,
                         {},
                         s.line,
                         s.column,
                         table->analysis->canonicalText(s),
                         Decimal{table->ownUnits(s), table->scale},
                         done.cost};
        result.counters.reserve(open.size());
        for (const OpenLoop& loop : open)
            result.counters.push_back(loop.counter);
        settle(position + 1);
        return result;
    }
    return std::nullopt;
}

void Tracer::stepOver() {
    if (atEnd())
        return;
    runWhole(position);
    settle(after(position));
}

void Tracer::stepOut() {
    const std::int32_t parent = parentIndex();
    for (std::size_t x = position; x < size && table->at(x).parent == parent; x = after(x))
        runWhole(x);
    if (open.empty()) {
        position = size;
        return;
    }
    const OpenLoop& loop = open.back();
    const StatementInfo& s = *loop.loop;
    Work rest;
    rest.add(table->bodies[static_cast<std::size_t>(s.loop)], loop.count - loop.counter);
    done.steps += rest.steps;
    done.additions += rest.additions;
    done.multiplications += rest.multiplications;
    done.cost.units += rest.units;
    const std::size_t next = table->after[static_cast<std::size_t>(s.loop)];
    open.pop_back();
    settle(next);
}

void Tracer::toEnd() {
    while (!atEnd())
        stepOut();
}

Trace traceRun(const Analysis& analysis, const Integer& n, std::size_t limit) {
    Trace trace;
    Tracer tracer(analysis, n);
    while (trace.steps.size() < limit) {
        std::optional<TraceStep> next = tracer.step();
        if (!next)
            break;
        trace.steps.push_back(std::move(*next));
    }
    tracer.toEnd();
    trace.all = tracer.progress().steps;
    trace.total = tracer.progress().cost;
    return trace;
}

}  // namespace analysis
