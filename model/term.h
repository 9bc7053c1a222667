#ifndef LOOPCOST_TERM_H
#define LOOPCOST_TERM_H

#include <iosfwd>

#include "loopcost/model/complexity.h"
#include "loopcost/model/variable.h"

// A product of variables, "a*b*c", stored from the right: the last variable
// and the product of the ones before it.
class Term : public Complexity {
public:
    // Reads the first `length` characters of `text` (blank-free, NUL-terminated
    // at or after `length`); reports a syntax error and throws SyntaxError for
    // a malformed term.
    Term(int length, const char text[]);
    // Takes ownership of both; `left` may be null.
    Term(Variable* variable, Term* left);
    ~Term() override;

    Polynomial computeComplexity(CPUContext context) const override;
    void print(std::ostream& out) const;
    int equal(const Term& other) const;

private:
    friend class Expression;           // costs its terms
    float cost(float multiply) const;  // the constant of computeComplexity

    Term* left;          // the product before the last '*', or null
    Variable* variable;  // the last variable, never null
};

#endif
