#ifndef LOOPCOST_POLYNOMIAL_H
#define LOOPCOST_POLYNOMIAL_H

#include <iosfwd>

// A cost: a polynomial in n with float coefficients for n^0 .. n^19.
// There is no normalisation: the degree never drops by itself, and it takes
// part in equality.
class Polynomial {
public:
    static const int capacity = 20;  // coefficient slots, so the degree is at most 19

    Polynomial();                                     // the zero constant
    Polynomial(float constant);                       // NOLINT: a constant converts implicitly
    Polynomial(int degree, const float coefArray[]);  // throws std::invalid_argument off 0..19
    virtual ~Polynomial();

    void add(const Polynomial& other);
    void multiplyN();  // throws std::overflow_error at degree 19
    void multiplyConstant(int factor);
    void print(std::ostream& out) const;
    int equal(const Polynomial& other, float tolerance) const;

    int getDegree() const { return degree; }
    float getCoefficient(int power) const { return coef[power]; }

private:
    int degree;            // index of the highest coefficient in use
    float coef[capacity];  // coef[i] multiplies n^i; slots above degree stay zero
};

#endif
