#include "loopcost/model/term.h"

#include "loopcost/model/nodepool.h"

#include <memory>
#include <ostream>
#include <string>

#include "loopcost/model/chain.h"
#include "loopcost/model/syntaxerror.h"

namespace {
const char* const who = "Term(int,char[]): input syntax error";
}

// term = variable { "*" variable }
// A well-formed text has odd length, variables at the even indexes and '*' at
// the odd ones. It is read from its right end, the order in which the
// recursive definition meets its faults, and each node is made as soon as the
// text to its right has been checked: the outer product first, so that a term
// lies in memory in the order in which it is walked.
Term::Term(int length, const char text[]) : left(nullptr), variable(nullptr) {
    if (length <= 0)
        reportSyntaxError(std::string(who) + ": illegal term", -1);
    if (length % 2 == 0)  // the quoted text runs on to the NUL, past `length`
        reportSyntaxError(std::string(who) + " (" + std::to_string(length) + ") at '" + text + "'", -1);
    std::unique_ptr<Variable> last(new Variable(text[length - 1]));
    std::unique_ptr<Term> before;  // the product left of the last '*'
    Term* innermost = nullptr;     // its innermost node so far
    for (int end = length; end >= 3; end -= 2) {
        if (text[end - 2] != '*')
            reportSyntaxError(std::string(who) + ": missing '*' in '" + std::string(text, end) + "'", -1);
        std::unique_ptr<Term> node(new Term(nullptr, nullptr));
        node->variable = new Variable(text[end - 3]);
        innermost = appendInnermost(before, innermost, node.release(), &Term::left);
    }
    variable = last.release();
    left = before.release();
}

Term::Term(Variable* variable, Term* left) : left(left), variable(variable) {}

Term::~Term() {
    delete variable;
    deleteChain(left, &Term::left);
}

// One multiplication per '*': every level with a left part adds the cost once,
// innermost first. Costs of terms are constants, so the sums are done on the
// constant alone, with the same float additions in the same order.
Polynomial Term::computeComplexity(CPUContext context) const { return Polynomial(cost(context.getCost(1))); }

float Term::cost(float multiply) const {
    float cost = 0.0f;
    for (const Term* t = this; t->left; t = t->left)
        cost = multiply + cost;
    return cost;
}

void Term::print(std::ostream& out) const {
    forEachInnermostFirst(this, &Term::left, [&out](const Term* t) {
        if (t->left)
            out << " * ";
        t->variable->print(out);
    });
}

int Term::equal(const Term& other) const {
    return equalChains(this, &other, &Term::left,
                       [](const Term* x, const Term* y) { return x->variable->equal(*y->variable); });
}

LOOPCOST_NODE_FIELDS(Term, Term*, Variable*);
