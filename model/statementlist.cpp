#include "statementlist.h"

#include <memory>
#include <string>
#include <vector>

#include "chain.h"
#include "expressionstatement.h"
#include "loopstatement.h"
#include "scanner.h"
#include "syntaxerror.h"

namespace {

const char* const who = "Statementlist(isttream&)";

bool beginsStatement(int c) { return c == 'L' || (c >= 'a' && c <= 'z'); }

// Only the first character decides: every word that begins with 'L' is a loop.
Statement* readStatement(Scanner& scan, int first) {
    if (first == 'L')
        return new LoopStatement(scan);
    return new ExpressionStatement(scan);
}

}  // namespace

Statementlist::Statementlist(std::istream& in) : rest(nullptr), statement(nullptr) {
    Scanner scan(in);
    read(scan);
}

Statementlist::Statementlist(Scanner& scan) : rest(nullptr), statement(nullptr) { read(scan); }

Statementlist::Statementlist(Statement* statement, Statementlist* rest) : rest(rest), statement(statement) {}

Statementlist::~Statementlist() {
    delete statement;
    deleteChain(rest, [](Statementlist* list) {
        Statementlist* next = list->rest;
        list->rest = nullptr;
        return next;
    });
}

// statementlist = statement { statement }
// One character of look-ahead decides whether a statement follows; the list
// ends in front of any other character (the E of END), or at the end of input.
// The statements are read in a loop, not by recursion, so a list may be as
// long as memory allows.
void Statementlist::read(Scanner& scan) {
    int c = scan.peek();
    if (c == std::char_traits<char>::eof())
        scan.unexpectedEnd(who);
    if (!beginsStatement(c))
        reportSyntaxError(std::string(who) + ": input syntax error at '" + static_cast<char>(c) + "'", scan.offset());
    std::unique_ptr<Statement> first(readStatement(scan, c));
    std::unique_ptr<Statementlist> following;
    Statementlist* tail = nullptr;
    while (beginsStatement(c = scan.peek())) {
        std::unique_ptr<Statement> next(readStatement(scan, c));
        Statementlist* node = new Statementlist(next.get(), nullptr);
        next.release();
        if (tail)
            tail->rest = node;
        else
            following.reset(node);
        tail = node;
    }
    statement = first.release();
    rest = following.release();
}

// The cost of this statement plus that of the rest, so the sums fold from the
// last statement. The statements are costed in one pass in source order, which
// walks the tree the way it lies in memory, keeping only each cost's
// coefficients; the fold then runs backwards over those.
Polynomial Statementlist::computeComplexity(CPUContext context) const {
    if (!rest)
        return statement->computeComplexity(context);
    std::vector<int> degrees;
    std::vector<float> coefficients;
    for (const Statementlist* l = this; l; l = l->rest) {
        Polynomial cost = l->statement->computeComplexity(context);
        degrees.push_back(cost.getDegree());
        for (int i = 0; i <= cost.getDegree(); ++i)
            coefficients.push_back(cost.getCoefficient(i));
    }
    std::size_t end = coefficients.size();
    Polynomial sum;
    for (std::size_t k = degrees.size(); k-- > 0;) {
        end -= static_cast<std::size_t>(degrees[k]) + 1;
        Polynomial cost(degrees[k], coefficients.data() + end);
        if (k + 1 < degrees.size())
            cost.add(sum);
        sum = cost;
    }
    return sum;
}

void Statementlist::print(std::ostream& out, int indent) const {
    for (const Statementlist* l = this; l; l = l->rest)
        l->statement->print(out, indent);
}

int Statementlist::equal(const Statementlist& other) const {
    const Statementlist* a = this;
    const Statementlist* b = &other;
    for (;;) {
        if ((a->rest == nullptr) != (b->rest == nullptr))
            return 0;
        if (!a->statement->equal(*b->statement))
            return 0;
        if (!a->rest)
            return 1;
        a = a->rest;
        b = b->rest;
    }
}
