#ifndef LOOPCOST_CLI_GROWTH_H
#define LOOPCOST_CLI_GROWTH_H

#include <string>

class Polynomial;

// The order of growth of a cost: "O(1)", "O(n)", "O(n^2)", ... after the
// highest power whose coefficient is not zero, with zero as printing sees it
// (|c| <= 1e-6).
std::string orderOfGrowth(const Polynomial& cost);

// The highest power whose coefficient is not zero in that sense; 0 for a
// constant, the zero cost included.
int effectiveDegree(const Polynomial& cost);

// Polynomial::print without its line end.
std::string costText(const Polynomial& cost);

// Whether every coefficient is a finite number.
bool isFinite(const Polynomial& cost);

#endif
