#ifndef LOOPCOST_ANALYSIS_TRACE_H
#define LOOPCOST_ANALYSIS_TRACE_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "loopcost/analysis/analysis.h"

namespace analysis {

// One statement run: which, in which passes of the loops around it, what it
// costs and what everything up to it has cost.
struct TraceStep {
    Integer step;  // from 1
    const StatementInfo* statement;
    std::vector<Integer> counters;  // of the loops around it, outermost first, from 1
    std::uint32_t line;
    std::uint32_t column;
    std::string text;  // "w * w * z + x * y ;"
    Decimal cost;      // its own operations under the model
    Decimal total;     // of every step up to it, itself included
};

// What has run so far.
struct Progress {
    Integer steps;
    Integer additions;
    Integer multiplications;
    Decimal cost;
};

// A loop under way.
struct OpenLoop {
    const StatementInfo* loop;
    Integer counter;  // the pass it is in, from 1
    Integer count;    // of passes: n for LOOP n
};

// The program run for one n, a statement at a time, a loop at a time or to
// the end. What a loop adds in all is known before it runs, so stepping
// over it, out of it or to the end costs no more than the statements in
// between, whatever n is, and a loop whose passes run no statement (LOOP 0,
// or one around only such loops) is never entered. A copy is a saved
// position: going back is going back to a copy.
class Tracer {
public:
    // At the start; at the end already for a text with errors.
    Tracer(const Analysis& analysis, const Integer& n);

    bool atEnd() const { return position == size; }
    // What runs next: a statement, or a loop about to begin; null at the end.
    const StatementInfo* current() const;
    // The loops under way around it, outermost first.
    const std::vector<OpenLoop>& openLoops() const { return open; }
    const Progress& progress() const { return done; }

    // Runs the next statement, entering the loops before it; nothing at the end.
    std::optional<TraceStep> step();
    // A loop that is about to begin runs whole; a statement as step() runs it.
    void stepOver();
    // The loop under way runs to its end, the rest of this pass and every
    // pass after it; outside any loop, the program runs to its end.
    void stepOut();
    void toEnd();

private:
    struct Table;
    void settle(std::size_t next);
    std::size_t after(std::size_t index) const;
    void runStatement(const StatementInfo& statement);
    void runWhole(std::size_t index);
    std::int32_t parentIndex() const;

    std::shared_ptr<const Table> table;  // what the loops add in all, shared by copies
    std::size_t size = 0;                // of the statements: the position at the end
    std::size_t position = 0;            // of what runs next
    std::vector<OpenLoop> open;
    Progress done;
};

// A run for one n: its first steps and what it comes to.
struct Trace {
    std::vector<TraceStep> steps;  // at most the limit asked for
    Integer all;                   // every step, those left out included
    Decimal total;                 // the cost at n
};

// Nothing but a zero total for a text with errors.
Trace traceRun(const Analysis& analysis, const Integer& n, std::size_t limit);

}  // namespace analysis

#endif
