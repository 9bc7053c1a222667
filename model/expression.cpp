#include "loopcost/model/expression.h"

#include "loopcost/model/nodepool.h"

#include <memory>
#include <ostream>
#include <string>

#include "loopcost/model/chain.h"
#include "loopcost/model/syntaxerror.h"

namespace {

// The index of the last '+' before `end`, or -1; a '+' that begins the text
// has no term before it.
int lastPlusBefore(int end, const char text[]) {
    int i = end - 1;
    while (i >= 0 && text[i] != '+')
        --i;
    if (i == 0)
        reportSyntaxError(std::string("Syntax error at '") + text[0] + "'", -1);
    return i;
}

}  // namespace

// expression = term { "+" term }
// Read from the right, splitting at the last '+', the order in which the
// recursive definition meets its faults; each term is checked as it is made.
// The outer sum comes first, so that an expression lies in memory in the order
// in which it is walked.
Expression::Expression(int length, const char text[]) : left(nullptr), term(nullptr) {
    int plus = lastPlusBefore(length, text);
    std::unique_ptr<Term> last(new Term(length - plus - 1, text + plus + 1));
    std::unique_ptr<Expression> before;  // the sum left of the last '+'
    Expression* innermost = nullptr;     // its innermost node so far
    while (plus >= 0) {
        const int end = plus;
        plus = lastPlusBefore(end, text);
        std::unique_ptr<Expression> node(new Expression(nullptr, nullptr));
        node->term = new Term(end - plus - 1, text + plus + 1);
        innermost = appendInnermost(before, innermost, node.release(), &Expression::left);
    }
    term = last.release();
    left = before.release();
}

Expression::Expression(Term* term, Expression* left) : left(left), term(term) {}

Expression::~Expression() {
    delete term;
    deleteChain(left, &Expression::left);
}

// The cost of the last term plus that of the sum before it, plus one
// addition, folded from the first term so that float rounding matches that
// definition exactly. Costs of expressions are constants, so the sums are done
// on the constant alone, with the same float additions in the same order.
Polynomial Expression::computeComplexity(CPUContext context) const {
    const float addition = context.getCost(0);
    const float multiply = context.getCost(1);
    float cost = 0.0f;
    forEachInnermostFirst(this, &Expression::left, [&](const Expression* e) {
        const float term = e->term->cost(multiply);
        cost = e->left ? (term + cost) + addition : term;
    });
    return Polynomial(cost);
}

void Expression::print(std::ostream& out) const {
    forEachInnermostFirst(this, &Expression::left, [&out](const Expression* e) {
        if (e->left)
            out << " + ";
        e->term->print(out);
    });
}

int Expression::equal(const Expression& other) const {
    return equalChains(this, &other, &Expression::left,
                       [](const Expression* x, const Expression* y) { return x->term->equal(*y->term); });
}

LOOPCOST_NODE_FIELDS(Expression, Expression*, Term*);
