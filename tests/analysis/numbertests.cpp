#include <string>

#include <cppunit/extensions/HelperMacros.h>

#include "loopcost/analysis/number.h"

using analysis::Integer;
using analysis::Whole;
using analysis::WholeFault;

namespace {

// Written out: Boost's pow() is an expression that refers to a temporary,
// which the static analyzer rightly distrusts.
Integer tenTo(unsigned digits) { return Integer("1" + std::string(digits, '0')); }

std::string digits(std::size_t count, char first, char rest) { return first + std::string(count - 1, rest); }

}  // namespace

class NumberTests : public CppUnit::TestFixture {
    CPPUNIT_TEST_SUITE(NumberTests);
    CPPUNIT_TEST(testWholeForms);
    CPPUNIT_TEST(testWholeBound);
    CPPUNIT_TEST(testDigitsOf);
    CPPUNIT_TEST_SUITE_END();

public:
    // Every way of writing a whole number gives the same value; the fault
    // tells what is wrong and `at` where.
    void testWholeForms() {
        struct Case {
            const char* text;
            WholeFault fault;
            std::size_t at;
            const char* value;  // the number's digits, when it reads
        };
        const Case cases[] = {
            {"7", WholeFault::none, 0, "7"},
            {"007", WholeFault::none, 0, "7"},
            {"+5", WholeFault::none, 0, "5"},
            {"-0", WholeFault::none, 0, "0"},
            {"-0.0e7", WholeFault::none, 0, "0"},
            {"0e999999999999999999999", WholeFault::none, 0, "0"},  // zero, however far the exponent
            {"1.0", WholeFault::none, 0, "1"},
            {"5.", WholeFault::none, 0, "5"},
            {"0.7e1", WholeFault::none, 0, "7"},
            {"150e-1", WholeFault::none, 0, "15"},
            {"1.50E1", WholeFault::none, 0, "15"},
            {"1000e-3", WholeFault::none, 0, "1"},
            {"1e3", WholeFault::none, 0, "1000"},
            {"1e+3", WholeFault::none, 0, "1000"},
            {" \t12\r\n", WholeFault::none, 2, "12"},
            {"", WholeFault::empty, 0, nullptr},
            {"   ", WholeFault::empty, 3, nullptr},
            {"-5", WholeFault::negative, 0, nullptr},
            {" -1.5", WholeFault::negative, 1, nullptr},  // below zero before it is a fraction
            {"-1e-3", WholeFault::negative, 0, nullptr},
            {"1.5", WholeFault::fraction, 0, nullptr},
            {"1e-3", WholeFault::fraction, 0, nullptr},
            {".5", WholeFault::fraction, 0, nullptr},
            {"15e-1", WholeFault::fraction, 0, nullptr},
            {"1e-99999999999999999999", WholeFault::fraction, 0, nullptr},
            {"0x10", WholeFault::notANumber, 1, nullptr},
            {"\xd9\xa1\xd9\xa2", WholeFault::notANumber, 0, nullptr},  // Arabic-Indic twelve
            {"1\xd9\xa2", WholeFault::notANumber, 1, nullptr},
            {"ten", WholeFault::notANumber, 0, nullptr},
            {"+", WholeFault::notANumber, 1, nullptr},
            {"-", WholeFault::notANumber, 1, nullptr},
            {".", WholeFault::notANumber, 1, nullptr},
            {"+-1", WholeFault::notANumber, 1, nullptr},
            {"1e", WholeFault::notANumber, 2, nullptr},
            {"1e+", WholeFault::notANumber, 3, nullptr},
            {"1e1.5", WholeFault::notANumber, 3, nullptr},
            {"1 2", WholeFault::notANumber, 1, nullptr},
            {"1,000", WholeFault::notANumber, 1, nullptr},
            {"inf", WholeFault::notANumber, 0, nullptr},
            {"1e1000000", WholeFault::tooLarge, 0, nullptr},
            {"1e999999", WholeFault::tooLarge, 0, nullptr},
            {"1e99999999999999999999999", WholeFault::tooLarge, 0, nullptr},
        };
        for (const Case& c : cases) {
            const Whole w = analysis::parseWhole(c.text);
            const std::string what = std::string("'") + c.text + "'";
            CPPUNIT_ASSERT_EQUAL_MESSAGE(what, static_cast<int>(c.fault), static_cast<int>(w.fault));
            CPPUNIT_ASSERT_EQUAL_MESSAGE(what, c.at, w.at);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(what, c.value != nullptr, w.ok());
            if (c.value)
                CPPUNIT_ASSERT_EQUAL_MESSAGE(what, std::string(c.value), w.value.str());
        }
    }

    // The bound is one of digits, however the number is written.
    void testWholeBound() {
        const std::size_t most = analysis::mostDigits;
        struct Case {
            std::string text;
            bool reads;
        };
        const Case cases[] = {
            {"1e1000", true},
            {"1e1001", true},
            {digits(1002, '1', '0'), true},
            {"1e" + std::to_string(most - 1), true},
            {"1e" + std::to_string(most), false},
            {digits(most, '9', '9'), true},
            {digits(most + 1, '1', '0'), false},
            {"000" + digits(most, '9', '9'), true},   // leading zeros are no digits
            {digits(most, '1', '0') + ".000", true},  // nor trailing ones after the point
            {"0." + digits(most + 1, '1', '0') + "e" + std::to_string(most + 1), false},  // most + 1 digits
            {"0." + digits(most, '1', '0') + "e" + std::to_string(most), true},
            {digits(most + 5, '1', '0') + "e-5", true},  // 10^(most - 1) written long
        };
        for (const Case& c : cases) {
            const Whole w = analysis::parseWhole(c.text);
            const std::string what = c.text.substr(0, 30) + "... (" + std::to_string(c.text.size()) + " bytes)";
            CPPUNIT_ASSERT_EQUAL_MESSAGE(what, c.reads, w.ok());
            if (!c.reads)
                CPPUNIT_ASSERT_EQUAL_MESSAGE(what, static_cast<int>(WholeFault::tooLarge), static_cast<int>(w.fault));
        }
        // the same number in every form
        const Integer big = tenTo(1001);
        for (const std::string& text : {std::string("1e1001"), digits(1002, '1', '0'), std::string("0.1e1002"),
                                        std::string("+") + digits(1004, '1', '0') + "e-2"})
            CPPUNIT_ASSERT(analysis::parseWhole(text).value == big);
    }

    void testDigitsOf() {
        struct Case {
            Integer value;
            std::size_t digits;
        };
        const Case cases[] = {
            {0, 1},
            {9, 1},
            {10, 2},
            {-10, 2},
            {Integer(1) << 64, 20},
            {tenTo(19) - 1, 19},
            {tenTo(19), 20},
            {tenTo(5000) - 1, 5000},
            {tenTo(5000), 5001},
            {-tenTo(99999), 100000},
        };
        for (const Case& c : cases)
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.value.str().substr(0, 30), c.digits, analysis::digitsOf(c.value));
    }
};

CPPUNIT_TEST_SUITE_REGISTRATION(NumberTests);
