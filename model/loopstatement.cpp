#include "loopcost/model/loopstatement.h"

#include "loopcost/model/nodepool.h"

#include <climits>
#include <memory>
#include <ostream>
#include <string>

#include "loopcost/model/scanner.h"
#include "loopcost/model/statementlist.h"
#include "loopcost/model/syntaxerror.h"

namespace {

const char* const who = "LoopStatement(istream&)";

// Counts the loop into the depth of the parse for as long as it is read.
class NestingLevel {
public:
    explicit NestingLevel(Scanner& scan) : scan(scan) { ++scan.depth; }
    ~NestingLevel() { --scan.depth; }
    NestingLevel(const NestingLevel&) = delete;
    NestingLevel& operator=(const NestingLevel&) = delete;

private:
    Scanner& scan;
};

[[noreturn]] void badCount(std::streamoff at) {
    reportSyntaxError(std::string(who) + ": input syntax error: bad loop count", at);
}

// count = "n" | [ "+" | "-" ] digit { digit }
// The number ends at the first character that cannot continue it, so
// "LOOP 3a ; END" needs no blank after the 3.
int readCount(Scanner& scan) {
    int c = scan.peek();
    if (c == std::char_traits<char>::eof())
        scan.unexpectedEnd(who);
    const std::streamoff at = scan.offset();
    if (c == 'n') {
        scan.skip();
        return -1;
    }
    bool negative = c == '-';
    if (c == '+' || c == '-') {
        scan.skip();
        c = scan.peekRaw();  // a sign must be followed by a digit, not white space
    }
    long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long value = 0;
    int digits = 0;
    for (; c >= '0' && c <= '9'; c = scan.peekRaw()) {
        value = value * 10 + (c - '0');
        if (value > limit)
            badCount(at);
        ++digits;
        scan.skip();
    }
    if (digits == 0)
        badCount(at);
    return static_cast<int>(negative ? -value : value);
}

}  // namespace

LoopStatement::LoopStatement(std::istream& in) : body(nullptr), count(0) {
    Scanner scan(in);
    read(scan);
}

LoopStatement::LoopStatement(Scanner& scan) : body(nullptr), count(0) { read(scan); }

LoopStatement::LoopStatement(int count, Statementlist* body) : body(body), count(count) {}

LoopStatement::~LoopStatement() { delete body; }

// loop = "LOOP" count statementlist "END"
void LoopStatement::read(Scanner& scan) {
    NestingLevel level(scan);
    const std::streamoff at = scan.expectKeyword("LOOP", who);
    if (scan.depth > Scanner::maxLoopDepth)
        reportSyntaxError(std::string(who) + ": input syntax error: loops nested deeper than 1000", at);
    const int n = readCount(scan);
    std::unique_ptr<Statementlist> list(new Statementlist(scan));
    scan.expectKeyword("END", who);
    count = n;
    body = list.release();
}

Polynomial LoopStatement::computeComplexity(CPUContext context) const {
    Polynomial complexity = body->computeComplexity(context);
    if (count < 0)
        complexity.multiplyN();
    else
        complexity.multiplyConstant(count);
    return complexity;
}

void LoopStatement::print(std::ostream& out, int indent) const {
    writeIndent(out, indent);
    out << "LOOP ";
    if (count < 0)
        out << "n\n";
    else
        out << count << std::endl;
    body->print(out, indent + 2);
    writeIndent(out, indent);
    out << "END\n";
}

int LoopStatement::equal(const Statement& other) const {
    const LoopStatement* same = dynamic_cast<const LoopStatement*>(&other);
    if (!same || count != same->count)
        return 0;
    return body->equal(*same->body);
}

LOOPCOST_NODE_FIELDS(LoopStatement, Statementlist*, int);
