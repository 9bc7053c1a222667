#ifndef LOOPCOST_STATEMENT_H
#define LOOPCOST_STATEMENT_H

#include <iosfwd>

#include "loopcost/model/complexity.h"

class ExpressionStatement;
class LoopStatement;

// A statement of a list: an expression statement or a loop.
class Statement : public Complexity {
public:
    // Writes the statement's lines, each indented by `indent` blanks.
    virtual void print(std::ostream& out, int indent) const = 0;
    // 1 for the same kind with the same structure, else 0.
    virtual int equal(const Statement& other) const = 0;

protected:
    static void writeIndent(std::ostream& out, int indent);
};

#endif
