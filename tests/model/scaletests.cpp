#include <memory>
#include <sstream>
#include <string>

#include <cppunit/TestFixture.h>
#include <cppunit/extensions/HelperMacros.h>

#include "loopcost/model/expression.h"
#include "loopcost/model/program.h"
#include "loopcost/model/term.h"
#include "loopcost/tests/model/support.h"

namespace {

const int million = 1000000;

// A million statements; every thousandth is a loop over n.
std::string millionStatements(const char* last) {
    std::string text = "BEGIN\n";
    text.reserve(10 * static_cast<std::size_t>(million));
    for (int i = 1; i < million; ++i)
        text += i % 1000 ? "a + b ;\n" : "LOOP n c * d ; END\n";
    text += last;
    text += "\nEND\n";
    return text;
}

std::unique_ptr<Program> readProgram(const std::string& text) {
    std::istringstream in(text);
    return std::make_unique<Program>(in);
}

// `levels` loops once round "a + b ;"
std::string nestedOnce(int levels) {
    std::string text;
    for (int i = 0; i < levels; ++i)
        text += "LOOP 1 ";
    text += "a + b ;";
    for (int i = 0; i < levels; ++i)
        text += " END";
    return text;
}

}  // namespace

// Nothing may recurse once per statement, term or variable: these would
// exhaust the stack if anything did.
class ScaleTests : public CppUnit::TestFixture {
    CPPUNIT_TEST_SUITE(ScaleTests);
    CPPUNIT_TEST(testMillionStatements);
    CPPUNIT_TEST(testLongSumsAndProducts);
    CPPUNIT_TEST(testThousandNestedLoops);
    CPPUNIT_TEST_SUITE_END();

public:
    void testMillionStatements() {
        std::unique_ptr<Program> program = readProgram(millionStatements("a + b ;"));

        // 999001 sums of cost 2 and 999 loops of cost 4 n, exact in float
        Polynomial cost = program->computeComplexity(CPUContext(2, 4));
        const float expected[] = {1998002, 3996};
        CPPUNIT_ASSERT_MESSAGE(describe(cost), sameBits(Polynomial(1, expected), cost));

        std::ostringstream out;
        program->print(out);
        const std::string text = out.str();
        CPPUNIT_ASSERT_EQUAL(std::string("BEGIN\n  a + b ;\n"), text.substr(0, 16));
        CPPUNIT_ASSERT_EQUAL(std::string("  LOOP n\n    c * d ;\n  END\n"), text.substr(6 + 999 * 10, 27));
        CPPUNIT_ASSERT_EQUAL(std::string("  a + b ;\nEND\n"), text.substr(text.size() - 14));

        std::unique_ptr<Program> again = readProgram(text);
        CPPUNIT_ASSERT(program->equal(*again));
        again = readProgram(millionStatements("a + c ;"));  // differs in the very last statement
        CPPUNIT_ASSERT_EQUAL(0, program->equal(*again));
        CPPUNIT_ASSERT_EQUAL(0, again->equal(*program));
    }

    void testLongSumsAndProducts() {
        std::string sumText = "a";
        std::string productText = "a";
        for (int i = 1; i < million; ++i) {
            sumText += "+a";
            productText += "*a";
        }
        Expression sum(static_cast<int>(sumText.size()), sumText.c_str());
        Expression same(static_cast<int>(sumText.size()), sumText.c_str());
        CPPUNIT_ASSERT(sum.equal(same));
        CPPUNIT_ASSERT_EQUAL(float(million - 1), sum.computeComplexity(CPUContext(1, 1)).getCoefficient(0));
        std::ostringstream sumOut;
        sum.print(sumOut);
        CPPUNIT_ASSERT_EQUAL(std::size_t(4 * million - 3), sumOut.str().size());

        Term product(static_cast<int>(productText.size()), productText.c_str());
        Term shorter(static_cast<int>(productText.size()) - 2, productText.c_str());
        CPPUNIT_ASSERT_EQUAL(0, product.equal(shorter));
        CPPUNIT_ASSERT_EQUAL(float(million - 1), product.computeComplexity(CPUContext(1, 1)).getCoefficient(0));
        std::ostringstream productOut;
        product.print(productOut);
        CPPUNIT_ASSERT_EQUAL(std::size_t(4 * million - 3), productOut.str().size());
    }

    void testThousandNestedLoops() {
        // two nests side by side: the depth counts back down behind each END
        std::unique_ptr<Program> program = readProgram("BEGIN " + nestedOnce(1000) + " " + nestedOnce(1000) + " END");
        CPPUNIT_ASSERT_EQUAL(4.0f, program->computeComplexity(CPUContext(2, 4)).getCoefficient(0));
        std::ostringstream out;
        program->print(out);
        const std::string deepestLine = std::string(2 + 2 * 1000, ' ') + "a + b ;\n";
        CPPUNIT_ASSERT(out.str().find(deepestLine) != std::string::npos);
        std::unique_ptr<Program> again = readProgram(out.str());
        CPPUNIT_ASSERT(program->equal(*again));
    }
};

CPPUNIT_TEST_SUITE_REGISTRATION(ScaleTests);
