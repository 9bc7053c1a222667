#include "loopcost/cli/floatcost.h"

#include <cmath>

#include "loopcost/model/polynomial.h"

bool isFinite(const Polynomial& cost) {
    for (int power = 0; power <= cost.getDegree(); ++power)
        if (!std::isfinite(cost.getCoefficient(power)))
            return false;
    return true;
}
