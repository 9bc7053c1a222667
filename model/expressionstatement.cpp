#include "loopcost/model/expressionstatement.h"

#include "loopcost/model/nodepool.h"

#include <ostream>
#include <string>

#include "loopcost/model/scanner.h"
#include "loopcost/model/syntaxerror.h"

namespace {

const char* const who = "ExpressionStatement(istream&)";

bool accepted(int c) { return (c >= 'a' && c <= 'z') || c == '+' || c == '*'; }

}  // namespace

ExpressionStatement::ExpressionStatement(std::istream& in) : expression(nullptr) {
    Scanner scan(in);
    read(scan);
}

ExpressionStatement::ExpressionStatement(Scanner& scan) : expression(nullptr) { read(scan); }

ExpressionStatement::ExpressionStatement(Expression* expression) : expression(expression) {}

ExpressionStatement::~ExpressionStatement() { delete expression; }

// expression statement = { letter | "+" | "*" } ";"
// White space between the characters is dropped; the expression level reads
// what is left.
void ExpressionStatement::read(Scanner& scan) {
    char buf[maxLength + 1];
    scan.peek();
    const std::streamoff start = scan.offset();
    const Scanner::Read read = scan.readUpTo(';', accepted, buf, maxLength);
    const int count = read.length;
    if (read.stop == Scanner::Stop::end)
        scan.unexpectedEnd(who);
    if (read.stop == Scanner::Stop::refused) {
        std::streamoff at = scan.offset() < 0 ? -1 : scan.offset() - 1;
        reportSyntaxError(std::string(who) + ": input syntax error at '" + std::string(buf, count) + "'", at);
    }
    if (read.stop == Scanner::Stop::full)
        reportSyntaxError(std::string(who) + ": input syntax error: expression longer than 99 characters", start);
    buf[count] = '\0';
    try {
        expression = new Expression(count, buf);
    } catch (const SyntaxError& e) {
        // the expression level knows nothing of the stream: the statement
        // answers for where the fault lies
        throw SyntaxError(e.what(), start);
    }
}

Polynomial ExpressionStatement::computeComplexity(CPUContext context) const {
    return expression->computeComplexity(context);
}

void ExpressionStatement::print(std::ostream& out, int indent) const {
    writeIndent(out, indent);
    expression->print(out);
    out << " ;\n";
}

int ExpressionStatement::equal(const Statement& other) const {
    const ExpressionStatement* same = dynamic_cast<const ExpressionStatement*>(&other);
    return same ? expression->equal(*same->expression) : 0;
}

LOOPCOST_NODE_FIELDS(ExpressionStatement, Expression*);
