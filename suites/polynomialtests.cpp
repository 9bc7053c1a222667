#include <sstream>
#include <string>

#include <cppunit/TestFixture.h>
#include <cppunit/extensions/HelperMacros.h>

#include "loopcost/model/polynomial.h"

using std::string;

class PolynomialTests : public CppUnit::TestFixture {
    CPPUNIT_TEST_SUITE(PolynomialTests);
    CPPUNIT_TEST(testAddition);
    CPPUNIT_TEST(testMultiplyConstant);
    CPPUNIT_TEST(testMultiplyN);
    CPPUNIT_TEST(testPrint);
    CPPUNIT_TEST_SUITE_END();

public:
    void setUp() override {
        float coefs1[] = {1.2f, -2.3f, 3.4f, 4.5f, 0.0f, 0.4f};
        m_poly1 = new Polynomial(5, coefs1);
        float coefs2[] = {2.1f, 2.3f, 1.23f, -1.25f, 2.23f};
        m_poly2 = new Polynomial(4, coefs2);
        m_poly3 = new Polynomial(12.5f);
    }

    void tearDown() override {
        delete m_poly1;
        delete m_poly2;
        delete m_poly3;
    }

    void testAddition() {
        float coefs1[] = {3.3f, 0.0f, 4.63f, 3.25f, 2.23f, 0.4f};
        Polynomial expected1(5, coefs1);
        m_poly1->add(*m_poly2);
        CPPUNIT_ASSERT(m_poly1->equal(expected1, 1e-6f));

        float coefs2[] = {15.8f, 0.0f, 4.63f, 3.25f, 2.23f, 0.4f};
        Polynomial expected2(5, coefs2);
        m_poly1->add(*m_poly3);
        CPPUNIT_ASSERT(m_poly1->equal(expected2, 1e-6f));
    }

    void testMultiplyConstant() {
        float coefs[] = {1.2f, -2.3f, 3.4f, 4.5f, 0.0f, 0.4f};
        int factor = 3;
        int degree = 5;
        for (int i = 0; i <= degree; i++)
            coefs[i] = factor * coefs[i];
        Polynomial expected(degree, coefs);
        m_poly1->multiplyConstant(factor);
        CPPUNIT_ASSERT(m_poly1->equal(expected, 1e-6f));
    }

    void testMultiplyN() {
        float coefs[50] = {1.2f, -2.3f, 3.4f, 4.5f, 0.0f, 0.4f};
        int degree = 6;
        for (int i = degree; i >= 1; i--)
            coefs[i] = coefs[i - 1];
        coefs[0] = 0;
        Polynomial expected(degree, coefs);
        m_poly1->multiplyN();
        CPPUNIT_ASSERT(m_poly1->equal(expected, 1e-6f));
    }

    void testPrint() {
        std::ostringstream oss;
        m_poly1->print(oss);
        CPPUNIT_ASSERT(oss.str() == string("0.4 * n^5 + 4.5 * n^3 + 3.4 * n^2 + -2.3 * n^1 + 1.2\n"));
    }

private:
    Polynomial* m_poly1;
    Polynomial* m_poly2;
    Polynomial* m_poly3;
};

CPPUNIT_TEST_SUITE_REGISTRATION(PolynomialTests);
