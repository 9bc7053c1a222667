#include "program.h"

#include <memory>
#include <ostream>

#include "nodepool.h"
#include "scanner.h"
#include "sourcemap.h"
#include "statementlist.h"

namespace {
const char* const who = "Program(isttream&)";
}

Program::Program(std::istream& in) : body(nullptr) { read(in, nullptr); }

Program::Program(std::istream& in, SourceMap& positions) : body(nullptr) {
    positions.clear();
    read(in, &positions);
}

// program = "BEGIN" statementlist "END"
void Program::read(std::istream& in, SourceMap* positions) {
    nodepool::TreeScope tree;
    Scanner scan(in);
    scan.positions = positions;
    const std::streamoff begin = scan.expectKeyword("BEGIN", who);
    std::unique_ptr<Statementlist> list(new Statementlist(scan));
    scan.expectKeyword("END", who);
    if (positions)
        positions->setProgram(SourceMap::Span{begin, scan.offset()});
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
