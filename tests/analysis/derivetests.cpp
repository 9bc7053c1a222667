#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <cppunit/extensions/HelperMacros.h>

#include "loopcost/analysis/compare.h"
#include "loopcost/analysis/derive.h"
#include "loopcost/tests/analysis/programs.h"

using analysis::Analysis;
using analysis::CostModel;
using analysis::Decimal;
using analysis::Derivation;
using analysis::Integer;

namespace {

using Poly = std::vector<Integer>;  // units, n^0 first

void trim(Poly& p) {
    while (!p.empty() && p.back().is_zero())
        p.pop_back();
}

void add(Poly& into, const Poly& p, int sign) {
    into.resize(std::max(into.size(), p.size()));
    for (std::size_t i = 0; i < p.size(); ++i)
        into[i] += sign * p[i];
}

Poly times(Poly p, const Integer& factor) {
    for (Integer& units : p)
        units *= factor;
    return p;
}

// Reads a line of a derivation back, strictly as it must be written, into
// the polynomial it stands for: a Σ over n multiplies by n, over c by c.
//   list  = [ "-" ] item { ( " + " | " - " ) item }
//   item  = "Σ_{" index "=1}^{" count "} " ( "( " list " )" | number )
//         | whole "(" list ")" | number [ "n" [ "^" power ] ] | "n" [ "^" power ]
class NotationReader {
public:
    NotationReader(std::string_view line, int scale) : line(line), scale(scale) {}

    // Empty with `fault` set where the line does not read.
    Poly read() {
        Poly value = list(0);
        if (at != line.size())
            fail("text after the end");
        trim(value);
        return value;
    }
    std::string fault;
    int sums = 0;             // Σ read
    int groups = 0;           // parentheses read
    std::vector<int> powers;  // of each term read, in order

private:
    bool take(std::string_view piece) {
        if (line.substr(at, piece.size()) != piece)
            return false;
        at += piece.size();
        return true;
    }
    void fail(const std::string& why) {
        if (fault.empty())
            fault = why + " at byte " + std::to_string(at) + " of \"" + std::string(line) + "\"";
    }
    std::string digits(const char* also) {
        const std::size_t from = at;
        while (at < line.size() && (std::isdigit(static_cast<unsigned char>(line[at])) || std::strchr(also, line[at])))
            ++at;
        return std::string(line.substr(from, at - from));
    }

    Poly list(int depth) {
        int sign = take("-") ? -1 : 1;
        Poly value;
        for (;;) {
            add(value, item(depth), sign);
            if (take(" + "))
                sign = 1;
            else if (take(" - "))
                sign = -1;
            else
                return value;
        }
    }

    // An exact decimal as Decimal::text writes it, in units.
    Integer number() {
        const std::string text = digits(".");
        const std::optional<Decimal> value = Decimal::parse(text);
        if (!value || value->text() != text || value->scale > scale)
            fail("a number not as costs are written: '" + text + "'");
        return value ? value->unitsAt(scale) : Integer(0);
    }

    Poly item(int depth) {
        if (take("\xce\xa3_{")) {
            ++sums;
            if (!take(analysis::indexName(depth) + "=1}^{"))
                fail("an index that is not its depth's");
            const bool overN = take("n");
            const std::string count = overN ? "" : digits("");
            if (!take("} ") || (!overN && (count.empty() || (count.size() > 1 && count[0] == '0'))))
                fail("a bad bound");
            Poly body;
            if (take("( ")) {
                ++groups;
                body = list(depth + 1);
                if (!take(" )"))
                    fail("an unclosed group");
            } else {
                body = Poly{number()};
            }
            if (!overN)
                return times(body, Integer(count));
            body.insert(body.begin(), Integer(0));
            return body;
        }
        const std::size_t from = at;
        const std::string whole = digits("");
        if (!whole.empty() && take("(")) {
            ++groups;
            Poly p = list(0);
            if (!take(")"))
                fail("an unclosed product");
            if (whole.size() > 1 && whole[0] == '0')
                fail("a bad factor");
            return times(p, Integer(whole));
        }
        at = from;
        const Integer one("1" + std::string(static_cast<std::size_t>(scale), '0'));
        const bool bare = line.substr(at, 1) == "n";
        const Integer coefficient = bare ? one : number();
        if (!bare && (coefficient == one || coefficient.is_zero()) && line.substr(at, 1) == "n")
            fail("a coefficient of 1 or 0 written");
        int power = 0;
        if (take("n")) {
            power = 1;
            if (take("^")) {
                const std::string exponent = digits("");
                power = exponent.empty() ? 0 : std::stoi(exponent);
                if (power < 2 || exponent[0] == '0')
                    fail("a bad power");
            }
        }
        powers.push_back(power);
        Poly p(static_cast<std::size_t>(power) + 1);
        p.back() = coefficient;
        return p;
    }

    std::string_view line;
    std::size_t at = 0;
    int scale;
};

// The text of a line from its LaTeX: \sum_ as Σ_, \left( and \right) as
// parentheses, n^{2} as n^2, i_{4} as i4, &= as =, no \\ at the end.
std::string fromLatex(std::string latex, bool last) {
    const std::string end = " \\\\";
    if (!last) {
        CPPUNIT_ASSERT(latex.size() > end.size() && latex.compare(latex.size() - end.size(), end.size(), end) == 0);
        latex.resize(latex.size() - end.size());
    }
    const std::pair<std::string, std::string> pieces[] = {
        {"\\sum_{", "\xce\xa3_{"}, {"\\left(", "("}, {"\\right)", ")"}, {"&=", "="}};
    for (const auto& piece : pieces)
        for (std::size_t at = 0; (at = latex.find(piece.first, at)) != std::string::npos; at += piece.second.size())
            latex.replace(at, piece.first.size(), piece.second);
    std::string out;
    for (std::size_t i = 0; i < latex.size(); ++i) {
        // "^{12}" and "_{4}" lose their braces; "_{i=1}^{n}" keeps them
        if ((latex[i] == '^' || latex[i] == '_') && i + 2 < latex.size() && latex[i + 1] == '{' &&
            std::isdigit(static_cast<unsigned char>(latex[i + 2])) && (latex[i] == '^' ? out.back() == 'n' : true)) {
            const std::size_t close = latex.find('}', i);
            if (latex[i] == '^')
                out += '^';
            out += latex.substr(i + 2, close - i - 2);
            i = close;
            continue;
        }
        out += latex[i];
    }
    return out;
}

std::string lineBody(const std::string& line, bool first) {
    const std::string prefix = first ? "T(n) = " : "     = ";
    CPPUNIT_ASSERT_MESSAGE(line, line.compare(0, prefix.size(), prefix) == 0);
    return line.substr(prefix.size());
}

Poly coefficientsOf(const analysis::Cost& cost) {
    Poly p;
    for (int i = 0; i <= cost.degree(); ++i)
        p.push_back(cost.unitsOf(i));
    trim(p);
    return p;
}

Integer valueOf(const Poly& p, const Integer& n) {
    Integer value = 0;
    for (std::size_t i = p.size(); i-- > 0;)
        value = value * n + p[i];
    return value;
}

int loopsIn(const programs::List& list) {
    int loops = 0;
    for (const programs::Node& node : list)
        loops += node.loop ? 1 + loopsIn(node.body) : 0;
    return loops;
}

// Each Σ of a line is named with the loop it stands for: its index the
// name of that loop's depth, its upper bound that loop's count.
void checkSums(const Analysis& analysis, const std::string& line, const std::vector<std::int32_t>& sums,
               const std::string& message) {
    std::vector<const analysis::StatementInfo*> loops;
    for (const analysis::StatementInfo& statement : analysis.statements())
        if (statement.isLoop())
            loops.push_back(&statement);
    const std::string head = "\xce\xa3_{";
    std::size_t at = 0;
    for (const std::int32_t loop : sums) {
        at = line.find(head, at);
        CPPUNIT_ASSERT_MESSAGE(message,
                               at != std::string::npos && loop >= 0 && static_cast<std::size_t>(loop) < loops.size());
        const analysis::StatementInfo& named = *loops[static_cast<std::size_t>(loop)];
        const std::string count = named.count < 0 ? "n" : std::to_string(named.count);
        std::string expected = head;
        expected.append(analysis::indexName(named.depth)).append("=1}^{").append(count).append("} ");
        CPPUNIT_ASSERT_EQUAL_MESSAGE(message, expected, line.substr(at, expected.size()));
        at += expected.size();
    }
    CPPUNIT_ASSERT_MESSAGE(message, line.find(head, at) == std::string::npos);
}

// Every line reads back as the notation says and equals the cost as a
// polynomial and at several n, by the tree; the first has a Σ per loop, the
// last none and its terms in order; the LaTeX says the same.
void checkDerivation(programs::List program, const CostModel& model, const std::string& what) {
    const std::string text = programs::write(program);
    const Analysis analysis(text, model);
    CPPUNIT_ASSERT_MESSAGE(what, analysis.ok());
    const programs::Units units(model);
    const Derivation derivation = analysis::deriveCost(analysis);
    const std::string about = what + "\n" + text;
    CPPUNIT_ASSERT_MESSAGE(about, !derivation.text.empty());
    CPPUNIT_ASSERT_EQUAL_MESSAGE(about, derivation.text.size(), derivation.latex.size());
    const Poly cost = coefficientsOf(analysis.total());
    for (std::size_t i = 0; i < derivation.text.size(); ++i) {
        const std::string& line = derivation.text[i];
        const std::string message = about + line;
        const std::string body = lineBody(line, i == 0);
        NotationReader reader(body, units.scale);
        const Poly value = reader.read();
        CPPUNIT_ASSERT_MESSAGE(message + "\n" + reader.fault, reader.fault.empty());
        CPPUNIT_ASSERT_MESSAGE(message, value == cost);
        for (const char* n : {"0", "1", "2", "7", "1000000000000"})
            CPPUNIT_ASSERT_MESSAGE(message,
                                   valueOf(value, Integer(n)) == programs::valueAt(program, units, Integer(n)));
        if (i == 0)
            CPPUNIT_ASSERT_EQUAL_MESSAGE(message, loopsIn(program), reader.sums);
        if (i + 1 == derivation.text.size())
            CPPUNIT_ASSERT_MESSAGE(message, reader.sums == 0 && reader.groups == 0 &&
                                                std::adjacent_find(reader.powers.begin(), reader.powers.end(),
                                                                   std::less_equal<>()) == reader.powers.end());
        if (i > 0)
            CPPUNIT_ASSERT_MESSAGE(message, line.substr(7) != derivation.text[i - 1].substr(7));
        const std::string latex = fromLatex(derivation.latex[i], i + 1 == derivation.latex.size());
        const std::string plain = i == 0 ? line : line.substr(5);
        CPPUNIT_ASSERT_EQUAL_MESSAGE(about, plain, latex);
        checkSums(analysis, line, derivation.sums[i], message);
        if (i == 0)
            for (std::size_t sum = 0; sum < derivation.sums[0].size(); ++sum)
                CPPUNIT_ASSERT_EQUAL_MESSAGE(message, static_cast<std::int32_t>(sum), derivation.sums[0][sum]);
        else
            CPPUNIT_ASSERT_MESSAGE(message, std::includes(derivation.sums[i - 1].begin(), derivation.sums[i - 1].end(),
                                                          derivation.sums[i].begin(), derivation.sums[i].end()));
    }
    CPPUNIT_ASSERT_EQUAL_MESSAGE(about, derivation.text.size(), derivation.sums.size());
}

}  // namespace

class DeriveTests : public CppUnit::TestFixture {
    CPPUNIT_TEST_SUITE(DeriveTests);
    CPPUNIT_TEST(testNestedExample);
    CPPUNIT_TEST(testSmallPrograms);
    CPPUNIT_TEST(testGeneratedPrograms);
    CPPUNIT_TEST(testDeepNesting);
    CPPUNIT_TEST(testLongProgramAroundADeepLoop);
    CPPUNIT_TEST(testErrors);
    CPPUNIT_TEST(testLoopSums);
    CPPUNIT_TEST_SUITE_END();

public:
    void testNestedExample() {
        const Analysis analysis(programs::nested, CostModel{});
        const Derivation derivation = analysis::deriveCost(analysis);
        const std::vector<std::string> text = {
            // NOLINTNEXTLINE(bugprone-suspicious-missing-comma): one line, written in two
            "T(n) = \xce\xa3_{i=1}^{n} ( 2 + \xce\xa3_{j=1}^{3} ( \xce\xa3_{k=1}^{n} 4 + 1 ) + 4 + "
            "\xce\xa3_{j=1}^{n} 3 ) + 2",
            "     = \xce\xa3_{i=1}^{n} ( 2 + \xce\xa3_{j=1}^{3} ( 4n + 1 ) + 4 + 3n ) + 2",
            "     = \xce\xa3_{i=1}^{n} ( 2 + 3(4n + 1) + 4 + 3n ) + 2",
            "     = \xce\xa3_{i=1}^{n} ( 15n + 9 ) + 2",
            "     = 15n^2 + 9n + 2",
        };
        CPPUNIT_ASSERT(derivation.text == text);
        const std::vector<std::string> latex = {
            // NOLINTNEXTLINE(bugprone-suspicious-missing-comma): one line, written in two
            R"(T(n) &= \sum_{i=1}^{n} \left( 2 + \sum_{j=1}^{3} \left( \sum_{k=1}^{n} 4 + 1 \right) + 4 + )"
            R"(\sum_{j=1}^{n} 3 \right) + 2 \\)",
            R"(&= \sum_{i=1}^{n} \left( 2 + \sum_{j=1}^{3} \left( 4n + 1 \right) + 4 + 3n \right) + 2 \\)",
            R"(&= \sum_{i=1}^{n} \left( 2 + 3\left(4n + 1\right) + 4 + 3n \right) + 2 \\)",
            R"(&= \sum_{i=1}^{n} \left( 15n + 9 \right) + 2 \\)",
            R"(&= 15n^{2} + 9n + 2)",
        };
        CPPUNIT_ASSERT(derivation.latex == latex);
        // the loops in the program's order: i, then LOOP 3, its LOOP n, the last LOOP n
        const std::vector<std::vector<std::int32_t>> sums = {{0, 1, 2, 3}, {0, 1}, {0}, {0}, {}};
        CPPUNIT_ASSERT(derivation.sums == sums);
    }

    // The notation's corners, written out: LOOP 0, a body that costs
    // nothing, negative and decimal costs, a coefficient of 1, deep indices.
    void testSmallPrograms() {
        struct Case {
            const char* program;
            const char* addition;
            const char* multiplication;
            std::vector<std::string> lines;
        };
        const Case cases[] = {
            {"BEGIN a ; END", "1", "1", {"T(n) = 0"}},
            {"BEGIN a + b ; a * b ; END", "1", "1", {"T(n) = 1 + 1", "     = 2"}},
            {"BEGIN LOOP 0 LOOP n a + b ; END END a ; END",
             "1",
             "1",
             {"T(n) = \xce\xa3_{i=1}^{0} ( \xce\xa3_{j=1}^{n} 1 ) + 0", "     = \xce\xa3_{i=1}^{0} ( n ) + 0",
              "     = 0 + 0", "     = 0"}},
            {"BEGIN LOOP n a ; END END", "1", "1", {"T(n) = \xce\xa3_{i=1}^{n} 0", "     = 0"}},
            {"BEGIN LOOP n a + b ; END END", "-3", "1", {"T(n) = \xce\xa3_{i=1}^{n} ( -3 )", "     = -3n"}},
            {"BEGIN LOOP n a + b ; a * b ; END END",
             "-1",
             "0.5",
             {"T(n) = \xce\xa3_{i=1}^{n} ( -1 + 0.5 )", "     = \xce\xa3_{i=1}^{n} ( -0.5 )", "     = -0.5n"}},
            {"BEGIN LOOP n LOOP n a + b ; END END a + b + c ; END",
             "-1",
             "1",
             {"T(n) = \xce\xa3_{i=1}^{n} ( \xce\xa3_{j=1}^{n} ( -1 ) ) - 2", "     = \xce\xa3_{i=1}^{n} ( -n ) - 2",
              "     = -n^2 - 2"}},
            {"BEGIN LOOP 2 LOOP n a + b ; END a + b ; END END",
             "1",
             "1",
             {"T(n) = \xce\xa3_{i=1}^{2} ( \xce\xa3_{j=1}^{n} 1 + 1 )", "     = \xce\xa3_{i=1}^{2} ( n + 1 )",
              "     = 2(n + 1)", "     = 2n + 2"}},
            {"BEGIN LOOP 1 LOOP 1 LOOP 1 LOOP 1 LOOP 1 a * b ; END END END END END END",
             "1",
             "1",
             // NOLINTNEXTLINE(bugprone-suspicious-missing-comma): one line, written in two
             {"T(n) = \xce\xa3_{i=1}^{1} ( \xce\xa3_{j=1}^{1} ( \xce\xa3_{k=1}^{1} ( \xce\xa3_{i4=1}^{1} ( "
              "\xce\xa3_{i5=1}^{1} 1 ) ) ) )",
              "     = \xce\xa3_{i=1}^{1} ( \xce\xa3_{j=1}^{1} ( \xce\xa3_{k=1}^{1} ( \xce\xa3_{i4=1}^{1} 1 ) ) )",
              "     = \xce\xa3_{i=1}^{1} ( \xce\xa3_{j=1}^{1} ( \xce\xa3_{k=1}^{1} 1 ) )",
              "     = \xce\xa3_{i=1}^{1} ( \xce\xa3_{j=1}^{1} 1 )", "     = \xce\xa3_{i=1}^{1} 1", "     = 1"}},
        };
        for (const Case& c : cases) {
            const Analysis analysis(c.program, programs::model(c.addition, c.multiplication));
            const Derivation derivation = analysis::deriveCost(analysis);
            std::string got;
            for (const std::string& line : derivation.text)
                got += line + "\n";
            CPPUNIT_ASSERT_MESSAGE(std::string(c.program) + "\n" + got, derivation.text == c.lines);
        }
    }

    void testGeneratedPrograms() {
        programs::Generator generator(27);
        const programs::Shape shapes[] = {
            {1, 6, true, 3}, {3, 4, true, 3}, {5, 3, true, 2}, {4, 3, false, 4}, {8, 2, true, 3}};
        for (const programs::Shape& shape : shapes)
            for (int i = 0; i < 40; ++i) {
                const programs::List program = generator.make(shape);
                for (const CostModel& model : programs::models())
                    checkDerivation(program, model,
                                    "shape " + std::to_string(shape.depth) + ", program " + std::to_string(i) + ", +" +
                                        model.addition.text() + " *" + model.multiplication.text());
            }
    }

    // One step per level: 60 loops make 61 lines; 1000 read without
    // running out of stack, and end in n to the number of loops over n.
    void testDeepNesting() {
        checkDerivation(programs::chain(60, {-1, 3, 1, -1, 0, 2}, 1), CostModel{}, "60 deep");
        checkDerivation(programs::chain(40, {-1, 2}), programs::model("-0.5", "1.5"), "40 deep");
        programs::List deep = programs::chain(1000, {-1});
        const std::string text = programs::write(deep);
        const Analysis analysis(text, CostModel{});
        const Derivation derivation = analysis::deriveCost(analysis);
        CPPUNIT_ASSERT_EQUAL(std::size_t(1001), derivation.text.size());
        CPPUNIT_ASSERT_EQUAL(std::string("     = 2n^1000"), derivation.text.back());
    }

    // Thousands of statements beside a deep loop are collected once the
    // first line is too long to read, not written again on every step.
    void testLongProgramAroundADeepLoop() {
        programs::List program = programs::chain(30, {-1, 2}, 1);
        for (int i = 0; i < 20000; ++i)
            program.insert(program.begin() + i % 7, programs::Node{false, 0, i % 3, i % 2, {}, 0, 0});
        checkDerivation(program, CostModel{}, "long");
        const std::string text = programs::write(program);
        const Analysis analysis(text, CostModel{});
        const Derivation derivation = analysis::deriveCost(analysis);
        std::size_t length = 0;
        for (const std::string& line : derivation.text)
            length += line.size();
        CPPUNIT_ASSERT(length < 3 * derivation.text.front().size());
    }

    void testErrors() {
        const Analysis analysis("BEGIN LOOP n a b ; END END", CostModel{});
        const Derivation derivation = analysis::deriveCost(analysis);
        CPPUNIT_ASSERT(derivation.text.empty() && derivation.latex.empty());
    }

    void testLoopSums() {
        const Analysis analysis(programs::nested, CostModel{});
        std::vector<std::string> sums;
        for (const analysis::StatementInfo& statement : analysis.statements())
            sums.push_back(analysis::loopSum(analysis, statement));
        const std::vector<std::string> expected = {
            "\xce\xa3_{i=1}^{n} ( 15n + 9 ) = 15n^2 + 9n",
            "",
            "\xce\xa3_{j=1}^{3} ( 4n + 1 ) = 12n + 3",
            "\xce\xa3_{k=1}^{n} 4 = 4n",
            "",
            "",
            "",
            "\xce\xa3_{j=1}^{n} 3 = 3n",
            "",
            "",
        };
        CPPUNIT_ASSERT(sums == expected);
        const Analysis zero("BEGIN LOOP 0 a + b ; END LOOP 4 a ; END LOOP 3 a + b ; END END",
                            programs::model("-0.5", "1"));
        const std::vector<std::string> small = {
            "\xce\xa3_{i=1}^{0} ( -0.5 ) = 0",    "", "\xce\xa3_{i=1}^{4} 0 = 0", "",
            "\xce\xa3_{i=1}^{3} ( -0.5 ) = -1.5", "",
        };
        sums.clear();
        for (const analysis::StatementInfo& statement : zero.statements())
            sums.push_back(analysis::loopSum(zero, statement));
        CPPUNIT_ASSERT(sums == small);
    }
};

CPPUNIT_TEST_SUITE_REGISTRATION(DeriveTests);
