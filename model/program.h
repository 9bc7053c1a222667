#ifndef LOOPCOST_PROGRAM_H
#define LOOPCOST_PROGRAM_H

#include <iosfwd>

#include "complexity.h"

class SourceMap;
class Statementlist;

// The root of a parse tree: "BEGIN" statements "END".
class Program : public Complexity {
public:
    // Reads a whole program; nothing behind the closing END is read.
    explicit Program(std::istream& in);
    // Reads a whole program and records in `positions` where its statements
    // stand; the map is cleared first.
    Program(std::istream& in, SourceMap& positions);
    // Takes ownership of the body.
    explicit Program(Statementlist* body);
    ~Program() override;

    Polynomial computeComplexity(CPUContext context) const override;
    void print(std::ostream& out) const;
    int equal(const Program& other) const;

    const Statementlist* getBody() const { return body; }

private:
    void read(std::istream& in, SourceMap* positions);

    Statementlist* body;  // owned
};

#endif
