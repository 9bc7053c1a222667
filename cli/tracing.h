#ifndef LOOPCOST_CLI_TRACING_H
#define LOOPCOST_CLI_TRACING_H

#include <cstddef>
#include <iosfwd>

#include "loopcost/analysis/number.h"

namespace analysis {
class Analysis;
}

// --trace N: the run for n = N, at most `limit` statements run, one a line,
// in columns as wide as the widest of them:
//   step  3  i=1 j=1 k=2  6:17  w * w * z + x * y ;  cost 4  total 10
// the step's number, the loops' counters named as in the derivation, the
// line and column, the statement, its own cost and the total up to it; then
// "27 steps, total 80", or "… 15 more steps (27 in all), total 80" where
// steps were left out. Nothing for a text with errors.
void writeTrace(std::ostream& out, const analysis::Analysis& program, const analysis::Integer& n, std::size_t limit);

// The same with --json, one object a line: {"step", "line", "column",
// "counters", "cost", "total"} for each step shown, then {"steps", "shown",
// "total"}, every number exact.
void writeTraceJson(std::ostream& out, const analysis::Analysis& program, const analysis::Integer& n,
                    std::size_t limit);

#endif
