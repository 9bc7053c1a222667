#ifndef LOOPCOST_ANALYSIS_EXPLAIN_H
#define LOOPCOST_ANALYSIS_EXPLAIN_H

#include <cstddef>
#include <optional>
#include <string>

#include "loopcost/analysis/analysis.h"

namespace analysis {

// The statement or loop that a cursor at `offset` stands on: the innermost
// one holding the first byte that is not blank at or after the cursor on its
// line or, when only blanks follow it there, the last such byte before it.
// Null on a line of blanks, BEGIN or the closing END.
const StatementInfo* statementUnderCursor(const Analysis& analysis, std::size_t offset);

// Why a statement or loop costs what it does, in the words that every
// front-end shows: how many times it runs, what it does each time, and the
// product of the two.
struct Explanation {
    bool loop = false;
    bool costed = true;  // false inside (or for) a loop whose count did not read: nothing else is said
    std::string text;    // "w * w * z + x * y ;", "LOOP n"
    Place place{1, 1};
    // How many times it runs (for a loop: its body), the product of the
    // counts of the loops around it, a loop's own last: "3 * n^2", and those
    // loops, "LOOP n (line 2) × LOOP 3 (line 4) × LOOP n (line 5)", or "no
    // loop around it".
    std::string runs;
    std::string loops;
    // A statement's own operations, "1 '+' and 3 '*'", and what one run of
    // them costs under the model, "1 × 1 + 3 × 1 = 4". A loop's operations
    // are those its statements run in all, as polynomials: "n^2 + 3 * n^1 '+'
    // and 6 * n^2 '*'"; it has no cost of one run.
    std::string operations;
    std::string oneRun;
    // The cost as the product of what is above, "3 * n^2 × 4 = 12 * n^2", or
    // for a loop "(n^2 + 3 * n^1) × 1 + 6 * n^2 × 1 = 7 * n^2 + 3 * n^1";
    // and the cost alone, as costOf writes it.
    std::string product;
    std::string cost;
    // The whole of it in one sentence: "runs 3 * n^2 times, 4 per run (1
    // addition at 1 + 3 multiplications at 1), 12 * n^2 in all"; for a loop,
    // "its body runs n^1 times, 3 * n^1 + 2 per run".
    std::string derivation;
    // Its share of the total's growth, "80%"; none while the text has errors.
    std::optional<std::string> share;
};

Explanation explanationOf(const Analysis& analysis, const StatementInfo& statement);

// The line that ends the derivation of the total, statement by statement:
// "total: 15 * n^2 + 9 * n^1 + 2, the sum of the 6 statements' costs".
std::string explanationTotal(const Analysis& analysis);

}  // namespace analysis

#endif
