#include "loopcost/model/statementlist.h"

#include "loopcost/model/nodepool.h"

#include <memory>
#include <string>
#include <vector>

#include "loopcost/model/chain.h"
#include "loopcost/model/expressionstatement.h"
#include "loopcost/model/loopstatement.h"
#include "loopcost/model/scanner.h"
#include "loopcost/model/syntaxerror.h"

namespace {

const char* const who = "Statementlist(isttream&)";

bool beginsStatement(int c) { return c == 'L' || (c >= 'a' && c <= 'z'); }

// Only the first character decides: every word that begins with 'L' is a loop.
Statement* readKindOf(Scanner& scan, int first) {
    if (first == 'L')
        return new LoopStatement(scan);
    return new ExpressionStatement(scan);
}

Statement* readStatement(Scanner& scan, int first) { return readKindOf(scan, first); }

// The costs of a list's statements, kept until they can be summed from the
// last. Every list being costed on a thread shares one stack, so costing a
// large program allocates nothing per list once the stack has grown.
class PendingCosts {
public:
    PendingCosts() : firstDegree(stack.degrees.size()), firstCoefficient(stack.coefficients.size()) {}
    PendingCosts(const PendingCosts&) = delete;
    PendingCosts& operator=(const PendingCosts&) = delete;
    ~PendingCosts() {
        stack.degrees.resize(firstDegree);
        stack.coefficients.resize(firstCoefficient);
    }

    void push(const Polynomial& cost) {
        stack.degrees.push_back(cost.getDegree());
        for (int i = 0; i <= cost.getDegree(); ++i)
            stack.coefficients.push_back(cost.getCoefficient(i));
    }

    // Each step is Polynomial::add of a statement's cost and the sum of the
    // statements after it, done on the coefficients in place.
    Polynomial sumFromLast() const {
        float sum[Polynomial::capacity] = {};
        int degree = -1;
        std::size_t end = stack.coefficients.size();
        for (std::size_t k = stack.degrees.size(); k-- > firstDegree;) {
            const int statementDegree = stack.degrees[k];
            end -= static_cast<std::size_t>(statementDegree) + 1;
            const float* statement = stack.coefficients.data() + end;
            for (int i = 0; i <= statementDegree; ++i)
                sum[i] = i <= degree ? statement[i] + sum[i] : statement[i];
            if (statementDegree > degree)
                degree = statementDegree;
        }
        return Polynomial(degree, sum);
    }

private:
    struct Stack {
        std::vector<int> degrees;
        std::vector<float> coefficients;
    };
    static thread_local Stack stack;

    std::size_t firstDegree;  // where this list's entries begin
    std::size_t firstCoefficient;
};

thread_local PendingCosts::Stack PendingCosts::stack;

}  // namespace

Statementlist::Statementlist(std::istream& in) : rest(nullptr), statement(nullptr) {
    Scanner scan(in);
    read(scan);
}

Statementlist::Statementlist(Scanner& scan) : rest(nullptr), statement(nullptr) { read(scan); }

Statementlist::Statementlist(Statement* statement, Statementlist* rest) : rest(rest), statement(statement) {}

Statementlist::~Statementlist() {
    delete statement;
    deleteChain(rest, &Statementlist::rest);
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
        // The node is made before its statement, so that a list lies in
        // memory in the order in which it is walked.
        std::unique_ptr<Statementlist> next(new Statementlist(nullptr, nullptr));
        next->statement = readStatement(scan, c);
        Statementlist* node = next.release();
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
// walks the tree the way it lies in memory; their coefficients wait on a stack
// of the thread's, where the lists of nested loops stack theirs on top, and
// the fold then runs backwards over them.
Polynomial Statementlist::computeComplexity(CPUContext context) const {
    if (!rest)
        return statement->computeComplexity(context);
    PendingCosts pending;
    for (const Statementlist* l = this; l; l = l->rest)
        pending.push(l->statement->computeComplexity(context));
    return pending.sumFromLast();
}

void Statementlist::print(std::ostream& out, int indent) const {
    for (const Statementlist* l = this; l; l = l->rest)
        l->statement->print(out, indent);
}

int Statementlist::equal(const Statementlist& other) const {
    return equalChains(this, &other, &Statementlist::rest, [](const Statementlist* x, const Statementlist* y) {
        return x->statement->equal(*y->statement);
    });
}

LOOPCOST_NODE_FIELDS(Statementlist, Statementlist*, Statement*);
