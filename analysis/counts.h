#ifndef LOOPCOST_ANALYSIS_COUNTS_H
#define LOOPCOST_ANALYSIS_COUNTS_H

#include "analysis.h"

namespace analysis {

// How many '+' and how many '*' one statement of an analysis runs, as
// polynomials in n: its own operations times the counts of the loops around
// it. For a loop, those of every statement in it, added up. `statement` is
// one of analysis.statements().
Counts countsOf(const Analysis& analysis, const StatementInfo& statement);

// A count as a polynomial's text: "3 * n^2 + n^1", "0".
std::string countText(const std::vector<Integer>& count);

}  // namespace analysis

#endif
