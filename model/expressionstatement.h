#ifndef LOOPCOST_EXPRESSIONSTATEMENT_H
#define LOOPCOST_EXPRESSIONSTATEMENT_H

#include <iosfwd>

#include "loopcost/model/expression.h"
#include "loopcost/model/statement.h"

class Scanner;

// An expression closed by ';', as in "a + b * c ;".
class ExpressionStatement : public Statement {
public:
    static const int maxLength = 99;  // non-blank characters before the ';'

    // Reads one statement; on success the stream stands just behind the ';'.
    explicit ExpressionStatement(std::istream& in);
    // Reads on behalf of an enclosing reader of the same parse.
    explicit ExpressionStatement(Scanner& scan);
    // Takes ownership of the expression.
    explicit ExpressionStatement(Expression* expression);
    ~ExpressionStatement() override;

    Polynomial computeComplexity(CPUContext context) const override;
    void print(std::ostream& out, int indent) const override;
    int equal(const Statement& other) const override;

private:
    void read(Scanner& scan);

    Expression* expression;  // owned, never null once built
};

#endif
