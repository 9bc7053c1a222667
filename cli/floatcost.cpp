#include "floatcost.h"

#include <cmath>

#include "polynomial.h"

bool isFinite(const Polynomial& cost) {
    for (int power = 0; power <= cost.getDegree(); ++power)
        if (!std::isfinite(cost.getCoefficient(power)))
            return false;
    return true;
}
