#ifndef LOOPCOST_PROGRAM_H
#define LOOPCOST_PROGRAM_H

#include <iosfwd>

#include "loopcost/model/complexity.h"

class Statementlist;

// The root of a parse tree: "BEGIN" statements "END".
class Program : public Complexity {
public:
    // Reads a whole program; nothing behind the closing END is read.
    explicit Program(std::istream& in);
    // Takes ownership of the body.
    explicit Program(Statementlist* body);
    ~Program() override;

    Polynomial computeComplexity(CPUContext context) const override;
    void print(std::ostream& out) const;
    int equal(const Program& other) const;

private:
    void read(std::istream& in);

    Statementlist* body;  // owned
};

#endif
