#ifndef LOOPCOST_ANALYSIS_ANSWER_H
#define LOOPCOST_ANALYSIS_ANSWER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "loopcost/analysis/number.h"

namespace analysis {

// What an answer says about a cost: the polynomial itself, or its order.
enum class AnswerKind { exact, order };

// The order an answer gives: O (at most), Θ (exactly) or Ω (at least).
enum class Bound { upper, tight, lower };

// One power of n of an exact answer and its coefficient.
struct AnswerTerm {
    std::int32_t power;
    Decimal coefficient;  // without trailing zeros after the point
};

// A cost as a person writes it, read: "15n^2 + 9n + 2", "O(n^2)".
struct Answer {
    AnswerKind kind = AnswerKind::exact;
    std::vector<AnswerTerm> terms;  // exact: one per power written, highest first, repeated powers added
    Bound bound = Bound::upper;     // an order's
    std::int32_t power = 0;         // an order's: the power of n inside it, 0 for O(1)
};

// The highest power of n that an answer may name. Powers are kept one term
// each, not as a row of coefficients, so n^999999999 takes no more room than
// n^2; a cost's degree is at most the depth that loops nest to.
constexpr std::int32_t mostAnswerPower = 999999999;

// Why an answer does not read.
enum class AnswerFaultKind {
    none,
    empty,             // nothing but blanks
    expectedTerm,      // where a term must begin: not a number or n
    expectedSign,      // after a term: not '+', '-' or the end
    expectedN,         // after '*': not n
    expectedPower,     // after '^': not a digit
    powerTooLarge,     // beyond mostAnswerPower
    numberTooLong,     // more than mostDigits digits
    exponentTooLarge,  // a number's exponent beyond +-1000
    expectedOpen,      // after O, Θ or Ω: not '('
    expectedGrowth,    // inside the parentheses: not 1, n or a power of n
    expectedClose,     // after the growth: not ')'
    afterOrder,        // something after the order's ')'
};

struct AnswerFault {
    AnswerFaultKind kind = AnswerFaultKind::none;
    std::size_t offset = 0;  // the byte where reading stops
    std::size_t column = 0;  // the same place in characters from 1, as a person counts them
};

struct AnswerRead {
    Answer answer;  // when the fault is none
    AnswerFault fault;

    bool ok() const { return fault.kind == AnswerFaultKind::none; }
};

// The one reader of an answer, for every front-end. Blanks may stand between
// any two of its pieces, and around it:
//   answer = order | sum
//   order  = bound "(" growth ")"
//   bound  = "O" | "Θ" | "Theta" | "Ω" | "Omega"
//   growth = "1" | "n" [ power ]
//   sum    = [ sign ] term { sign term }
//   sign   = "+" | "-"
//   term   = number [ [ "*" ] "n" [ power ] ] | "n" [ power ]
//   power  = "^" digit { digit } | superscript { superscript }
// where number is a decimal without its sign, as Decimal::parse reads it
// ("2", "0.5", ".5", "1e3"), and a superscript one of ⁰ ¹ ² ³ ⁴ ⁵ ⁶ ⁷ ⁸ ⁹.
AnswerRead readAnswer(std::string_view text);

// The fault in plain words, with what stands where reading stopped, for a
// message of one line: "expected '+' or '-' before 'x'".
std::string answerFaultText(std::string_view text, const AnswerFault& fault);

// An answer as the tool writes a cost: "15 * n^2 + 3 * n^1 + 2", "0",
// "Θ(n^2)".
std::string answerText(const Answer& answer);

// "O(1)", "Θ(n)", "Ω(n^2)".
std::string boundText(Bound bound, std::int32_t power);

}  // namespace analysis

#endif
