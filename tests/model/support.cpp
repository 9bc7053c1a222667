#include "loopcost/tests/model/support.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <iterator>

#include <cppunit/extensions/HelperMacros.h>

#include "loopcost/model/expression.h"
#include "loopcost/model/expressionstatement.h"
#include "loopcost/model/loopstatement.h"
#include "loopcost/model/program.h"
#include "loopcost/model/statementlist.h"
#include "loopcost/model/term.h"
#include "loopcost/model/variable.h"

Complexity* readNode(Reader reader, std::istream& in) {
    switch (reader) {
    case Reader::statement: return new ExpressionStatement(in);
    case Reader::loop: return new LoopStatement(in);
    case Reader::list: return new Statementlist(in);
    case Reader::program: break;
    }
    return new Program(in);
}

std::unique_ptr<Complexity> readQuietly(Reader reader, const std::string& text) {
    CerrCapture cerr;
    std::istringstream in(text);
    std::unique_ptr<Complexity> node(readNode(reader, in));
    CPPUNIT_ASSERT_EQUAL_MESSAGE(text, std::string(), cerr.text());
    return node;
}

std::string printed(const Complexity& node, int indent) {
    std::ostringstream out;
    if (auto statement = dynamic_cast<const Statement*>(&node))
        statement->print(out, indent);
    else if (auto list = dynamic_cast<const Statementlist*>(&node))
        list->print(out, indent);
    else
        dynamic_cast<const Program&>(node).print(out);
    return out.str();
}

int equalNodes(const Complexity& a, const Complexity& b) {
    if (auto statement = dynamic_cast<const Statement*>(&a))
        return statement->equal(dynamic_cast<const Statement&>(b));
    if (auto list = dynamic_cast<const Statementlist*>(&a))
        return list->equal(dynamic_cast<const Statementlist&>(b));
    return dynamic_cast<const Program&>(a).equal(dynamic_cast<const Program&>(b));
}

std::string unread(std::istream& in) {
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Term* handTerm(const std::string& variables) {
    Term* term = nullptr;
    for (char c : variables)
        term = new Term(new Variable(c), term);
    return term;
}

Expression* handExpression(const std::vector<std::string>& terms) {
    Expression* sum = nullptr;
    for (const std::string& t : terms)
        sum = new Expression(handTerm(t), sum);
    return sum;
}

namespace {

// A small linear congruential generator: the same shapes on every platform.
class Random {
public:
    explicit Random(unsigned seed) : state(seed) {}
    int below(int bound) {
        state = state * 1103515245u + 12345u;
        return static_cast<int>((state >> 16) % static_cast<unsigned>(bound));
    }

private:
    unsigned state;
};

std::string randomExpression(Random& random) {
    std::string text;
    for (int terms = 1 + random.below(5); terms > 0; --terms) {
        for (int variables = 1 + random.below(4); variables > 0; --variables) {
            text += static_cast<char>('a' + random.below(26));
            text += '*';
        }
        text.back() = '+';
    }
    text.pop_back();
    return text;
}

Shapes randomList(Random& random, int statements, int depth) {
    static const int counts[] = {-1, -1, 0, 1, 2, 3, 7, 12};
    Shapes list(statements);
    for (Shape& s : list) {
        if (depth > 0 && random.below(10) < 3) {
            s.count = counts[random.below(8)];
            s.body = randomList(random, 1 + random.below(4), depth - 1);
        } else {
            s.expression = randomExpression(random);
        }
    }
    return list;
}

const char* const blanks[] = {" ", "\n", "\t", "  \n  ", "\r\n"};

void writeList(const Shapes& list, Random& random, std::string& out);

void writeStatement(const Shape& s, Random& random, std::string& out) {
    out += blanks[random.below(5)];
    if (s.body.empty()) {
        for (char c : s.expression) {
            out += c;
            if (random.below(3) == 0)
                out += blanks[random.below(5)];
        }
        out += ';';  // no blank needed in front of the ';'
        return;
    }
    out += s.count < 0 ? "LOOP n" : "LOOP " + std::to_string(s.count);
    writeList(s.body, random, out);
    out += blanks[random.below(5)];
    out += "END";
}

void writeList(const Shapes& list, Random& random, std::string& out) {
    for (const Shape& s : list)
        writeStatement(s, random, out);
}

Statement* handStatement(const Shape& s) {
    if (!s.body.empty())
        return new LoopStatement(s.count, handList(s.body));
    std::vector<std::string> terms(1);
    for (char c : s.expression) {
        if (c == '+')
            terms.emplace_back();
        else if (c != '*')
            terms.back() += c;
    }
    return new ExpressionStatement(handExpression(terms));
}

Polynomial termCost(const char* text, int length, const CPUContext& context) {
    if (length == 1)
        return Polynomial(0.0f);
    Polynomial cost(context.getCost(1));
    cost.add(termCost(text, length - 2, context));
    return cost;
}

Polynomial expressionCost(const char* text, int length, const CPUContext& context) {
    int plus = length - 1;
    while (plus >= 0 && text[plus] != '+')
        --plus;
    if (plus < 0)
        return termCost(text, length, context);
    Polynomial cost = termCost(text + plus + 1, length - plus - 1, context);
    cost.add(expressionCost(text, plus, context));
    cost.add(Polynomial(context.getCost(0)));
    return cost;
}

Polynomial listCost(const Shapes& list, std::size_t from, const CPUContext& context);

Polynomial statementCost(const Shape& s, const CPUContext& context) {
    if (s.body.empty())
        return expressionCost(s.expression.c_str(), static_cast<int>(s.expression.size()), context);
    Polynomial cost = listCost(s.body, 0, context);
    if (s.count < 0)
        cost.multiplyN();
    else
        cost.multiplyConstant(s.count);
    return cost;
}

Polynomial listCost(const Shapes& list, std::size_t from, const CPUContext& context) {
    Polynomial cost = statementCost(list[from], context);
    if (from + 1 < list.size())
        cost.add(listCost(list, from + 1, context));
    return cost;
}

}  // namespace

Shapes randomShapes(unsigned seed, int statements, int depth) {
    Random random(seed);
    return randomList(random, statements, depth);
}

std::string programText(const Shapes& list) {
    Random random(static_cast<unsigned>(list.size()));
    std::string out = "BEGIN";
    writeList(list, random, out);
    out += "\nEND\n";
    return out;
}

Statementlist* handList(const Shapes& list) {
    Statementlist* rest = nullptr;
    for (auto s = list.rbegin(); s != list.rend(); ++s)
        rest = new Statementlist(handStatement(*s), rest);
    return rest;
}

Polynomial referenceCost(const Shapes& list, const CPUContext& context) { return listCost(list, 0, context); }

Polynomial polynomial(const std::vector<float>& coefs) {
    return Polynomial(static_cast<int>(coefs.size()) - 1, coefs.data());
}

bool sameBits(const Polynomial& a, const Polynomial& b) {
    if (a.getDegree() != b.getDegree())
        return false;
    for (int i = 0; i <= a.getDegree(); ++i) {
        const float x = a.getCoefficient(i), y = b.getCoefficient(i);
        std::uint32_t xBits = 0, yBits = 0;
        static_assert(sizeof xBits == sizeof x, "a float of 32 bits");
        std::memcpy(&xBits, &x, sizeof x);
        std::memcpy(&yBits, &y, sizeof y);
        if (xBits != yBits)
            return false;
    }
    return true;
}

std::string describe(const Polynomial& p) {
    std::string text = std::to_string(p.getDegree()) + ":";
    for (int i = 0; i <= p.getDegree(); ++i) {
        char buf[32];
        std::snprintf(buf, sizeof buf, " %a", static_cast<double>(p.getCoefficient(i)));
        text += buf;
    }
    return text;
}
