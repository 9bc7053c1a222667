#ifndef LOOPCOST_ANALYSIS_COST_H
#define LOOPCOST_ANALYSIS_COST_H

#include <cstdint>
#include <string>
#include <vector>

#include "loopcost/analysis/number.h"

namespace analysis {

// A polynomial in n with exact coefficients, each units / 10^scale. Like the
// library's float cost it is not normalised: a loop over n whose body costs
// nothing still raises the degree, and a zero coefficient at the top keeps
// its place.
class Cost {
public:
    Cost() : units(1), digits(0) {}  // zero, of degree 0
    Cost(std::vector<Integer> units, int scale);

    int degree() const { return static_cast<int>(units.size()) - 1; }
    int scale() const { return digits; }
    const Integer& unitsOf(int power) const { return units[static_cast<std::size_t>(power)]; }
    // The coefficient of n^power as an exact decimal text: "0.3", "-12".
    std::string coefficient(int power) const;

    bool isZero() const;
    // The highest power whose coefficient is not zero; 0 for a constant.
    int order() const;
    // "O(1)", "O(n)", "O(n^2)", ...
    std::string orderText() const;
    // Highest power first: "15 * n^2 + 9 * n^1 + 2", "n^25", "-0.5 * n^1 - 1",
    // "0" for zero.
    std::string text() const;
    void appendText(std::string& out) const;
    // Appends one term of such a text, units * 10^-scale * n^power, which is
    // not zero; `first` when no term stands before it.
    static void appendTerm(std::string& out, int power, const Integer& units, int scale, bool first);
    // The same text for units in a machine word, written at `at`, which has
    // room for termRoom(scale) bytes; returns its end.
    static char* writeTerm(char* at, int power, std::int64_t units, int scale, bool first);
    static std::size_t termRoom(int scale) { return Decimal::roomFor(scale) + 24; }
    void appendCoefficient(std::string& out, int power) const { Decimal::appendDecimal(out, unitsOf(power), digits); }

    // What this cost is of `total` as n grows: the ratio of their
    // coefficients at the order of the total, 0 where this one grows slower
    // or the total is zero.
    double shareOf(const Cost& total) const;
    // part / whole as a double, for integers of any size; 0 for a zero whole.
    static double ratio(const Integer& part, const Integer& whole);

    // <0, 0, >0 as this cost is below, equal to or above `other` for every
    // large enough n: the highest power where they differ decides.
    int compare(const Cost& other) const;

    // Adds `other`, whose scale must be the same.
    void add(const Cost& other);

private:
    std::vector<Integer> units;  // units[i] multiplies n^i; never empty
    int digits;                  // the scale of every coefficient
};

// The order of growth of a power of n: "O(1)", "O(n)", "O(n^2)", ...
std::string orderText(int power);

// A count of operations as a polynomial's text: "3 * n^2 + n^1", "0".
std::string countText(const std::vector<Integer>& count);

}  // namespace analysis

#endif
