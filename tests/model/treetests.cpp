#include <climits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <cppunit/TestFixture.h>
#include <cppunit/extensions/HelperMacros.h>

#include "loopcost/model/expression.h"
#include "loopcost/model/expressionstatement.h"
#include "loopcost/model/loopstatement.h"
#include "loopcost/model/program.h"
#include "loopcost/model/statementlist.h"
#include "loopcost/model/term.h"
#include "loopcost/tests/model/support.h"

namespace {

using Node = std::unique_ptr<Complexity>;

template <class Printable>
std::string printed(const Printable& node) {
    std::ostringstream out;
    node.print(out);
    return out.str();
}

Statementlist* oneStatement(const char* text) {
    std::istringstream in(text);
    return new Statementlist(new ExpressionStatement(in), nullptr);
}

}  // namespace

class TreeTests : public CppUnit::TestFixture {
    CPPUNIT_TEST_SUITE(TreeTests);
    CPPUNIT_TEST(testTermShapes);
    CPPUNIT_TEST(testExpressionShapes);
    CPPUNIT_TEST(testProgramShapes);
    CPPUNIT_TEST(testPrintLayouts);
    CPPUNIT_TEST(testLoopCounts);
    CPPUNIT_TEST(testListEquality);
    CPPUNIT_TEST(testStatementKindsNeverEqual);
    CPPUNIT_TEST(testStreamLeftBehindNode);
    CPPUNIT_TEST(testRoundTrips);
    CPPUNIT_TEST_SUITE_END();

public:
    void testTermShapes() {
        struct Case {
            const char* text;
            int length;
            const char* variables;  // the same term by hand
            const char* printed;
        };
        // clang-format off
        const Case cases[] = {
            {"z", 1, "z", "z"},         {"a*b", 3, "ab", "a * b"},
            {"a*b*c", 5, "abc", "a * b * c"}, {"d*e*f*g", 7, "defg", "d * e * f * g"},
            {"a*b*c", 3, "ab", "a * b"},  // only `length` characters are read
            {"*", 1, "*", "*"},         // any character is a variable
        };
        // clang-format on
        for (const Case& c : cases) {
            Term term(c.length, c.text);
            std::unique_ptr<Term> byHand(handTerm(c.variables));
            CPPUNIT_ASSERT_MESSAGE(c.text, term.equal(*byHand) && byHand->equal(term));
            CPPUNIT_ASSERT_EQUAL(std::string(c.printed), printed(term));
        }
        const char* const different[][2] = {{"ab", "ba"}, {"a", "ab"}, {"ab", "a"}, {"abc", "abd"}, {"abc", "xbc"}};
        for (const auto& pair : different) {
            std::unique_ptr<Term> a(handTerm(pair[0])), b(handTerm(pair[1]));
            CPPUNIT_ASSERT_EQUAL_MESSAGE(pair[0], 0, a->equal(*b));
        }
    }

    void testExpressionShapes() {
        struct Case {
            const char* text;
            int length;
            std::vector<std::string> terms;  // the same sum by hand, in source order
            const char* printed;
        };
        const Case cases[] = {
            {"a", 1, {"a"}, "a"},
            {"a+b+c+d", 7, {"a", "b", "c", "d"}, "a + b + c + d"},
            {"a*b+c*d*e+f", 11, {"ab", "cde", "f"}, "a * b + c * d * e + f"},
            {"a+b+c", 3, {"a", "b"}, "a + b"},
        };
        for (const Case& c : cases) {
            Expression sum(c.length, c.text);
            std::unique_ptr<Expression> byHand(handExpression(c.terms));
            CPPUNIT_ASSERT_MESSAGE(c.text, sum.equal(*byHand) && byHand->equal(sum));
            CPPUNIT_ASSERT_EQUAL(std::string(c.printed), printed(sum));
        }
        const std::vector<std::string> different[][2] = {
            {{"a", "bc"}, {"bc", "a"}}, {{"a", "b"}, {"a"}}, {{"a"}, {"a", "b"}}, {{"ab", "c"}, {"a", "bc"}}};
        for (const auto& pair : different) {
            std::unique_ptr<Expression> a(handExpression(pair[0])), b(handExpression(pair[1]));
            CPPUNIT_ASSERT_EQUAL(0, a->equal(*b));
        }
    }

    // Whole programs of every shape, read with varied white space, against the
    // same trees built by hand.
    void testProgramShapes() {
        for (unsigned seed = 1; seed <= 40; ++seed) {
            const Shapes shapes = randomShapes(seed, static_cast<int>(1 + seed % 7), 4);
            Node read = readQuietly(Reader::program, programText(shapes));
            Program byHand(handList(shapes));
            CPPUNIT_ASSERT_MESSAGE(programText(shapes), equalNodes(*read, byHand) && equalNodes(byHand, *read));
        }
    }

    void testPrintLayouts() {
        struct Case {  // NOLINT(clang-analyzer-optin.performance.Padding): the fields follow the table's columns
            Reader reader;
            std::string text;
            int indent;
            std::string printed;
        };
        std::string longest = "a", longestPrinted = "a";  // 99 characters, the most a statement holds
        while (longest.size() < 99) {
            longest += "+a";
            longestPrinted += " + a";
        }
        // clang-format off
        const Case cases[] = {
            {Reader::statement, longest + ";", 0, longestPrinted + " ;\n"},
            {Reader::statement, "a+b*c;", 0, "a + b * c ;\n"},
            {Reader::statement, "a +\n b\n * c ;", 4, "    a + b * c ;\n"},
            {Reader::statement, "a ;", -3, "a ;\n"},
            {Reader::statement, "a ;", 150, std::string(150, ' ') + "a ;\n"},
            {Reader::loop, "LOOP n\na + b ;\nLOOP 3\nc + d * e ;\nEND\nf * g ;\nEND", 0,
             "LOOP n\n  a + b ;\n  LOOP 3\n    c + d * e ;\n  END\n  f * g ;\nEND\n"},
            {Reader::loop, "LOOP n a ; LOOP 3 b ; END END", 2, "  LOOP n\n    a ;\n    LOOP 3\n      b ;\n    END\n  END\n"},
            {Reader::loop, "LOOP 3a;END", 99, std::string(99, ' ') + "LOOP 3\n" + std::string(101, ' ') + "a ;\n" +
                                                std::string(99, ' ') + "END\n"},
            {Reader::loop, "LOOP -2 a ; END", 0, "LOOP n\n  a ;\nEND\n"},
            {Reader::loop, "LOOP -2147483648 a ; END", 0, "LOOP n\n  a ;\nEND\n"},
            {Reader::loop, "LOOP 2147483647 a ; END", 0, "LOOP 2147483647\n  a ;\nEND\n"},
            {Reader::list, "a ; b*c ; LOOP 0 d ; END", 4, "    a ;\n    b * c ;\n    LOOP 0\n      d ;\n    END\n"},
            {Reader::program, "BEGIN a * a * b ; LOOP n LOOP n c + d + e * f ; END END r * s + u * v ; END", 0,
             "BEGIN\n  a * a * b ;\n  LOOP n\n    LOOP n\n      c + d + e * f ;\n    END\n  END\n  r * s + u * v ;\nEND\n"},
        };
        // clang-format on
        for (const Case& c : cases)
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.text, c.printed, ::printed(*readQuietly(c.reader, c.text), c.indent));
    }

    void testLoopCounts() {
        struct Case {
            const char* text;
            int count;  // of the loop built by hand over "a ;"
            int equal;
        };
        // clang-format off
        const Case cases[] = {
            {"LOOP 3 a ; END", 3, 1},  {"LOOP 3a ; END", 3, 1},   {"LOOP na ; END", -1, 1},
            {"LOOP +3 a ; END", 3, 1}, {"LOOP 03 a ; END", 3, 1}, {"LOOP\n\t7\na;END", 7, 1},
            {"LOOP 0 a ; END", 0, 1},  {"LOOP -0 a ; END", 0, 1}, {"LOOP 3 a ; END", 4, 0},
            {"LOOP -2 a ; END", -1, 0}, {"LOOP -2 a ; END", -2, 1}, {"LOOP n a ; END", 1, 0},
            {"LOOP 2147483647 a ; END", INT_MAX, 1}, {"LOOP -2147483648 a ; END", INT_MIN, 1},
        };
        // clang-format on
        for (const Case& c : cases) {
            Node read = readQuietly(Reader::loop, c.text);
            LoopStatement byHand(c.count, oneStatement("a ;"));
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.text, c.equal, equalNodes(*read, byHand));
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.text, c.equal, equalNodes(byHand, *read));
        }
    }

    void testListEquality() {
        struct Case {
            const char* a;
            const char* b;
            int equal;
        };
        // clang-format off
        const Case cases[] = {
            {"a ; b ;", "a ; b ;", 1}, {"a ; b ;", "a ;", 0},   {"a ; b ; c ;", "a ; b ; d ;", 0},
            {"a ; b ;", "b ; a ;", 0}, {"a ; LOOP n b ; END", "a ; LOOP n b ; c ; END", 0},
            {"LOOP n a ; END", "a ;", 0}, {"a ; LOOP 3 b ; END", "a ; LOOP 3 b ; END", 1},
        };
        // clang-format on
        for (const Case& c : cases) {
            Node a = readQuietly(Reader::list, c.a), b = readQuietly(Reader::list, c.b);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(std::string(c.a) + " / " + c.b, c.equal, equalNodes(*a, *b));
            CPPUNIT_ASSERT_EQUAL_MESSAGE(std::string(c.b) + " / " + c.a, c.equal, equalNodes(*b, *a));
        }
        Node shorter = readQuietly(Reader::program, "BEGIN a ; END");
        Node longer = readQuietly(Reader::program, "BEGIN a ; b ; END");
        CPPUNIT_ASSERT_EQUAL(0, equalNodes(*shorter, *longer));
        CPPUNIT_ASSERT_EQUAL(0, equalNodes(*longer, *shorter));
    }

    void testStatementKindsNeverEqual() {
        Node expression = readQuietly(Reader::statement, "a ;");
        Node loop = readQuietly(Reader::loop, "LOOP 1 a ; END");
        CPPUNIT_ASSERT_EQUAL(0, equalNodes(*expression, *loop));
        CPPUNIT_ASSERT_EQUAL(0, equalNodes(*loop, *expression));
    }

    void testStreamLeftBehindNode() {
        struct Case {
            Reader reader;
            const char* text;
            const char* unread;
        };
        const Case cases[] = {
            {Reader::statement, "a ; b ;", " b ;"},
            {Reader::statement, "a;b", "b"},
            {Reader::loop, "LOOP n a ; END b ;", " b ;"},
            {Reader::loop, "LOOP 3 a ; END\nEND", "\nEND"},
            {Reader::list, "x ;\n 3", "3"},
            {Reader::list, "a ; LOOP n b ; END   END", "END"},
            {Reader::list, "a ;  ", ""},
            {Reader::program, "BEGIN a ; END more", " more"},
            {Reader::program, "BEGIN\ta;\tEND\n", "\n"},
        };
        for (const Case& c : cases) {
            CerrCapture cerr;
            std::istringstream in(c.text);
            Node node(readNode(c.reader, in));
            CPPUNIT_ASSERT_MESSAGE(c.text, !in.fail());
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.text, std::string(c.unread), unread(in));
            CPPUNIT_ASSERT_EQUAL(std::string(), cerr.text());
        }
    }

    // print -> read -> equal, and the second print is the first.
    void testRoundTrips() {
        std::vector<std::string> programs = {
            "BEGIN a * a * b ; LOOP n LOOP n c + d + e * f ; END END r * s + u * v ; END",
            "BEGIN LOOP 0 LOOP 2147483647 z ; END END END",
        };
        for (unsigned seed = 100; seed < 120; ++seed)
            programs.push_back(programText(randomShapes(seed, 5, 5)));
        for (const std::string& text : programs) {
            Node first = readQuietly(Reader::program, text);
            const std::string once = ::printed(*first, 0);
            Node second = readQuietly(Reader::program, once);
            CPPUNIT_ASSERT_MESSAGE(text, equalNodes(*first, *second));
            CPPUNIT_ASSERT_EQUAL(once, ::printed(*second, 0));
        }

        // a count below -1 prints as n and reads back as -1: the same text, not equal
        Node first = readQuietly(Reader::program, "BEGIN LOOP -5 a ; END END");
        const std::string once = ::printed(*first, 0);
        CPPUNIT_ASSERT_EQUAL(std::string("BEGIN\n  LOOP n\n    a ;\n  END\nEND\n"), once);
        Node second = readQuietly(Reader::program, once);
        CPPUNIT_ASSERT_EQUAL(0, equalNodes(*first, *second));
        CPPUNIT_ASSERT_EQUAL(once, ::printed(*second, 0));
    }
};

CPPUNIT_TEST_SUITE_REGISTRATION(TreeTests);
