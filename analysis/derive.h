#ifndef LOOPCOST_ANALYSIS_DERIVE_H
#define LOOPCOST_ANALYSIS_DERIVE_H

#include <cstdint>
#include <string>
#include <vector>

#include "loopcost/analysis/analysis.h"

namespace analysis {

// A program's cost written as nested sums, one Σ per loop and each statement
// as its own cost under the model, then solved step by step down to the
// polynomial:
//
//   T(n) = Σ_{i=1}^{n} ( 2 + Σ_{j=1}^{3} ( Σ_{k=1}^{n} 4 + 1 ) + 4 + Σ_{j=1}^{n} 3 ) + 2
//        = Σ_{i=1}^{n} ( 2 + Σ_{j=1}^{3} ( 4n + 1 ) + 4 + 3n ) + 2
//        = Σ_{i=1}^{n} ( 2 + 3(4n + 1) + 4 + 3n ) + 2
//        = Σ_{i=1}^{n} ( 15n + 9 ) + 2
//        = 15n^2 + 9n + 2
//
// Every line equals the cost exactly; the last is the cost itself. Each step
// either multiplies out and collects the lists that hold no sum, or solves
// the innermost sums, those whose body is one polynomial.
struct Derivation {
    // "T(n) = …", then "     = …" for each step
    std::vector<std::string> text;
    // The same lines for a LaTeX align* block: "T(n) &= … \\", "&= … \\",
    // the last without "\\"; \sum_{i=1}^{n}, \left( … \right), n^{2}
    std::vector<std::string> latex;
    // By line, the loop of each Σ in the order the line writes them, as its
    // index among the program's loops (StatementInfo::loop): the first line
    // names every loop once, in the program's order
    std::vector<std::vector<std::int32_t>> sums;
};

// Empty for a text with errors.
Derivation deriveCost(const Analysis& analysis);

// One loop's sum over one pass of its body, collected, and what it comes to:
// "Σ_{j=1}^{3} ( 4n + 1 ) = 12n + 3", "Σ_{i=1}^{n} 3 = 3n". Empty for a
// statement or a loop whose count did not read.
std::string loopSum(const Analysis& analysis, const StatementInfo& loop);

// The index of the sum of a loop with `depth` loops around it: i, j, k, then
// i4, i5, …
std::string indexName(int depth);

}  // namespace analysis

#endif
