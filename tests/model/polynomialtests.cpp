#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <cppunit/TestFixture.h>
#include <cppunit/extensions/HelperMacros.h>

#include "loopcost/model/cpucontext.h"
#include "loopcost/model/polynomial.h"
#include "loopcost/tests/model/support.h"

namespace {

std::string printed(const Polynomial& p) {
    std::ostringstream out;
    p.print(out);
    return out.str();
}

}  // namespace

class PolynomialBehaviourTests : public CppUnit::TestFixture {
    CPPUNIT_TEST_SUITE(PolynomialBehaviourTests);
    CPPUNIT_TEST(testPrint);
    CPPUNIT_TEST(testPrintLeavesPrecisionAtTwo);
    CPPUNIT_TEST(testAdd);
    CPPUNIT_TEST(testEqual);
    CPPUNIT_TEST(testLimits);
    CPPUNIT_TEST(testGetCost);
    CPPUNIT_TEST_SUITE_END();

public:
    void testPrint() {
        struct Case {
            std::vector<float> coefs;  // n^0 first
            const char* text;
        };
        // clang-format off
        const Case cases[] = {
            {{0}, "0\n"},
            {{1}, "1\n"},                                   // the unit rule is for powers only
            {{5, 0, 0, 0}, "5\n"},                          // zero powers are left out
            {{0, 0, 0}, "0\n"},
            {{1e-6f, 1e-6f}, "1e-06\n"},                    // a lone constant is written whatever it is
            {{3, 0, 1}, "n^2 + 3\n"},
            {{0, 1, 3}, "3 * n^2 + n^1\n"},                 // zero constant after terms: left out
            {{0, 0, -1}, "-1 * n^2\n"},
            {{0, 0, 0.9999f}, "1 * n^2\n"},                 // outside the unit window
            {{0, 1.0000005f}, "n^1\n"},                     // inside it
            {{0, 1.00001f}, "1 * n^1\n"},
            {{0, 123}, "1.2e+02 * n^1\n"},
            {{123}, "1.2e+02\n"},
            {{-2.3f, -1}, "-1 * n^1 + -2.3\n"},             // signs after " + "
            {{1.2f, -2.3f, 3.4f, 4.5f, 0, 0.4f}, "0.4 * n^5 + 4.5 * n^3 + 3.4 * n^2 + -2.3 * n^1 + 1.2\n"},
            {{6, 28, 54}, "54 * n^2 + 28 * n^1 + 6\n"},
            {{1e-6f, 0, 3}, "3 * n^2\n"},                   // zero window, inclusive
            {{-1e-6f, 1e-6f, 3}, "3 * n^2\n"},
            {{0.000002f, 0, 3}, "3 * n^2 + 2e-06\n"},
            {{-0.000002f, -0.000002f}, "-2e-06 * n^1 + -2e-06\n"},
        };
        // clang-format on
        for (const Case& c : cases)
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.text, std::string(c.text), printed(polynomial(c.coefs)));

        Polynomial shifted(3.0f);
        shifted.multiplyN();
        CPPUNIT_ASSERT_EQUAL(std::string("3 * n^1\n"), printed(shifted));
        CPPUNIT_ASSERT_EQUAL(std::string("0\n"), printed(Polynomial()));
    }

    void testPrintLeavesPrecisionAtTwo() {
        std::ostringstream out;
        out.precision(9);
        Polynomial(1.5f).print(out);
        CPPUNIT_ASSERT_EQUAL(std::streamsize(2), out.precision());
        out << 3.14159;
        CPPUNIT_ASSERT_EQUAL(std::string("1.5\n3.1"), out.str());
    }

    void testAdd() {
        struct Case {
            std::vector<float> into, other, sum;
        };
        // clang-format off
        const Case cases[] = {
            {{1, 2, 3}, {10, 20}, {11, 22, 3}},          // lower degree: the degree stays
            {{10, 20}, {1, 2, 3}, {11, 22, 3}},          // higher: its degree and top coefficients
            {{1, 2}, {3, 4}, {4, 6}},
            {{0, 0, 5}, {7}, {7, 0, 5}},
            {{1, 2, 3}, {-1, -2, -3}, {0, 0, 0}},        // cancelling keeps the degree
        };
        // clang-format on
        for (const Case& c : cases) {
            Polynomial p = polynomial(c.into);
            p.add(polynomial(c.other));
            CPPUNIT_ASSERT_MESSAGE(describe(p), sameBits(polynomial(c.sum), p));
        }
        Polynomial cancelled = polynomial({1, 2, 3});
        cancelled.add(polynomial({-1, -2, -3}));
        CPPUNIT_ASSERT_EQUAL(std::string("0\n"), printed(cancelled));
        CPPUNIT_ASSERT_EQUAL(0, cancelled.equal(Polynomial(0.0f), 1e-6f));

        Polynomial zeroed = polynomial({1, 2, 3});
        zeroed.multiplyConstant(0);
        CPPUNIT_ASSERT(sameBits(polynomial({0, 0, 0}), zeroed));
        Polynomial scaled = polynomial({1, -2, 0.5f});
        scaled.multiplyConstant(-3);
        CPPUNIT_ASSERT(sameBits(polynomial({-3, 6, -1.5f}), scaled));
    }

    void testEqual() {
        struct Case {
            std::vector<float> a, b;
            float tolerance;
            int equal;
        };
        // clang-format off
        const Case cases[] = {
            {{5}, {5, 0}, 1e-6f, 0},              // degrees compared exactly
            {{5, 0}, {5}, 1e-6f, 0},
            {{0, 0, 0}, {0}, 1.0f, 0},
            {{1, 2}, {1, 2}, 0.0f, 1},
            {{1, 2}, {1, 2.0000002f}, 0.0f, 0},   // zero tolerance: exact
            {{1.5f}, {1.25f}, 0.25f, 1},          // a difference equal to the tolerance is equal
            {{1.25f}, {1.5f}, 0.25f, 1},
            {{1.5f}, {1.25f}, -0.25f, 1},         // a negative tolerance counts by its magnitude
            {{1.5f}, {1.25f}, 0.2499f, 0},
            {{1.5f}, {1.25f}, -0.2499f, 0},
            {{1, 6}, {1, 6.0000005f}, 1e-6f, 1},
            {{1, 6}, {1, 6.00001f}, 1e-6f, 0},
            {{7, 1}, {7, -1}, 1.5f, 0},
        };
        // clang-format on
        for (const Case& c : cases)
            CPPUNIT_ASSERT_EQUAL_MESSAGE(describe(polynomial(c.a)) + " / " + describe(polynomial(c.b)), c.equal,
                                         polynomial(c.a).equal(polynomial(c.b), c.tolerance));
    }

    void testLimits() {
        Polynomial p(2.0f);
        for (int i = 0; i < 19; ++i)
            p.multiplyN();
        CPPUNIT_ASSERT_EQUAL(19, p.getDegree());
        CPPUNIT_ASSERT_EQUAL(2.0f, p.getCoefficient(19));
        CPPUNIT_ASSERT_THROW(p.multiplyN(), std::overflow_error);
        CPPUNIT_ASSERT_EQUAL(19, p.getDegree());  // left as it was
        CPPUNIT_ASSERT_EQUAL(2.0f, p.getCoefficient(19));
        CPPUNIT_ASSERT_EQUAL(0.0f, p.getCoefficient(18));

        const float coefs[20] = {};
        for (int degree : {-1, 20, -2147483647 - 1, 2147483647})
            CPPUNIT_ASSERT_THROW(Polynomial(degree, coefs), std::invalid_argument);
        CPPUNIT_ASSERT_EQUAL(0, Polynomial(0, coefs).getDegree());
        CPPUNIT_ASSERT_EQUAL(19, Polynomial(19, coefs).getDegree());
    }

    void testGetCost() {
        struct Case {
            float add, multiply;
            int operation;
            float cost;
        };
        const Case cases[] = {
            {2, 4, 0, 2}, {2, 4, 1, 4}, {2, 4, 2, 0}, {2, 4, -1, 0},
            {4, 2, 0, 4}, {1, 5, 1, 5}, {0, 0, 0, 0}, {0.1f, 0.3f, 1, 0.3f},
        };
        for (const Case& c : cases) {
            CPUContext context(c.add, c.multiply);
            CPUContext copy(context);  // NOLINT(performance-unnecessary-copy-initialization): the copy is tested
            CPPUNIT_ASSERT_EQUAL(c.cost, context.getCost(c.operation));
            CPPUNIT_ASSERT_EQUAL(c.cost, copy.getCost(c.operation));
        }
    }
};

CPPUNIT_TEST_SUITE_REGISTRATION(PolynomialBehaviourTests);
