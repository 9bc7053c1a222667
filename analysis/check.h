#ifndef LOOPCOST_ANALYSIS_CHECK_H
#define LOOPCOST_ANALYSIS_CHECK_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "loopcost/analysis/analysis.h"
#include "loopcost/analysis/answer.h"

namespace analysis {

// A statement whose cost is a term at the power of a wrong term: each
// statement's cost is one term, coefficient * n^power.
struct TermStatement {
    const StatementInfo* statement;
    std::uint32_t line;
    std::uint32_t column;
    std::string text;  // "a + b * c ;"
    Decimal cost;      // its coefficient
};

// One power of n that the answer or the cost has.
struct CheckedTerm {
    std::int32_t power;
    std::optional<Decimal> answered;  // none for an order
    Decimal cost;                     // the cost's coefficient
    bool right;
    // For a wrong term, the statements at its power whose cost is not zero,
    // in source order, at most mostTermStatements; `more` counts the others.
    std::vector<TermStatement> statements;
    std::size_t more = 0;
};

// The statements that a wrong term lists at most: enough to point at, and a
// program of a million statements makes no list of them all.
constexpr std::size_t mostTermStatements = 1000;

// What an order answer is measured against.
struct OrderCheck {
    std::string cost;  // the cost's own order, "Θ(n^2)"; "O(1)" for the cost 0, which has no Θ
    bool loose;        // a right O or Ω that says less than that
};

// The common slips, in the order they are tried.
enum class SlipKind {
    modelIgnored,       // the operations counted, '+' and '*' as 1 each, under another model
    costsSwapped,       // the costs of '+' and '*' exchanged
    loopLeftOut,        // one loop's count taken as 1
    constantAsN,        // one constant loop taken as LOOP n
    loopsNested,        // a loop taken as inside the loop just before it in the same list
    lowerTermsLeftOut,  // the leading term alone
};

// "model-ignored", "costs-swapped", ...
const char* slipName(SlipKind kind);

// The slip that a wrong answer matches exactly.
struct Slip {
    SlipKind kind;
    const StatementInfo* at;      // the statement or loop pointed at (loops-nested: the later loop)
    const StatementInfo* before;  // loops-nested: the loop taken as around it; else null
    std::uint32_t line;           // of `at`
    std::uint32_t column;
    std::string text;  // what went wrong, one sentence in plain words
    Cost cost;         // the cost under the slip, which the answer is
};

struct Check {
    bool right = false;
    AnswerKind kind = AnswerKind::exact;
    // Exact: every power that the answer writes or where the cost is not
    // zero, highest first. Order: when wrong, the cost's leading power (for
    // a cost that is not zero), with its statements.
    std::vector<CheckedTerm> terms;
    std::optional<OrderCheck> order;  // for an order
    std::optional<Slip> slip;         // for a wrong exact answer that matches one
};

// The answer against the cost of a program that reads (analysis.ok()), with
// its statements (Detail::statements). Exact: right when it is the same
// polynomial. Order, for the cost's degree d (its highest power whose
// coefficient is not zero) and the power p of the answer: O right when
// d <= p, Ω when d >= p, Θ when d = p; the cost 0 is O(1) and has no Θ or Ω.
//
// The slips are tried in the order of SlipKind, and among loops in source
// order. Each is a change of the cost that the analysis works out from what
// it keeps of each loop (its whole cost, of which its count is a factor,
// from its own power of n up): one pass over the statements, each loop's
// changes compared with the answer only at the powers where they can be
// other than zero. So the search takes time in proportion to what the
// analysis keeps of the loops' costs, never to the loops squared; a LOOP 0
// has its body costed once more, but none inside another.
Check checkAnswer(const Analysis& analysis, const Answer& answer);

}  // namespace analysis

#endif
