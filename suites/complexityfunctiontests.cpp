#include <sstream>
#include <string>

#include <cppunit/TestFixture.h>
#include <cppunit/extensions/HelperMacros.h>

#include "loopcost/model/cpucontext.h"
#include "loopcost/model/polynomial.h"
#include "loopcost/model/program.h"

using std::string;

class ComplexityFunctionTests : public CppUnit::TestFixture {
    CPPUNIT_TEST_SUITE(ComplexityFunctionTests);
    CPPUNIT_TEST(testProgramEvaluation1);
    CPPUNIT_TEST(testProgramEvaluation2);
    CPPUNIT_TEST_SUITE_END();

public:
    void setUp() override {}
    void tearDown() override {}

    void testProgramEvaluation1() {
        string strProg("BEGIN\n"
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
                       "END\n");
        std::istringstream issProg(strProg);
        Program prog(issProg);

        float coefArray1[] = {6.0f, 28.0f, 54.0f};
        float coefArray2[] = {6.0f, 29.0f, 63.0f};
        int degree1 = 2;
        int degree2 = 2;

        Polynomial complexity = prog.computeComplexity(CPUContext(2, 4));
        CPPUNIT_ASSERT(complexity.equal(Polynomial(degree1, coefArray1), 1e-6f));
        std::ostringstream oss1;
        complexity.print(oss1);
        CPPUNIT_ASSERT(oss1.str() == string("54 * n^2 + 28 * n^1 + 6\n"));

        complexity = prog.computeComplexity(CPUContext(1, 5));
        CPPUNIT_ASSERT(complexity.equal(Polynomial(degree2, coefArray2), 1e-6f));
        std::ostringstream oss2;
        complexity.print(oss2);
        CPPUNIT_ASSERT(oss2.str() == string("63 * n^2 + 29 * n^1 + 6\n"));
    }

    void testProgramEvaluation2() {
        string strProg("BEGIN a * a * b ; LOOP n LOOP n c + d + e * f ; END END r * s + u * v ; END");
        std::istringstream issProg(strProg);
        Program prog(issProg);

        float coefArray1[] = {18.0f, 0.0f, 8.0f};
        float coefArray2[] = {21.0f, 0.0f, 7.0f};
        int degree1 = 2;
        int degree2 = 2;

        Polynomial complexity = prog.computeComplexity(CPUContext(2, 4));
        CPPUNIT_ASSERT(complexity.equal(Polynomial(degree1, coefArray1), 1e-6f));
        std::ostringstream oss1;
        complexity.print(oss1);
        CPPUNIT_ASSERT(oss1.str() == string("8 * n^2 + 18\n"));

        complexity = prog.computeComplexity(CPUContext(1, 5));
        CPPUNIT_ASSERT(complexity.equal(Polynomial(degree2, coefArray2), 1e-6f));
        std::ostringstream oss2;
        complexity.print(oss2);
        CPPUNIT_ASSERT(oss2.str() == string("7 * n^2 + 21\n"));
    }
};

CPPUNIT_TEST_SUITE_REGISTRATION(ComplexityFunctionTests);
