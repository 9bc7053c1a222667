#include "growth.h"

#include <cmath>
#include <sstream>

#include "polynomial.h"

namespace {
bool isZero(float c) { return !(c < -1e-6) && !(c > 1e-6); }
}  // namespace

int effectiveDegree(const Polynomial& cost) {
    int power = cost.getDegree();
    while (power > 0 && isZero(cost.getCoefficient(power)))
        --power;
    return power;
}

std::string orderOfGrowth(const Polynomial& cost) {
    const int power = effectiveDegree(cost);
    if (power == 0)
        return "O(1)";
    if (power == 1)
        return "O(n)";
    return "O(n^" + std::to_string(power) + ")";
}

std::string costText(const Polynomial& cost) {
    std::ostringstream text;
    cost.print(text);
    std::string line = text.str();
    if (!line.empty() && line.back() == '\n')
        line.pop_back();
    return line;
}

bool isFinite(const Polynomial& cost) {
    for (int power = 0; power <= cost.getDegree(); ++power)
        if (!std::isfinite(cost.getCoefficient(power)))
            return false;
    return true;
}
