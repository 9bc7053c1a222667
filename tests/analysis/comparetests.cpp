#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include <cppunit/extensions/HelperMacros.h>

#include "loopcost/analysis/compare.h"

using analysis::Cheaper;
using analysis::Comparison;
using analysis::Cost;
using analysis::Decimal;
using analysis::Integer;
using analysis::Run;

namespace {

using Coefficients = std::vector<Integer>;

Integer tenTo(int digits) { return Integer("1" + std::string(static_cast<std::size_t>(digits), '0')); }

// A cost from decimal texts, lowest power first, at the largest of their scales.
Cost costOf(const std::vector<const char*>& texts) {
    std::vector<Decimal> parsed;
    int scale = 0;
    for (const char* text : texts) {
        parsed.push_back(*Decimal::parse(text));
        scale = std::max(scale, parsed.back().scale);
    }
    Coefficients units;
    for (const Decimal& d : parsed)
        units.push_back(d.unitsAt(scale));
    return Cost(units, scale);
}

Coefficients times(const Coefficients& a, const Coefficients& b) {
    Coefficients product(a.size() + b.size() - 1);
    for (std::size_t i = 0; i < a.size(); ++i)
        for (std::size_t j = 0; j < b.size(); ++j)
            product[i + j] += a[i] * b[j];
    return product;
}

// Written out power by power, not by Horner's rule, to check it.
Integer naiveValue(const Cost& cost, const Integer& n) {
    Integer value = 0;
    Integer power = 1;  // n^i
    for (int i = 0; i <= cost.degree(); ++i) {
        value += cost.unitsOf(i) * power;
        power *= n;
    }
    return value;
}

// By Horner's rule, which testValueAt checks against the powers.
Cheaper cheaperAt(const Cost& a, const Cost& b, const Integer& n) {
    const int scale = std::max(a.scale(), b.scale());
    const Integer x = analysis::valueAt(a, n).unitsAt(scale);
    const Integer y = analysis::valueAt(b, n).unitsAt(scale);
    return x < y ? Cheaper::first : x > y ? Cheaper::second : Cheaper::equal;
}

std::string describe(const Comparison& c) { return analysis::comparisonText(c, "A", "B"); }

// Runs cover every n from 0 in order, side by side never alike, the last
// open; each starts and ends where its kind holds.
void checkShape(const Cost& a, const Cost& b, const Comparison& c) {
    const std::string what = describe(c);
    CPPUNIT_ASSERT_MESSAGE(what, !c.runs.empty());
    CPPUNIT_ASSERT_MESSAGE(what, c.runs.front().from == 0);
    CPPUNIT_ASSERT_MESSAGE(what, !c.runs.back().to);
    CPPUNIT_ASSERT_MESSAGE(what, c.inTheEnd == c.runs.back().which);
    for (std::size_t i = 0; i < c.runs.size(); ++i) {
        const Run& run = c.runs[i];
        CPPUNIT_ASSERT_MESSAGE(what, cheaperAt(a, b, run.from) == run.which);
        if (i + 1 == c.runs.size())
            break;
        CPPUNIT_ASSERT_MESSAGE(what, run.to && *run.to >= run.from);
        CPPUNIT_ASSERT_MESSAGE(what, cheaperAt(a, b, *run.to) == run.which);
        CPPUNIT_ASSERT_MESSAGE(what, c.runs[i + 1].from == *run.to + 1);
        CPPUNIT_ASSERT_MESSAGE(what, c.runs[i + 1].which != run.which);
    }
}

// Every n from 0 to `last` evaluated; no change of kind lies beyond it.
void checkAgainstEvaluation(const Cost& a, const Cost& b, int last) {
    const Comparison c = analysis::compareCosts(a, b);
    checkShape(a, b, c);
    const std::string what = describe(c);
    std::size_t run = 0;
    for (int n = 0; n <= last; ++n) {
        if (c.runs[run].to && *c.runs[run].to < n)
            ++run;
        CPPUNIT_ASSERT_EQUAL_MESSAGE(what + " at n = " + std::to_string(n), static_cast<int>(cheaperAt(a, b, n)),
                                     static_cast<int>(c.runs[run].which));
    }
    CPPUNIT_ASSERT_MESSAGE(what, c.runs.back().from <= last + 1);
}

}  // namespace

class CompareTests : public CppUnit::TestFixture {
    CPPUNIT_TEST_SUITE(CompareTests);
    CPPUNIT_TEST(testValueAt);
    CPPUNIT_TEST(testRuns);
    CPPUNIT_TEST(testChosenRoots);
    CPPUNIT_TEST(testHugeRoots);
    CPPUNIT_TEST(testHighDegree);
    CPPUNIT_TEST(testGrowth);
    CPPUNIT_TEST(testValueFits);
    CPPUNIT_TEST_SUITE_END();

public:
    void testValueAt() {
        const Cost cost = costOf({".5", "-1", "0", "2.25"});
        CPPUNIT_ASSERT_EQUAL(std::string("0.5"), analysis::valueAt(cost, 0).text());
        CPPUNIT_ASSERT_EQUAL(std::string("1.75"), analysis::valueAt(cost, 1).text());
        CPPUNIT_ASSERT_EQUAL(std::string("2249900.5"), analysis::valueAt(cost, 100).text());
        for (int n = 0; n < 50; ++n)
            CPPUNIT_ASSERT(analysis::valueAt(cost, n).units == naiveValue(cost, n));
        // n^3 + 0.5 at 10^100: a one, 300 zeros and a half
        const Decimal huge = analysis::valueAt(costOf({".5", "0", "0", "1"}), tenTo(100));
        CPPUNIT_ASSERT_EQUAL("1" + std::string(300, '0') + ".5", huge.text());
        CPPUNIT_ASSERT_EQUAL(std::string("0"), analysis::valueAt(Cost(), tenTo(100)).text());
    }

    void testRuns() {
        struct Case {
            std::vector<const char*> a, b;
            const char* text;
        };
        const Case cases[] = {
            {{"0"}, {"0", "0"}, "A and B cost the same for every n"},
            {{"5", "3"}, {"5", "3", "0"}, "A and B cost the same for every n"},
            {{"1", "1"}, {"1", "2"}, "A and B cost the same at n = 0, A is cheaper from n = 1 on"},
            {{"50", "3"}, {"0", "0", "1"}, "B is cheaper for n = 0 to 8, A from n = 9 on"},
            // (n - 3)^2: they touch at 3 and B stays cheaper on both sides
            {{"9", "-6", "1"},
             {"0"},
             "B is cheaper for n = 0 to 2, A and B cost the same at n = 3, B is cheaper from n = 4 on"},
            // (n - 2)(n - 5): roots at whole numbers
            {{"10", "-7", "1"},
             {"0"},
             "B is cheaper for n = 0 to 1, A and B cost the same at n = 2, A is cheaper for n = 3 to 4, "
             "A and B cost the same at n = 5, B is cheaper from n = 6 on"},
            // (2n - 5)(2n - 9): roots at 2.5 and 4.5
            {{"45", "-28", "4"}, {"0"}, "B is cheaper for n = 0 to 2, A for n = 3 to 4, B from n = 5 on"},
            // (n - 4)^3 crosses at 4; n^2 - n is 0 at both 0 and 1
            {{"-64", "48", "-12", "1"},
             {"0"},
             "A is cheaper for n = 0 to 3, A and B cost the same at n = 4, B is cheaper from n = 5 on"},
            {{"0", "-1", "1"}, {"0"}, "A and B cost the same for n = 0 to 1, B is cheaper from n = 2 on"},
            {{"1"}, {"2"}, "A is cheaper for every n"},
            {{"0", "0", "0", "1"}, {"0", "-1"}, "A and B cost the same at n = 0, B is cheaper from n = 1 on"},
            // cost models may be decimal or negative
            {{"0", ".5"},
             {"7.5", "-1"},
             "A is cheaper for n = 0 to 4, A and B cost the same at n = 5, B is cheaper from n = 6 on"},
            {{".001", "-.3", ".02"}, {"-.5", ".1"}, "B is cheaper for n = 0 to 1, A for n = 2 to 18, B from n = 19 on"},
            {{"-.5", "0", "-1"}, {"-1e3", "-.25", "-.875"}, "B is cheaper for n = 0 to 90, A from n = 91 on"},
        };
        for (const Case& c : cases) {
            const Cost a = costOf(c.a), b = costOf(c.b);
            CPPUNIT_ASSERT_EQUAL(std::string(c.text), describe(analysis::compareCosts(a, b)));
            checkAgainstEvaluation(a, b, 100);
            checkAgainstEvaluation(b, a, 100);
        }
    }

    // A family of differences built from chosen roots in [0, 200], some
    // repeated, some between whole numbers, with negative roots and factors
    // without real roots.
    void testChosenRoots() {
        std::mt19937 random(20261210);
        const auto uniform = [&random](int low, int high) {
            return std::uniform_int_distribution<int>(low, high)(random);
        };
        for (int trial = 0; trial < 150; ++trial) {
            Coefficients d{uniform(1, 1000) * (uniform(0, 1) ? 1 : -1)};
            for (int roots = uniform(0, 6), twice = 0; roots > 0; --roots) {
                twice = uniform(0, 3) == 0 && twice != 0 ? twice : uniform(0, 400);
                d = times(d, {-twice, 2});  // the root twice / 2
            }
            if (uniform(0, 2) == 0)
                d = times(d, {uniform(1, 50), uniform(-2, 2), 1});  // n^2 + bn + c > 0
            for (int negative = uniform(-2, 2); negative > 0; --negative)
                d = times(d, {uniform(1, 100000), uniform(1, 3)});
            // A's units at its scale, B's at a scale at least as large: A - B = d at that scale
            const int scaleA = uniform(0, 3), scale = scaleA + uniform(0, 2);
            Coefficients a(d.size() + static_cast<std::size_t>(uniform(0, 2)));
            for (Integer& u : a)
                u = uniform(-100000, 100000);
            Coefficients b(a.size());
            for (std::size_t i = 0; i < a.size(); ++i)
                b[i] = Decimal{a[i], scaleA}.unitsAt(scale) - (i < d.size() ? d[i] : Integer(0));
            const Cost first(a, scaleA), second(b, scale);
            checkAgainstEvaluation(first, second, 200);
            checkAgainstEvaluation(second, first, 200);
        }
    }

    // Roots far beyond any n one could walk to: single, double, triple, next
    // to each other, between two whole numbers, and negative.
    void testHugeRoots() {
        struct Case {
            Coefficients difference;
            std::string text;
        };
        const Integer e = tenTo(30);
        const std::string below = std::string(30, '9'), at = "1" + std::string(30, '0');
        const std::string above = "1" + std::string(29, '0') + "1", twoAbove = "1" + std::string(29, '0') + "2";
        const Case cases[] = {
            {{-e, 1},
             "A is cheaper for n = 0 to " + below + ", A and B cost the same at n = " + at +
                 ", B is cheaper from n = " + above + " on"},
            {times({-e, 1}, {-e, 1}), "B is cheaper for n = 0 to " + below + ", A and B cost the same at n = " + at +
                                          ", B is cheaper from n = " + above + " on"},
            {times(times({-2 * e - 1, 2}, {-2 * e - 1, 2}), {-2 * e - 1, 2}),
             "A is cheaper for n = 0 to " + at + ", B from n = " + above + " on"},
            {times({-e, 1}, {-e - 1, 1}), "B is cheaper for n = 0 to " + below + ", A and B cost the same for n = " +
                                              at + " to " + above + ", B is cheaper from n = " + twoAbove + " on"},
            // 7 and 10^30 + 1/2
            {times({-2 * e - 1, 2}, {-7, 1}), "B is cheaper for n = 0 to 6, A and B cost the same at n = 7, A is "
                                              "cheaper for n = 8 to " +
                                                  at + ", B from n = " + above + " on"},
            // 10^30 + 1/4 and 10^30 + 3/4: no whole number between them
            {times({-4 * e - 1, 4}, {-4 * e - 3, 4}), "B is cheaper for every n"},
            {times({e, 1}, {-5, 1}), "A is cheaper for n = 0 to 4, A and B cost the same at n = 5, B is cheaper from "
                                     "n = 6 on"},
            {times({e, 1}, {e, 1}), "B is cheaper for every n"},
        };
        for (const Case& c : cases) {
            const Cost cost(c.difference, 0);
            const Comparison comparison = analysis::compareCosts(cost, Cost());
            checkShape(cost, Cost(), comparison);
            CPPUNIT_ASSERT_EQUAL(c.text, describe(comparison));
        }
    }

    // Degree 300, coefficients of 300 digits: roots at 17, 10^50 and
    // 10^60 + 1/2 times a factor with positive coefficients, which has no
    // positive root; and a difference of random signs.
    void testHighDegree() {
        std::mt19937_64 random(300);
        const auto digits = [&random](int count) -> Integer {
            Integer value = 0;
            for (int i = 0; i < count; ++i)
                value = value * 10 + static_cast<int>(random() % 10);
            return value + 1;
        };
        Coefficients positive(298);
        for (Integer& c : positive)
            c = digits(300);
        const Integer e50 = tenTo(50), e60 = tenTo(60);
        const Coefficients d = times(times(times(positive, {-17, 1}), {-e50, 1}), {-2 * e60 - 1, 2});
        Coefficients a(d.size());
        for (Integer& c : a)
            c = digits(300) * (random() % 2 ? 1 : -1);
        Coefficients b(d.size());
        for (std::size_t i = 0; i < d.size(); ++i)
            b[i] = a[i] - d[i];
        const Cost first(a, 2), second(b, 2);
        const Comparison c = analysis::compareCosts(first, second);
        checkShape(first, second, c);
        const Integer from[] = {0, 17, 18, e50, e50 + 1, e60 + 1};
        CPPUNIT_ASSERT_EQUAL(std::size(from), c.runs.size());
        for (std::size_t i = 0; i < c.runs.size(); ++i)
            CPPUNIT_ASSERT(c.runs[i].from == from[i]);
        CPPUNIT_ASSERT(c.runs[0].which == Cheaper::first && c.inTheEnd == Cheaper::second);
        CPPUNIT_ASSERT_EQUAL(300, c.firstOrder);
        CPPUNIT_ASSERT_EQUAL(300, c.secondOrder);

        Coefficients other(301);
        for (Integer& x : other)
            x = digits(300) * (random() % 2 ? 1 : -1);
        checkShape(first, Cost(other, 0), analysis::compareCosts(first, Cost(other, 0)));

        // n^300 - 10^300 n^299 + (positive terms): one root just below 10^300,
        // one near 1 and the others inside a small circle
        Coefficients far(301);
        for (Integer& x : far)
            x = digits(300);
        far[300] = 1;
        far[299] = -tenTo(300);
        const Comparison c300 = analysis::compareCosts(Cost(far, 0), Cost());
        checkShape(Cost(far, 0), Cost(), c300);
        CPPUNIT_ASSERT_EQUAL(std::size_t(3), c300.runs.size());
        CPPUNIT_ASSERT(c300.runs[1].from < 10);
        // between 10^300 - 1, where the two top terms outweigh the rest, and 10^300
        CPPUNIT_ASSERT(c300.runs[2].from == tenTo(300));
    }

    // What each cost does as n grows, beside which one is cheaper: a cost
    // whose leading coefficient is negative falls, it does not grow.
    void testGrowth() {
        struct Case {
            std::vector<const char*> a, b;
            const char* growth;
            const char* runs;
        };
        const Case cases[] = {
            {{"0", "1"},
             {"1"},
             "A grows faster: O(n) against O(1)",
             "A is cheaper at n = 0, A and B cost the same at n = 1, B is cheaper from n = 2 on"},
            {{"0", "5"},
             {"7", "1"},
             "neither grows faster: both are O(n)",
             "A is cheaper for n = 0 to 1, B from n = 2 on"},
            {{"0", "-1"},
             {"0"},
             "A falls without bound as O(n), B is O(1)",
             "A and B cost the same at n = 0, A is cheaper from n = 1 on"},
            {{"5"},
             {"100", "-0.5"},
             "A is O(1), B falls without bound as O(n)",
             "A is cheaper for n = 0 to 189, A and B cost the same at n = 190, B is cheaper from n = 191 on"},
            {{"0", "0", "1"},
             {"0", "-1"},
             "A grows as O(n^2), B falls without bound as O(n)",
             "A and B cost the same at n = 0, B is cheaper from n = 1 on"},
            {{"0", "-1"},
             {"0", "0", "1"},
             "A falls without bound as O(n), B grows as O(n^2)",
             "A and B cost the same at n = 0, A is cheaper from n = 1 on"},
            // the same order, opposite signs
            {{"0", "2"},
             {"0", "-3"},
             "A grows as O(n), B falls without bound as O(n)",
             "A and B cost the same at n = 0, B is cheaper from n = 1 on"},
            {{"0", "0", "-1"},
             {"0", "-5"},
             "both fall without bound, A faster: O(n^2) against O(n)",
             "A and B cost the same at n = 0, B is cheaper for n = 1 to 4, A and B cost the same at n = 5, A is "
             "cheaper "
             "from n = 6 on"},
            {{"0", "-5"},
             {"0", "0", "-1"},
             "both fall without bound, B faster: O(n^2) against O(n)",
             "A and B cost the same at n = 0, A is cheaper for n = 1 to 4, A and B cost the same at n = 5, B is "
             "cheaper "
             "from n = 6 on"},
            {{"1", "-1"},
             {"0", "-2"},
             "both fall without bound, neither faster: both are O(n)",
             "B is cheaper for every n"},
            // negative constants are no fall
            {{"-3"}, {"2"}, "neither grows faster: both are O(1)", "A is cheaper for every n"},
            {{"0", "0", "-1"},
             {"-4"},
             "A falls without bound as O(n^2), B is O(1)",
             "B is cheaper for n = 0 to 1, A and B cost the same at n = 2, A is cheaper from n = 3 on"},
            // zero, also with a zero at the top: O(1), neither rising nor falling
            {{"0"}, {"0"}, "neither grows faster: both are O(1)", "A and B cost the same for every n"},
            {{"0", "0"},
             {"0", "-1"},
             "A is O(1), B falls without bound as O(n)",
             "A and B cost the same at n = 0, B is cheaper from n = 1 on"},
            {{"0", "0", "0"},
             {"0", "1"},
             "B grows faster: O(n) against O(1)",
             "A and B cost the same at n = 0, A is cheaper from n = 1 on"},
        };
        for (const Case& c : cases) {
            const Comparison comparison = analysis::compareCosts(costOf(c.a), costOf(c.b));
            CPPUNIT_ASSERT_EQUAL(std::string(c.growth), analysis::growthText(comparison, "A", "B"));
            CPPUNIT_ASSERT_EQUAL(std::string(c.runs), describe(comparison));
        }
    }

    // The digits of a value before its point, against the bound, without
    // writing it out; far beyond it the answer comes before the value.
    void testValueFits() {
        const auto most = static_cast<unsigned>(analysis::mostDigits);
        struct Case {  // NOLINT(clang-analyzer-optin.performance.Padding): a table reads in this order
            std::vector<const char*> cost;
            Integer n;
            bool fits;
        };
        const Case cases[] = {
            {{"0", "1"}, tenTo(static_cast<int>(most) - 1), true},  // exactly the most digits
            {{"0", "10"}, tenTo(static_cast<int>(most) - 1), false},
            {{"-1", "10"}, tenTo(static_cast<int>(most) - 1), true},   // 99...9, one digit fewer
            {{"0", "9.99"}, tenTo(static_cast<int>(most) - 1), true},  // the digits after the point are apart
            {{"0", "99.9"}, tenTo(static_cast<int>(most) - 1), false},
            {{"0", "-1"}, tenTo(static_cast<int>(most) - 1), true},  // the sign is no digit
            {{"0", "0", "1"}, tenTo(static_cast<int>(most / 2)), false},
            {{"0", "0", "1"}, tenTo(static_cast<int>(most / 2)) - 1, true},
            {{"5", "0", "0", "0", "1"}, tenTo(static_cast<int>(most / 4)) - 1, true},
            {{"1", "1"}, tenTo(500000), false},  // a value of half a million digits, refused unworked
            {{"7", "1", "1"}, 0, true},
            {{"0"}, tenTo(99900), true},  // a zero cost, of any n
            {{"0", "0"}, tenTo(99900), true},
            // 2^332190 has 100000 digits, 2^332193 one more
            {{"0", "1"}, Integer(1) << 332190, true},
            {{"0", "1"}, Integer(1) << 332193, false},
            {{"0", "0", "0", "0", "0", "1"}, Integer(1) << 66438, true},   // 2^332190 again
            {{"0", "0", "0", "0", "0", "1"}, Integer(1) << 66439, false},  // 2^332195
        };
        for (const Case& c : cases) {
            const Cost cost = costOf(c.cost);
            const std::string what = describe(analysis::compareCosts(cost, Cost())) + " at an n of " +
                                     std::to_string(analysis::digitsOf(c.n)) + " digits";
            CPPUNIT_ASSERT_EQUAL_MESSAGE(what, c.fits, analysis::valueFits(cost, c.n));
            if (analysis::digitsOf(c.n) * static_cast<std::size_t>(cost.degree()) <= std::size_t{2} * most) {
                const Decimal value = analysis::valueAt(cost, c.n);
                const Integer whole = value.units / tenTo(value.scale);
                CPPUNIT_ASSERT_EQUAL_MESSAGE(what, c.fits, analysis::digitsOf(whole) <= most);
            }
        }
    }
};

CPPUNIT_TEST_SUITE_REGISTRATION(CompareTests);
