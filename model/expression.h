#ifndef LOOPCOST_EXPRESSION_H
#define LOOPCOST_EXPRESSION_H

#include <iosfwd>

#include "loopcost/model/complexity.h"
#include "loopcost/model/term.h"

// A sum of terms, "a+b*c", stored from the right and grouped from the left:
// the last term and the sum of the terms before it.
class Expression : public Complexity {
public:
    // Reads the first `length` characters of `text` (blank-free, NUL-terminated
    // at or after `length`); reports a syntax error and throws SyntaxError for
    // a malformed expression.
    Expression(int length, const char text[]);
    // Takes ownership of both; `left` may be null.
    Expression(Term* term, Expression* left);
    ~Expression() override;

    Polynomial computeComplexity(CPUContext context) const override;
    void print(std::ostream& out) const;
    int equal(const Expression& other) const;

private:
    Expression* left;  // the sum before the last '+', or null
    Term* term;        // the last term, never null
};

#endif
