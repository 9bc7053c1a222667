#include "expression.h"

#include <memory>
#include <ostream>
#include <string>

#include "chain.h"
#include "syntaxerror.h"

namespace {

int lastPlusBefore(int end, const char text[]) {
    int i = end - 1;
    while (i >= 0 && text[i] != '+')
        --i;
    return i;
}

// Checks the terms from the last '+' leftwards, the order in which splitting
// at the last '+' meets them, so that the first fault reported is the same.
void checkTerms(int length, const char text[]) {
    int end = length;
    for (;;) {
        int plus = lastPlusBefore(end, text);
        if (plus == 0)
            reportSyntaxError(std::string("Syntax error at '") + text[0] + "'", -1);
        Term::check(end - plus - 1, text + plus + 1);
        if (plus < 0)
            return;
        end = plus;
    }
}

}  // namespace

// expression = term { "+" term }
Expression::Expression(int length, const char text[]) : left(nullptr), term(nullptr) {
    checkTerms(length, text);
    std::unique_ptr<Expression> sum;  // the terms before `from`, grown rightwards
    int from = 0;
    for (int plus = from; plus < length; ++plus) {
        if (text[plus] != '+')
            continue;
        std::unique_ptr<Term> t(new Term(plus - from, text + from, false));
        Expression* grown = new Expression(t.get(), sum.get());
        t.release();
        sum.release();
        sum.reset(grown);
        from = plus + 1;
    }
    term = new Term(length - from, text + from, false);
    left = sum.release();
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
