#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <cppunit/TestFixture.h>
#include <cppunit/extensions/HelperMacros.h>

#include "loopcost/model/complexity.h"
#include "loopcost/model/expression.h"
#include "loopcost/model/program.h"
#include "loopcost/model/term.h"
#include "loopcost/tests/model/support.h"

namespace {

using Node = std::unique_ptr<Complexity>;

// `levels` loops over n around "a * b ;"
std::string loopsOverN(int levels) {
    std::string text;
    for (int i = 0; i < levels; ++i)
        text += "LOOP n ";
    text += "a * b ;";
    for (int i = 0; i < levels; ++i)
        text += " END";
    return text;
}

// clang-format off
const char* const indentedProgram =
    "BEGIN\n"
    "    LOOP n\n"
    "        a + b * c ;\n"
    "        LOOP 3\n"
    "            LOOP n\n"
    "                w * w * z + x * y ;\n"
    "            END\n"
    "            a * w ;\n"
    "        END\n"
    "        r + r + r + r * s ;\n"
    "        LOOP n\n"
    "            a * a * a * a ;\n"
    "        END\n"
    "    END\n"
    "    s * s + s ;\n"
    "END\n";
// clang-format on

}  // namespace

class CostTests : public CppUnit::TestFixture {
    CPPUNIT_TEST_SUITE(CostTests);
    CPPUNIT_TEST(testCosts);
    CPPUNIT_TEST(testFractionalCostsKeepTheirAssociation);
    CPPUNIT_TEST(testDegreeOverflow);
    CPPUNIT_TEST_SUITE_END();

public:
    void testCosts() {
        struct Case {
            Reader reader;
            const char* text;
            float add, multiply;
            std::vector<float> cost;  // n^0 first
        };
        // clang-format off
        const Case cases[] = {
            {Reader::statement, "a ;", 2, 4, {0}},
            {Reader::statement, "a + b * c ;", 2, 4, {6}},
            {Reader::statement, "w * w * z + x * y ;", 2, 4, {14}},
            {Reader::statement, "r + r + r + r * s ;", 2, 4, {10}},
            {Reader::statement, "s * s + s ;", 2, 4, {6}},
            {Reader::statement, "a + b * c ;", 1, 5, {6}},
            {Reader::statement, "w * w * z + x * y ;", 1, 5, {16}},
            {Reader::statement, "r + r + r + r * s ;", 1, 5, {8}},
            {Reader::statement, "a * b * c * d ;", 2, 4, {12}},
            {Reader::statement, "a + b ;", -1.5f, 4, {-1.5f}},
            {Reader::loop, "LOOP n a * b ; END", 2, 4, {0, 4}},
            {Reader::loop, "LOOP 3 a * b ; END", 2, 4, {12}},
            {Reader::loop, "LOOP n LOOP n a * b ; END END", 2, 4, {0, 0, 4}},
            {Reader::loop, "LOOP 0 a * b ; LOOP n a * b ; END END", 2, 4, {0, 0}},
            {Reader::loop, "LOOP -2 a * b ; END", 2, 4, {0, 4}},
            {Reader::list, "a * b ; c + d ;", 2, 4, {6}},
            {Reader::list, "LOOP n a ; END b + c ;", 2, 4, {2, 0}},
            {Reader::program, "BEGIN a * a * b ; LOOP n LOOP n c + d + e * f ; END END r * s + u * v ; END", 2, 4,
             {18, 0, 8}},
            {Reader::program, "BEGIN a * a * b ; LOOP n LOOP n c + d + e * f ; END END r * s + u * v ; END", 1, 5,
             {21, 0, 7}},
            {Reader::program, indentedProgram, 2, 4, {6, 28, 54}},
            {Reader::program, indentedProgram, 1, 5, {6, 29, 63}},
        };
        // clang-format on
        for (const Case& c : cases) {
            Polynomial cost = readQuietly(c.reader, c.text)->computeComplexity(CPUContext(c.add, c.multiply));
            CPPUNIT_ASSERT_MESSAGE(std::string(c.text) + " costs " + describe(cost),
                                   sameBits(polynomial(c.cost), cost));
        }
    }

    // Float sums depend on their order: the tree must add exactly as the
    // recursive definitions do, statement + (rest) and term + (sum before).
    void testFractionalCostsKeepTheirAssociation() {
        const CPUContext contexts[] = {CPUContext(0.1f, 0.3f), CPUContext(0.7f, 1.1f), CPUContext(0.3f, 0.1f)};
        for (unsigned seed = 1; seed <= 30; ++seed) {
            const Shapes shapes = randomShapes(seed, 20 + static_cast<int>(seed), 3);
            Node program = readQuietly(Reader::program, programText(shapes));
            for (const CPUContext& context : contexts) {
                Polynomial expected = referenceCost(shapes, context);
                Polynomial cost = program->computeComplexity(context);
                CPPUNIT_ASSERT_MESSAGE(describe(expected) + " / " + describe(cost), sameBits(expected, cost));
            }
        }

        // the data can tell the orders apart: adding the statements from the
        // first onwards gives other bits
        Shapes flat(40);
        for (Shape& s : flat)
            s.expression = "a+b*c";
        flat[0].expression = "a*b*c*d*e*f*g*h+i";
        const CPUContext context(0.1f, 0.3f);
        Polynomial fromFirst(0.0f);
        for (const Shape& s : flat)
            fromFirst.add(referenceCost(Shapes{s}, context));
        Polynomial expected = referenceCost(flat, context);
        CPPUNIT_ASSERT(!sameBits(fromFirst, expected));
        CPPUNIT_ASSERT(sameBits(expected, readQuietly(Reader::program, programText(flat))->computeComplexity(context)));

        // a long sum of terms read from text, beyond what a statement holds
        std::string text = "a";
        for (int i = 1; i < 300; ++i)
            text += i % 3 ? "+b*c" : "+d";
        Expression sum(static_cast<int>(text.size()), text.c_str());
        Shape same;
        same.expression = text;
        CPPUNIT_ASSERT(sameBits(referenceCost(Shapes{same}, context), sum.computeComplexity(context)));
    }

    // Nineteen loops over n fit a polynomial; the twentieth parses but cannot be costed.
    void testDegreeOverflow() {
        const CPUContext context(2, 4);
        Polynomial deepest = readQuietly(Reader::loop, loopsOverN(19))->computeComplexity(context);
        CPPUNIT_ASSERT_EQUAL(19, deepest.getDegree());
        CPPUNIT_ASSERT_EQUAL(4.0f, deepest.getCoefficient(19));

        Node tooDeep = readQuietly(Reader::program, "BEGIN a ; " + loopsOverN(20) + " END");
        CPPUNIT_ASSERT_THROW(tooDeep->computeComplexity(context), std::overflow_error);

        // constant counts do not raise the degree
        Node mixed = readQuietly(Reader::program, "BEGIN LOOP 3 LOOP 2 " + loopsOverN(19) + " END END END");
        CPPUNIT_ASSERT_EQUAL(19, mixed->computeComplexity(context).getDegree());
    }
};

CPPUNIT_TEST_SUITE_REGISTRATION(CostTests);
