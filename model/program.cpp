#include "program.h"

#include <memory>
#include <ostream>

#include "scanner.h"
#include "statementlist.h"

namespace {
const char* const who = "Program(isttream&)";
}

// program = "BEGIN" statementlist "END"
Program::Program(std::istream& in) : body(nullptr) {
    Scanner scan(in);
    scan.expectKeyword("BEGIN", who);
    std::unique_ptr<Statementlist> list(new Statementlist(scan));
    scan.expectKeyword("END", who);
    body = list.release();
}

Program::Program(Statementlist* body) : body(body) {}

Program::~Program() { delete body; }

Polynomial Program::computeComplexity(CPUContext context) const { return body->computeComplexity(context); }

void Program::print(std::ostream& out) const {
    out << "BEGIN\n";
    body->print(out, 2);
    out << "END\n";
}

int Program::equal(const Program& other) const { return body->equal(*other.body); }
