#ifndef LOOPCOST_STATEMENTLIST_H
#define LOOPCOST_STATEMENTLIST_H

#include <iosfwd>

#include "loopcost/model/complexity.h"

class Scanner;
class Statement;

// A non-empty sequence of statements in source order, as a singly linked
// list: this node's statement and the list of the statements after it.
class Statementlist : public Complexity {
public:
    // Reads one or more statements; on success the stream stands in front of
    // the first non-blank character that cannot begin a statement.
    explicit Statementlist(std::istream& in);
    // Reads on behalf of an enclosing reader of the same parse.
    explicit Statementlist(Scanner& scan);
    // Takes ownership of both; `rest` is null for the last node.
    Statementlist(Statement* statement, Statementlist* rest);
    ~Statementlist() override;

    Polynomial computeComplexity(CPUContext context) const override;
    void print(std::ostream& out, int indent) const;
    int equal(const Statementlist& other) const;

private:
    void read(Scanner& scan);

    Statementlist* rest;   // the statements after this one, or null
    Statement* statement;  // owned, never null in a list that was read
};

#endif
