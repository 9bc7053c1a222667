#include "loopcost/model/program.h"

#include <memory>
#include <ostream>

#include "loopcost/model/nodepool.h"
#include "loopcost/model/scanner.h"
#include "loopcost/model/statementlist.h"

namespace {
const char* const who = "Program(isttream&)";
}

Program::Program(std::istream& in) : body(nullptr) { read(in); }

// program = "BEGIN" statementlist "END"
void Program::read(std::istream& in) {
    nodepool::TreeScope tree;
    Scanner scan(in);
    scan.expectKeyword("BEGIN", who);
    std::unique_ptr<Statementlist> list(new Statementlist(scan));
    scan.expectKeyword("END", who);
    body = list.release();
    tree.keep();
}

Program::Program(Statementlist* body) : body(body) {}

// A body that was read goes with all its nodes at once.
Program::~Program() {
    if (nodepool::cutForTree(body))
        nodepool::freeTree(body);
    else
        delete body;
}

Polynomial Program::computeComplexity(CPUContext context) const { return body->computeComplexity(context); }

void Program::print(std::ostream& out) const {
    out << "BEGIN\n";
    body->print(out, 2);
    out << "END\n";
}

int Program::equal(const Program& other) const { return body->equal(*other.body); }

LOOPCOST_NODE_FIELDS(Program, Statementlist*);
