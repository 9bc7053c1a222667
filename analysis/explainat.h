#ifndef LOOPCOST_ANALYSIS_EXPLAINAT_H
#define LOOPCOST_ANALYSIS_EXPLAINAT_H

#include <cstddef>
#include <string>
#include <vector>

#include "loopcost/analysis/analysis.h"
#include "loopcost/analysis/explain.h"
#include "loopcost/analysis/text.h"

namespace analysis {

// What a pointer at an offset stands on, explained: a statement or a loop,
// with its explanation and the figures that a summary of it shows beside
// that, or the program itself at its BEGIN and its closing END.
struct ExplanationAt {
    enum class Kind { none, statement, loop, program };
    Kind kind = Kind::none;
    // What it is about: the whole statement; for a loop and the program, the
    // word at the offset (LOOP, its count or its END; BEGIN or END).
    Span span{0, 0};

    // A statement or loop (not costed: only the explanation's text).
    Explanation explanation;
    bool once = false;             // it runs (a loop: its body runs) once
    std::string perRun;            // what one run costs: "2"; for a loop, one pass of its body: "3 * n^1 + 2"
    std::string additions;         // how many '+' it runs in all, a polynomial in n: "3 * n^2"
    std::string multiplications;   // and how many '*'
    bool slowerThanTotal = false;  // its share is 0 while it and the total cost something: it grows more slowly
    std::string sum;               // a loop: its sum and what it solves to, "Σ_{j=1}^{3} ( 4n + 1 ) = 12n + 3"

    // The program: its total, its order of growth, its operations in all
    // and the cost of each kind of operation.
    std::string total;
    std::string order;
    std::string additionCost;
    std::string multiplicationCost;
    // The cost as nested sums, solved step by step (deriveCost); empty for a
    // program of more than maxDerivedStatements statements and loops, whose
    // lines would be too long for a pointer's summary.
    std::vector<std::string> derivation;
    static const std::size_t maxDerivedStatements = 200;
};

// Nothing on a blank, beyond the text, or outside every statement of a text
// with errors (which has no total).
ExplanationAt explanationAt(const Analysis& analysis, std::size_t offset);

}  // namespace analysis

#endif
