#include <string>

#include <cppunit/extensions/HelperMacros.h>

#include "loopcost/analysis/answer.h"
#include "loopcost/analysis/text.h"

using analysis::AnswerFaultKind;
using analysis::AnswerKind;
using analysis::AnswerRead;
using analysis::readAnswer;

class AnswerTests : public CppUnit::TestFixture {
    CPPUNIT_TEST_SUITE(AnswerTests);
    CPPUNIT_TEST(testForms);
    CPPUNIT_TEST(testFaults);
    CPPUNIT_TEST(testLargePowersStaySparse);
    CPPUNIT_TEST(testFaultTexts);
    CPPUNIT_TEST(testShownCharacters);
    CPPUNIT_TEST_SUITE_END();

public:
    // Every way a person writes a cost reads as the polynomial the tool
    // writes: terms in any order, repeated powers added, signs, decimals.
    void testForms() {
        struct Case {
            const char* text;
            const char* read;  // answerText of what it reads as
        };
        const Case cases[] = {
            {"15n^2 + 9n + 2", "15 * n^2 + 9 * n^1 + 2"},
            {"15*n^2 + 9*n^1 + 2", "15 * n^2 + 9 * n^1 + 2"},
            {"15 n\u00B2 + 9n + 2", "15 * n^2 + 9 * n^1 + 2"},
            {"2 + 9n + 15n^2", "15 * n^2 + 9 * n^1 + 2"},
            {" \t15 * n ^ 2+9 *n+2 \n", "15 * n^2 + 9 * n^1 + 2"},
            {"n^2 + n^2", "2 * n^2"},
            {"n^2 - n^2 + 1", "1"},  // a power written stays, with 0
            {"n - 3n", "-2 * n^1"},
            {"-n^2 - 1", "-n^2 - 1"},
            {"+n", "n^1"},
            {"0.5n", "0.5 * n^1"},
            {".5n + 0.50n", "n^1"},
            {"1.50", "1.5"},
            {"15e-1 n", "1.5 * n^1"},
            {"150e-2", "1.5"},
            {"1e3n", "1000 * n^1"},
            {"2E+2", "200"},
            {"007n + 00", "7 * n^1"},
            {"n^0", "1"},
            {"3n^0 + n^1", "n^1 + 3"},
            {"n^007", "n^7"},
            {"n\u00B9\u2070", "n^10"},
            {"n\u2070", "1"},
            {"4n\u00B3", "4 * n^3"},
            {"0", "0"},
            {"0n^5", "0"},
            {"-0", "0"},
            {"123456789012345678901234567890n", "123456789012345678901234567890 * n^1"},
            {"O(1)", "O(1)"},
            {"O(n)", "O(n)"},
            {" O ( n ^ 2 ) ", "O(n^2)"},
            {"O(n\u00B2)", "O(n^2)"},
            {"O(n^0)", "O(1)"},
            {"\u0398(n^3)", "\u0398(n^3)"},
            {"Theta(n)", "\u0398(n)"},
            {"\u03A9(1)", "\u03A9(1)"},
            {"\u2126(n)", "\u03A9(n)"},  // the Ohm sign
            {"Omega(n^2)", "\u03A9(n^2)"},
        };
        for (const Case& c : cases) {
            const AnswerRead read = readAnswer(c.text);
            CPPUNIT_ASSERT_MESSAGE(c.text, read.ok());
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.text, std::string(c.read), analysis::answerText(read.answer));
        }
        CPPUNIT_ASSERT(readAnswer("O(n)").answer.kind == AnswerKind::order);
        CPPUNIT_ASSERT(readAnswer("n").answer.kind == AnswerKind::exact);
        // repeated and reordered powers are one term each, highest first
        const AnswerRead read = readAnswer("1 + n + n^3 + 2n");
        CPPUNIT_ASSERT_EQUAL(std::size_t(3), read.answer.terms.size());
        CPPUNIT_ASSERT_EQUAL(3, read.answer.terms[0].power);
        CPPUNIT_ASSERT_EQUAL(std::string("3"), read.answer.terms[1].coefficient.text());
        CPPUNIT_ASSERT_EQUAL(0, read.answer.terms[2].power);
    }

    // Where an answer stops reading, and why: the column counts characters,
    // so that Θ and ² are one column each.
    void testFaults() {
        struct Case {
            const char* text;
            AnswerFaultKind kind;
            std::size_t column;
        };
        const Case cases[] = {
            {"", AnswerFaultKind::empty, 1},
            {"   ", AnswerFaultKind::empty, 4},
            {"x", AnswerFaultKind::expectedTerm, 1},
            {"15n^2 + 9n + x", AnswerFaultKind::expectedTerm, 14},
            {"15n +", AnswerFaultKind::expectedTerm, 6},
            {"+-5", AnswerFaultKind::expectedTerm, 2},
            {"--n", AnswerFaultKind::expectedTerm, 2},
            {".", AnswerFaultKind::expectedTerm, 1},
            {"n n", AnswerFaultKind::expectedSign, 3},
            {"2 3", AnswerFaultKind::expectedSign, 3},
            {"n2", AnswerFaultKind::expectedSign, 2},
            {"2e", AnswerFaultKind::expectedSign, 2},  // an e that no digit follows is no exponent
            {"n^2^3", AnswerFaultKind::expectedSign, 4},
            {"2n * 3", AnswerFaultKind::expectedSign, 4},
            {"5 = 5", AnswerFaultKind::expectedSign, 3},
            {"n\u00B2 x", AnswerFaultKind::expectedSign, 4},
            {"3 *", AnswerFaultKind::expectedN, 4},
            {"3 * m", AnswerFaultKind::expectedN, 5},
            {"n^", AnswerFaultKind::expectedPower, 3},
            {"n^-1", AnswerFaultKind::expectedPower, 3},
            {"n^1.5", AnswerFaultKind::expectedSign, 4},
            {"n^1000000000", AnswerFaultKind::powerTooLarge, 3},
            {"n^99999999999999999999", AnswerFaultKind::powerTooLarge, 3},
            {"1e1001", AnswerFaultKind::exponentTooLarge, 1},
            {"n + 1e-1001", AnswerFaultKind::exponentTooLarge, 5},
            {"O", AnswerFaultKind::expectedOpen, 2},
            {"On^2", AnswerFaultKind::expectedOpen, 2},
            {"o(n)", AnswerFaultKind::expectedTerm, 1},  // a little o is no order here
            {"O()", AnswerFaultKind::expectedGrowth, 3},
            {"O(2n)", AnswerFaultKind::expectedGrowth, 3},
            {"\u0398(log n)", AnswerFaultKind::expectedGrowth, 3},
            {"O(n", AnswerFaultKind::expectedClose, 4},
            {"O(n^2 + n)", AnswerFaultKind::expectedClose, 7},
            {"\u0398(n) x", AnswerFaultKind::afterOrder, 6},
            {"O(n) + 1", AnswerFaultKind::afterOrder, 6},
            {"\u00E9", AnswerFaultKind::expectedTerm, 1},
            {"n + \u00E9", AnswerFaultKind::expectedTerm, 5},
            {"\xff", AnswerFaultKind::expectedTerm, 1},
        };
        for (const Case& c : cases) {
            const AnswerRead read = readAnswer(c.text);
            CPPUNIT_ASSERT_MESSAGE(c.text, read.fault.kind == c.kind);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.text, c.column, read.fault.column);
        }
        // the offset is in bytes: Θ is two of them
        CPPUNIT_ASSERT_EQUAL(std::size_t(6), readAnswer("\u0398(n) x").fault.offset);
        // a number of more digits than a cost may be shown with is refused
        // before it is worked out
        const std::string many = std::string(analysis::mostDigits + 1, '7') + "n";
        CPPUNIT_ASSERT(readAnswer(many).fault.kind == AnswerFaultKind::numberTooLong);
        CPPUNIT_ASSERT(readAnswer(many.substr(1)).ok());
    }

    // A power far above any cost's degree is one term, not a row of zeros.
    void testLargePowersStaySparse() {
        const AnswerRead read = readAnswer("n^999999999 + n^99999999 + 1");
        CPPUNIT_ASSERT(read.ok());
        CPPUNIT_ASSERT_EQUAL(std::size_t(3), read.answer.terms.size());
        CPPUNIT_ASSERT_EQUAL(analysis::mostAnswerPower, read.answer.terms[0].power);
        const AnswerRead order = readAnswer("O(n^999999999)");
        CPPUNIT_ASSERT_EQUAL(analysis::mostAnswerPower, order.answer.power);
    }

    // The words of a fault name what stands where reading stopped.
    void testFaultTexts() {
        struct Case {
            const char* text;
            const char* message;
        };
        const Case cases[] = {
            {"", "the answer is empty"},
            {"15n +", "expected a number or n, found the end"},
            {"n x", "expected '+' or '-' before 'x'"},
            {"n + \u00E9", "expected a number or n, found '\u00E9'"},
            {"n + \xC3", R"(expected a number or n, found '\xc3')"},
            {"n + \u202E", R"(expected a number or n, found '\xe2\x80\xae')"},
            {"3 * m", "expected n after '*', found 'm'"},
            {"O(n", "expected ')', found the end"},
        };
        for (const Case& c : cases) {
            const AnswerRead read = readAnswer(c.text);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.text, std::string(c.message), analysis::answerFaultText(c.text, read.fault));
        }
    }

    // An answer is echoed with the characters of its language as they are,
    // and every byte that would not show as itself escaped.
    void testShownCharacters() {
        struct Case {
            const char* bytes;
            const char* shown;
        };
        const Case cases[] = {
            {"\u0398(n\u00B2) \u03A9 \u2126", "\u0398(n\u00B2) \u03A9 \u2126"},
            {"\U0001D45B", "\U0001D45B"},                                             // four bytes
            {"a\tb\x7F", R"(a\x09b\x7f)"},                                            // controls
            {"\xCE", R"(\xce)"},                                                      // cut short
            {"\xCE(", R"(\xce()"},                                                    // not followed by a continuation
            {"\xC0\xAF", R"(\xc0\xaf)"},                                              // overlong
            {"\xE0\x80\xAF", R"(\xe0\x80\xaf)"},                                      // overlong
            {"\xED\xA0\x80", R"(\xed\xa0\x80)"},                                      // a surrogate
            {"\xF4\x90\x80\x80", R"(\xf4\x90\x80\x80)"},                              // beyond U+10FFFF
            {"\xC2\x85", R"(\xc2\x85)"},                                              // a C1 control
            {"x\u200By\u2067z\uFEFF", R"(x\xe2\x80\x8by\xe2\x81\xa7z\xef\xbb\xbf)"},  // hidden or turning
        };
        for (const Case& c : cases)
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.bytes, std::string(c.shown), analysis::printableCharacters(c.bytes));
    }
};

CPPUNIT_TEST_SUITE_REGISTRATION(AnswerTests);
