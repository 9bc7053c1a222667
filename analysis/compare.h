#ifndef LOOPCOST_ANALYSIS_COMPARE_H
#define LOOPCOST_ANALYSIS_COMPARE_H

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "loopcost/analysis/cost.h"
#include "loopcost/analysis/number.h"

namespace analysis {

// The exact value of `cost` at the whole number `n`, at the cost's scale.
// Any n is fine: n = 10^100 costs no more than its digits.
Decimal valueAt(const Cost& cost, const Integer& n);

// Whether valueAt(cost, n) has at most mostDigits digits before its point
// (after it, it has at most the cost's scale). Reckoned from the digits of n and of the
// coefficients, so that a value far beyond is refused before any of it is
// worked out; one near the bound is worked out and its digits counted. Only
// a value that nearly cancels out (coefficients of both signs, n close to
// where the cost changes sign) can be refused with fewer digits.
bool valueFits(const Cost& cost, const Integer& n);

enum class Cheaper { first, equal, second };

// The whole numbers from `from` to `to`, both included, at which the same
// one of two costs is cheaper (or neither).
struct Run {
    Integer from;
    std::optional<Integer> to;  // empty: every n from `from` on
    Cheaper which;
};

struct Comparison {
    // Every n >= 0 in order, from n = 0; two runs side by side never have the
    // same `which`, and the last is open-ended.
    std::vector<Run> runs;
    // The one cheaper for every large enough n, the last run's: the other
    // grows faster. `equal` only when they cost the same for every n.
    Cheaper inTheEnd = Cheaper::equal;
    int firstOrder = 0;  // each cost's highest power with a coefficient that is not zero
    int secondOrder = 0;
    int firstSign = 0;   // the sign of each cost's coefficient at its order: one of
    int secondSign = 0;  // order > 0 below zero falls without bound as n grows
};

// Sorts every n >= 0 by which of `first` and `second` is cheaper there,
// exactly, whatever their degrees, coefficients and scales.
Comparison compareCosts(const Cost& first, const Cost& second);

// One line that every front-end shows, with the names of the two costs:
// "a.lc is cheaper for n = 0 to 22, b.lc from n = 23 on",
// "b.lc is cheaper for n = 0 to 2, a.lc and b.lc cost the same at n = 3, b.lc
// is cheaper from n = 4 on", "a.lc and b.lc cost the same for every n".
std::string comparisonText(const Comparison& comparison, std::string_view first, std::string_view second);

// Which of the two grows faster, by their orders: "a.lc grows faster: O(n^2)
// against O(n)", "neither grows faster: both are O(n)". A cost whose leading
// coefficient is negative falls instead: "both fall without bound, a.lc
// faster: O(n^2) against O(n)", "a.lc falls without bound as O(n), b.lc is
// O(1)", "a.lc grows as O(n^2), b.lc falls without bound as O(n)".
std::string growthText(const Comparison& comparison, std::string_view first, std::string_view second);

}  // namespace analysis

#endif
