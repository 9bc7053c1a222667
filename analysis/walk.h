#ifndef LOOPCOST_ANALYSIS_WALK_H
#define LOOPCOST_ANALYSIS_WALK_H

#include <vector>

#include "expression.h"
#include "expressionstatement.h"
#include "loopstatement.h"
#include "program.h"
#include "statementlist.h"
#include "term.h"

namespace analysis {

// The '+' and '*' of one expression statement.
struct Operations {
    int additions = 0;
    int multiplications = 0;
};

inline Operations operationsOf(const ExpressionStatement& statement) {
    Operations ops;
    for (const Expression* e = statement.getExpression(); e; e = e->getLeft()) {
        if (e->getLeft())
            ++ops.additions;
        for (const Term* t = e->getTerm(); t->getLeft(); t = t->getLeft())
            ++ops.multiplications;
    }
    return ops;
}

// Visits every statement of a program in source order, a loop before its
// body: visitor.statement(s), visitor.enterLoop(l) and visitor.leaveLoop()
// after its body. Only the loops open at a time are kept, never one frame
// per statement of a list.
template <class Visitor>
void walk(const Program& program, Visitor& visitor) {
    std::vector<const Statementlist*> resume;  // where each open loop's list goes on
    const Statementlist* list = program.getBody();
    for (;;) {
        if (!list) {
            if (resume.empty())
                return;
            visitor.leaveLoop();
            list = resume.back();
            resume.pop_back();
            continue;
        }
        const Statement* statement = list->getStatement();
        list = list->getRest();
        if (const LoopStatement* loop = statement->asLoop()) {
            visitor.enterLoop(*loop);
            resume.push_back(list);
            list = loop->getBody();
        } else {
            visitor.statement(*statement->asExpressionStatement());
        }
    }
}

}  // namespace analysis

#endif
