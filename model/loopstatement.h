#ifndef LOOPCOST_LOOPSTATEMENT_H
#define LOOPCOST_LOOPSTATEMENT_H

#include <iosfwd>

#include "loopcost/model/statement.h"

class Scanner;
class Statementlist;

// "LOOP n ... END" or "LOOP 3 ... END": a statement list repeated n times or a
// constant number of times.
class LoopStatement : public Statement {
public:
    // Reads one loop with its body and its END; on success the stream stands
    // just behind END.
    explicit LoopStatement(std::istream& in);
    // Reads on behalf of an enclosing reader of the same parse.
    explicit LoopStatement(Scanner& scan);
    // Takes ownership of the body; a negative count stands for n.
    LoopStatement(int count, Statementlist* body);
    ~LoopStatement() override;

    // Throws std::overflow_error when loops over n nest deeper than a
    // polynomial's degree can hold.
    Polynomial computeComplexity(CPUContext context) const override;
    void print(std::ostream& out, int indent) const override;
    int equal(const Statement& other) const override;

private:
    void read(Scanner& scan);

    Statementlist* body;  // owned
    int count;            // repetitions; -1 (any negative value) stands for n
};

#endif
