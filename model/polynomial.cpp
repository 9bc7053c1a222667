#include "loopcost/model/polynomial.h"

#include <iomanip>
#include <ostream>
#include <stdexcept>

namespace {

bool isZero(float c) { return !(c < -1e-6) && !(c > 1e-6); }
bool isUnit(float c) { return !(c < 0.999999) && !(c > 1.000001); }

}  // namespace

Polynomial::Polynomial() : degree(0), coef() {}

Polynomial::Polynomial(float constant) : degree(0), coef() { coef[0] = constant; }

Polynomial::Polynomial(int degree, const float coefArray[]) : degree(degree), coef() {
    if (degree < 0 || degree >= capacity)
        throw std::invalid_argument("Polynomial: degree outside 0..19");
    for (int i = 0; i <= degree; ++i)
        coef[i] = coefArray[i];
}

Polynomial::~Polynomial() = default;

void Polynomial::add(const Polynomial& other) {
    if (degree > other.degree) {
        for (int i = 0; i <= other.degree; ++i)
            coef[i] = coef[i] + other.coef[i];
        return;
    }
    for (int i = 0; i <= degree; ++i)
        coef[i] = coef[i] + other.coef[i];
    for (int i = degree + 1; i <= other.degree; ++i)
        coef[i] = other.coef[i];
    degree = other.degree;
}

void Polynomial::multiplyN() {
    if (degree >= capacity - 1)
        throw std::overflow_error("Polynomial: multiplyN beyond degree 19");
    for (int i = degree; i >= 0; --i)
        coef[i + 1] = coef[i];
    coef[0] = 0.0f;
    ++degree;
}

void Polynomial::multiplyConstant(int factor) {
    for (int i = 0; i <= degree; ++i)
        coef[i] = static_cast<float>(factor) * coef[i];
}

// The highest power comes first; a unit coefficient is written as the bare
// power, and the constant is always written when it is the only term.
void Polynomial::print(std::ostream& out) const {
    out << std::setprecision(2);
    bool written = false;
    for (int i = degree; i >= 1; --i) {
        float c = coef[i];
        if (isZero(c))
            continue;
        if (written)
            out << " + ";
        if (!isUnit(c))
            out << c << " * ";
        out << "n^" << i;
        written = true;
    }
    if (!written)
        out << coef[0];
    else if (!isZero(coef[0]))
        out << " + " << coef[0];
    out << std::endl;
}

int Polynomial::equal(const Polynomial& other, float tolerance) const {
    if (tolerance < 0)
        tolerance = -tolerance;
    if (degree != other.degree)
        return 0;
    for (int i = 0; i <= degree; ++i) {
        float d = coef[i] - other.coef[i];
        if (d > tolerance || d < -tolerance)
            return 0;
    }
    return 1;
}
