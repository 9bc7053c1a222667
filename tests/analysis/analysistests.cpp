#include <climits>
#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include <cppunit/TestResult.h>
#include <cppunit/extensions/HelperMacros.h>
#include <cppunit/extensions/TestFactoryRegistry.h>
#include <cppunit/ui/text/TestRunner.h>

#include "loopcost/analysis/analysis.h"
#include "loopcost/analysis/hot.h"
#include "loopcost/model/cpucontext.h"
#include "loopcost/model/polynomial.h"
#include "loopcost/model/program.h"

using analysis::Analysis;
using analysis::CostModel;
using analysis::Decimal;

namespace {

CostModel model(const char* add, const char* mul) { return CostModel{*Decimal::parse(add), *Decimal::parse(mul)}; }

std::string repeat(const std::string& text, int times) {
    std::string all;
    for (int i = 0; i < times; ++i)
        all += text;
    return all;
}

std::string nested(const std::string& header, int depth, const std::string& body) {
    return repeat(header + " ", depth) + body + repeat(" END", depth);
}

std::string floatText(const Analysis& a, float add, float mul) {
    std::istringstream in{std::string(a.text())};
    std::ostringstream out;
    Program(in).computeComplexity(CPUContext(add, mul)).print(out);
    std::string text = out.str();
    text.pop_back();
    return text;
}

}  // namespace

class AnalysisTests : public CppUnit::TestFixture {
    CPPUNIT_TEST_SUITE(AnalysisTests);
    CPPUNIT_TEST(testDecimals);
    CPPUNIT_TEST(testExactWhereFloatsAreNot);
    CPPUNIT_TEST(testCostText);
    CPPUNIT_TEST(testMachineWordTexts);
    CPPUNIT_TEST(testCounts);
    CPPUNIT_TEST(testPositions);
    CPPUNIT_TEST(testStatementCosts);
    CPPUNIT_TEST(testTermsAgreeWithCosts);
    CPPUNIT_TEST(testLoopCostsAddUp);
    CPPUNIT_TEST(testLineCosts);
    CPPUNIT_TEST(testHottest);
    CPPUNIT_TEST(testDiagnostics);
    CPPUNIT_TEST_SUITE_END();

public:
    void testDecimals() {
        struct Case {
            const char* text;
            const char* exact;  // null: not a number
        };
        const Case cases[] = {
            {"0.1", "0.1"},    {".25", "0.25"},     {"2.", "2"},       {"+3", "3"},
            {"-0", "0"},       {"-0.50", "-0.5"},   {"1e3", "1000"},   {"1e-07", "0.0000001"},
            {"1.5E+2", "150"}, {"007", "7"},        {"", nullptr},     {".", nullptr},
            {"1e", nullptr},   {"1e1001", nullptr}, {"0x10", nullptr}, {"1,5", nullptr},
            {" 1", nullptr},   {"--1", nullptr},
        };
        for (const Case& c : cases) {
            const auto parsed = Decimal::parse(c.text);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.text, c.exact != nullptr, parsed.has_value());
            if (parsed)
                CPPUNIT_ASSERT_EQUAL_MESSAGE(c.text, std::string(c.exact), parsed->text());
        }
    }

    // Each of these loses operations or precision in the library's floats.
    void testExactWhereFloatsAreNot() {
        struct Case {
            std::string program;
            CostModel costs;
            const char* exact;
        };
        const std::string manyThen = repeat("a + b ; ", 1000) + "LOOP 16777216 a + b ; END";
        const std::string thenMany = "LOOP 16777216 a + b ; END " + repeat("a + b ; ", 1000);
        const Case cases[] = {
            {"LOOP 100 a + b ; END", model("1", "1"), "100"},
            {"LOOP 150 a + b ; END LOOP n LOOP 1234 a * b ; END END", model("1", "1"), "1234 * n^1 + 150"},
            {manyThen, model("1", "1"), "16778216"},
            {thenMany, model("1", "1"), "16778216"},
            {repeat("a + b ; ", 20000), model("1001", "1"), "20020000"},
            {"LOOP 16777217 a * b ; END", model("1", "1"), "16777217"},
            {"LOOP 0 " + nested("LOOP 2147483647", 5, "a + b ;") + " END", model("1", "1"), "0"},
            {nested("LOOP n", 25, "a + b ;"), model("1", "1"), "n^25"},
            {nested("LOOP 2147483647", 3, "a * b ;"), model("1", "1"), "9903520300447984150353281023"},
            {"LOOP 3 a + b ; END", model("0.1", "1"), "0.3"},
            {"a * b ; a * b ; a * b ;", model("1", "1e40"), "30000000000000000000000000000000000000000"},
            {"LOOP n a + b ; END c * d ;", model("-1", "0.5"), "-n^1 + 0.5"},
        };
        for (const Case& c : cases) {
            const std::string text = "BEGIN " + c.program + " END";
            const Analysis a(text, c.costs, analysis::Detail::total);
            CPPUNIT_ASSERT_MESSAGE(c.program.substr(0, 60), a.ok());
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.program.substr(0, 60), std::string(c.exact), a.total().text());
        }
        // where float arithmetic is exact, both agree
        const std::string text = "BEGIN LOOP n a + b * c ; LOOP 3 LOOP n w * w ; END END END s + s ; END";
        const Analysis a(text, model("2", "4"), analysis::Detail::total);
        CPPUNIT_ASSERT_EQUAL(floatText(a, 2.0f, 4.0f), a.total().text());
    }

    void testCostText() {
        using analysis::Cost;
        using analysis::Integer;
        struct Case {
            std::vector<Integer> units;
            int scale;
            const char* text;
            const char* order;
        };
        const Case cases[] = {
            {{0}, 0, "0", "O(1)"},
            {{1, 0, 1}, 0, "n^2 + 1", "O(n^2)"},
            {{-1, -1}, 0, "-n^1 - 1", "O(n)"},
            {{5, 0, 0}, 1, "0.5", "O(1)"},
            {{0, -15, 10}, 1, "n^2 - 1.5 * n^1", "O(n^2)"},
        };
        for (const Case& c : cases) {
            const Cost cost(c.units, c.scale);
            CPPUNIT_ASSERT_EQUAL(std::string(c.text), cost.text());
            CPPUNIT_ASSERT_EQUAL(std::string(c.order), cost.orderText());
        }
        // the highest power where two costs differ decides
        CPPUNIT_ASSERT(Cost({0, 0, 1}, 0).compare(Cost({1000, 1000}, 0)) > 0);
        CPPUNIT_ASSERT(Cost({0, 0, -1}, 0).compare(Cost({0}, 0)) < 0);
        CPPUNIT_ASSERT_EQUAL(0, Cost({2, 0}, 0).compare(Cost({2}, 0)));
        // shares of numbers far beyond a double's range
        const Integer huge = Integer(1) << 5000;
        CPPUNIT_ASSERT_DOUBLES_EQUAL(0.25, Cost::ratio(huge, huge * 4), 1e-15);
        CPPUNIT_ASSERT_DOUBLES_EQUAL(-0.5, Cost::ratio(-huge, huge * 2), 1e-15);
        CPPUNIT_ASSERT_DOUBLES_EQUAL(0.0, Cost::ratio(3, huge), 1e-15);
        CPPUNIT_ASSERT_DOUBLES_EQUAL(0.0, Cost::ratio(3, 0), 1e-15);
    }

    // The writers for machine words give the texts of the writers for
    // integers of any size, at their edges too.
    void testMachineWordTexts() {
        using analysis::Cost;
        using analysis::Integer;
        const std::int64_t values[] = {0, 1, -1, 7, 10, -5, 1200, 100, INT64_MAX, INT64_MIN};
        const int scales[] = {0, 1, 2, 3, 5, 19, 25};
        for (const std::int64_t value : values) {
            for (const int scale : scales) {
                std::string expected;
                Decimal::appendDecimal(expected, Integer(value), scale);
                std::string written(Decimal::roomFor(scale), '?');
                written.resize(
                    static_cast<std::size_t>(Decimal::writeDecimal(&written[0], value, scale) - &written[0]));
                CPPUNIT_ASSERT_EQUAL_MESSAGE(std::to_string(value) + "/10^" + std::to_string(scale), expected, written);
                if (value == 0)
                    continue;
                for (const int power : {0, 1, 12}) {
                    for (const bool first : {true, false}) {
                        std::string term;
                        Cost::appendTerm(term, power, Integer(value), scale, first);
                        std::string fast(Cost::termRoom(scale), '?');
                        fast.resize(
                            static_cast<std::size_t>(Cost::writeTerm(&fast[0], power, value, scale, first) - &fast[0]));
                        CPPUNIT_ASSERT_EQUAL(term, fast);
                    }
                }
            }
        }
        CPPUNIT_ASSERT_EQUAL(std::string("0.0012"), Decimal::decimalText(1200, 6));
        CPPUNIT_ASSERT_EQUAL(std::string("-n^3"), Cost({0, 0, 0, -1}, 0).text());
        // exact ratios round once; a zero part is never -0
        CPPUNIT_ASSERT_EQUAL(1.0 / 3.0, Cost::ratio(1, 3));
        CPPUNIT_ASSERT_EQUAL(-1.0 / 3.0, Cost::ratio(-1, 3));
        CPPUNIT_ASSERT(!std::signbit(Cost::ratio(0, -7)));
        const Integer beyond = (Integer(1) << 53) + 1;  // no double holds it
        CPPUNIT_ASSERT_DOUBLES_EQUAL(1.0, Cost::ratio(beyond, beyond), 0.0);
    }

    void testCounts() {
        const std::string text = "BEGIN LOOP n a + b * c ; LOOP 2 d * e * f ; END END g + h ; END";
        const Analysis a(text, model("7", "3"), analysis::Detail::total);
        const analysis::Counts& counts = a.counts();
        CPPUNIT_ASSERT(counts.additions == (std::vector<analysis::Integer>{1, 1}));
        CPPUNIT_ASSERT(counts.multiplications == (std::vector<analysis::Integer>{0, 5}));
        CPPUNIT_ASSERT_EQUAL(std::string("22 * n^1 + 7"), a.total().text());
    }

    // Lines and byte columns from 1, a tab as one byte, as diagnostics count.
    void testPositions() {
        struct Where {
            const char* text;
            std::size_t line, column;
        };
        const std::string text = "\xEF\xBB\xBF"
                                 "BEGIN a + b ; c * d ;\r\n"
                                 "\tLOOP n e\r\n"
                                 "  + f\n"
                                 "  ;  END LOOP 2 g ; END\n"
                                 "END\r\n";
        const Where expected[] = {
            {"a + b ;", 1, 10}, {"c * d ;", 1, 18}, {"LOOP n", 2, 2},
            {"e + f ;", 2, 9},  {"LOOP 2", 4, 10},  {"g ;", 4, 17},
        };
        const Analysis a(text, model("1", "1"));
        CPPUNIT_ASSERT(a.ok());
        const auto& statements = a.statements();
        CPPUNIT_ASSERT_EQUAL(std::size(expected), statements.size());
        for (std::size_t i = 0; i < statements.size(); ++i) {
            CPPUNIT_ASSERT_EQUAL(std::string(expected[i].text), a.canonicalText(statements[i]));
            CPPUNIT_ASSERT_EQUAL(expected[i].line, a.placeOf(statements[i]).line);
            CPPUNIT_ASSERT_EQUAL(expected[i].column, a.placeOf(statements[i]).column);
        }
        // the split statement runs from its first letter to its ';', inside its loop
        const analysis::StatementInfo& split = statements[3];
        CPPUNIT_ASSERT_EQUAL(';', text[static_cast<std::size_t>(split.end) - 1]);
        CPPUNIT_ASSERT_EQUAL(std::int32_t(2), split.parent);
        CPPUNIT_ASSERT_EQUAL(&split, a.statementAt(text.find("+ f")));
        CPPUNIT_ASSERT_EQUAL(&statements[2], a.statementAt(text.find("  ;  END") + 3));
        CPPUNIT_ASSERT(a.statementAt(text.find("BEGIN")) == nullptr);
    }

    void testStatementCosts() {
        const std::string text = "BEGIN LOOP n a + b ; LOOP 3 LOOP n c * d ; END e ; END END f * f ; END";
        const Analysis a(text, model("2", "4"));
        const char* const costs[] = {"12 * n^2 + 2 * n^1", "2 * n^1", "12 * n^2", "12 * n^2", "12 * n^2", "0", "4"};
        const double shares[] = {1.0, 0.0, 1.0, 1.0, 1.0, 0.0, 0.0};
        const auto& statements = a.statements();
        CPPUNIT_ASSERT_EQUAL(std::size(costs), statements.size());
        for (std::size_t i = 0; i < statements.size(); ++i) {
            CPPUNIT_ASSERT_EQUAL(std::string(costs[i]), a.costOf(statements[i]).text());
            CPPUNIT_ASSERT_DOUBLES_EQUAL(shares[i], a.shareOf(statements[i]), 1e-12);
        }
        CPPUNIT_ASSERT_EQUAL(std::string("12 * n^2 + 2 * n^1 + 4"), a.total().text());
    }

    // A statement's term in machine words is its cost, runs and share;
    // where a number would not fit, or for a loop, there is none.
    void testTermsAgreeWithCosts() {
        const std::string text = "BEGIN LOOP n a + b ; LOOP 65536 LOOP 65536 LOOP n LOOP 65536 LOOP 65536 c * d ; END "
                                 "END END END e ; END END LOOP 3 f * f + g ; END END";
        struct Case {
            CostModel costs;
            std::size_t terms;  // statements with a term
        };
        const Case cases[] = {{model("2", "4"), 3},    {model("0.25", "-1.5"), 3}, {model("0", "0"), 3},
                              {model("1e20", "1"), 0}, {model("1e-30", "3"), 0},   {model("1e-9", "3"), 3}};
        for (const Case& c : cases) {
            const Analysis a(text, c.costs);
            CPPUNIT_ASSERT(a.ok());
            std::size_t terms = 0;
            for (const analysis::StatementInfo& s : a.statements()) {
                const auto term = a.termOf(s);
                if (!term)
                    continue;
                ++terms;
                CPPUNIT_ASSERT(!s.isLoop());
                const analysis::Cost cost = a.costOf(s);
                CPPUNIT_ASSERT_EQUAL(cost.degree(), term->power);
                CPPUNIT_ASSERT_EQUAL(cost.scale(), term->scale);
                CPPUNIT_ASSERT(cost.unitsOf(term->power) == term->units);
                CPPUNIT_ASSERT(a.runsOf(s).back() == term->runs);
            }
            CPPUNIT_ASSERT_EQUAL(c.terms, terms);
        }
    }

    // A loop costs what the statements in it cost, and the program what its
    // outermost statements and loops cost, whether the sums fit in machine
    // words or overflow them: by the counts (2^31 - 1 five deep), by a sum
    // (three statements run 2^62 times), or by the model.
    void testLoopCostsAddUp() {
        const std::string big = "LOOP 2147483647 ";
        const std::string texts[] = {
            "BEGIN LOOP n a + b ; LOOP 3 c * d ; END END e ; END",
            "BEGIN " + repeat(big, 5) + "e * f + g ; LOOP n h ; i + j ; END" + repeat(" END", 5) + " END",
            "BEGIN LOOP n " + repeat(big, 2) + "k * l ; k * l ; k * l ; END END END m ; END",
        };
        const CostModel models[] = {model("1", "1"), model("0.5", "-2"), model("4611686018427387903", "1"),
                                    model("1e40", "3")};
        for (const std::string& text : texts) {
            for (const CostModel& costs : models) {
                const Analysis a(text, costs);
                CPPUNIT_ASSERT(a.ok());
                const auto& parts = a.statements();
                std::vector<analysis::Cost> inside(parts.size(), analysis::Cost({0}, a.total().scale()));
                analysis::Cost outermost({0}, a.total().scale());
                for (std::size_t i = parts.size(); i-- > 0;) {
                    const analysis::Cost cost = a.costOf(parts[i]);
                    if (parts[i].isLoop())
                        CPPUNIT_ASSERT_EQUAL(inside[i].text(), cost.text());
                    (parts[i].parent < 0 ? outermost : inside[static_cast<std::size_t>(parts[i].parent)]).add(cost);
                }
                CPPUNIT_ASSERT_EQUAL(a.total().text(), outermost.text());
            }
        }
    }

    // A line shows the cost of what begins on it and is not inside something
    // that begins there too; a range of lines gives those lines' costs alone.
    void testLineCosts() {
        const std::string text = "BEGIN\n"
                                 "a ; LOOP n b * c ; LOOP 2 d ; END\n"
                                 "\n"
                                 "  e + f ; END g ;\n"
                                 "LOOP 3 h ;\n"
                                 "END END\n";
        const Analysis a(text, model("1", "1"));
        CPPUNIT_ASSERT(a.ok());
        const auto texts = [](const std::vector<Analysis::LineCost>& costs) {
            std::vector<std::string> shown;
            shown.reserve(costs.size());
            for (const Analysis::LineCost& line : costs)
                shown.push_back(std::to_string(line.line) + ": " + line.cost.text());
            return shown;
        };
        const std::vector<std::string> all = {"2: 2 * n^1", "4: n^1", "5: 0"};
        CPPUNIT_ASSERT(all == texts(a.lineCosts()));
        CPPUNIT_ASSERT(std::vector<std::string>(all.begin() + 1, all.end()) == texts(a.lineCosts(3, 5)));
        CPPUNIT_ASSERT(std::vector<std::string>(all.begin(), all.begin() + 1) == texts(a.lineCosts(1, 3)));
        CPPUNIT_ASSERT(texts(a.lineCosts(6, 100)).empty());
        CPPUNIT_ASSERT(texts(a.lineCosts(5, 4)).empty());
    }

    // Costliest first by their polynomials; equal costs keep source order.
    void testHottest() {
        const std::string text = "BEGIN a * b ; LOOP n c ; d + e ; END f * g ; LOOP 1000 h + i ; END END";
        const Analysis a(text, model("1", "1"));
        const auto hot = analysis::hottest(a, 3);
        CPPUNIT_ASSERT_EQUAL(std::size_t(3), hot.size());
        CPPUNIT_ASSERT_EQUAL(std::string("d + e ;"), a.canonicalText(*hot[0]));
        CPPUNIT_ASSERT_EQUAL(std::string("h + i ;"), a.canonicalText(*hot[1]));
        CPPUNIT_ASSERT_EQUAL(std::string("a * b ;"), a.canonicalText(*hot[2]));
        CPPUNIT_ASSERT_EQUAL(std::size_t(5), analysis::hottest(a, 10).size());
        CPPUNIT_ASSERT(analysis::hottest(a, 0).empty());
    }

    void testDiagnostics() {
        struct Case {
            std::string text;
            std::size_t line, column;
            const char* message;
        };
        const Case cases[] = {
            {"", 1, 1, "unexpected end of input: expected 'BEGIN'"},
            {"BEGIN\n  LOOP n\n    a + b ;\n", 4, 1, "unexpected end of input: LOOP at 2:3 is not closed"},
            {"BEGIN LOOP", 1, 11, "unexpected end of input: expected a loop count after the LOOP at 1:7"},
            {"BEGIN a + b", 1, 12, "unexpected end of input: expected ';' to end the statement at 1:7"},
            {"BEGIN\n  LOOP 3\n    LOOP n a ; END\n  X\nEND", 4, 3,
             "expected 'END' to close the LOOP at 2:3, found 'X'"},
            {"BEGIN a b ; END", 1, 9, "expected '+' or '*' between 'a' and 'b'"},
            {"BEGIN a * + b ; END", 1, 11, "expected a variable after '*', found '+'"},
            {"BEGIN a + ; END", 1, 11, "expected a variable after '+', found ';'"},
            {"BEGIN a + 2 ; END", 1, 11, "expected a variable, '+', '*' or ';', found '2'"},
            {"BEGIN LOOP 3000000000 a ; END END", 1, 12, "loop count '3000000000' does not fit in 32 bits"},
            {"BEGIN LOOPS n a ; END END", 1, 7, "expected 'LOOP', found 'LOOPS'"},
            {std::string("BEGIN a ; END\0", 14), 1, 11, "expected 'END' to close BEGIN at 1:1, found 'END\\x00'"},
            {"BEGIN a ; END END", 1, 15, "unexpected text after the closing END"},
            {"BEGIN " + repeat("a+", 50) + "a ; END", 1, 7,
             "statement longer than 99 characters (white space not counted)"},
            {nested("LOOP n", 1001, "a ;"), 1, 7007, "loops nested deeper than 1000"},
        };
        for (const Case& c : cases) {
            const std::string text = c.text.compare(0, 4, "LOOP") == 0 ? "BEGIN " + c.text + " END" : c.text;
            const Analysis a(text, model("1", "1"));
            CPPUNIT_ASSERT_MESSAGE(c.message, !a.ok());
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.message, std::string(c.message), a.error()->message);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.message, c.line, a.error()->place.line);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.message, c.column, a.error()->place.column);
        }
    }
};

CPPUNIT_TEST_SUITE_REGISTRATION(AnalysisTests);

int main() {
    CppUnit::TextUi::TestRunner runner;
    runner.addTest(CppUnit::TestFactoryRegistry::getRegistry().makeTest());
    return runner.run() ? 0 : 1;
}
