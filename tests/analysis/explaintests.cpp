#include <random>
#include <string>
#include <vector>

#include <cppunit/extensions/HelperMacros.h>

#include "loopcost/analysis/analysis.h"
#include "loopcost/analysis/compare.h"
#include "loopcost/analysis/explain.h"

using analysis::Analysis;
using analysis::Cost;
using analysis::CostModel;
using analysis::Decimal;
using analysis::Integer;
using analysis::StatementInfo;

namespace {

// What the generator knows of each statement it writes, in source order:
// the counts of the loops around it, multiplied, and its own operations.
struct Expected {
    Integer factor;
    int power;
    int additions;
    int multiplications;
};

// Random programs of nested loops (over n, over constants up to 2^31 - 1,
// over 0) and statements of up to four terms of up to three variables.
class Generator {
public:
    explicit Generator(unsigned seed) : random(seed) {}

    std::string program(std::vector<Expected>& expected) {
        std::string text = "BEGIN\n";
        block(text, expected, 0, Integer(1), 0);
        return text + "END\n";
    }

private:
    int pick(int below) { return std::uniform_int_distribution<int>(0, below - 1)(random); }

    void block(std::string& text, std::vector<Expected>& expected, int depth, const Integer& factor, int power) {
        const int parts = 1 + pick(3);
        for (int i = 0; i < parts; ++i) {
            if (depth < 6 && pick(3) == 0) {
                static const char* const counts[] = {"n", "n", "0", "1", "3", "17", "2147483647"};
                const std::string count = counts[pick(7)];
                text += "LOOP " + count + "\n";
                if (count == "n")
                    block(text, expected, depth + 1, factor, power + 1);
                else
                    block(text, expected, depth + 1, factor * std::stoll(count), power);
                text += "END\n";
            } else {
                statement(text, expected, factor, power);
            }
        }
    }

    void statement(std::string& text, std::vector<Expected>& expected, const Integer& factor, int power) {
        const int terms = 1 + pick(4);
        Expected mine{factor, power, terms - 1, 0};
        for (int t = 0; t < terms; ++t) {
            const int variables = 1 + pick(3);
            mine.multiplications += variables - 1;
            for (int v = 0; v < variables; ++v)
                text += std::string(1, static_cast<char>('a' + pick(26))) + (v + 1 < variables ? "*" : "");
            text += t + 1 < terms ? " + " : " ;\n";
        }
        expected.push_back(mine);
    }

    std::mt19937 random;
};

CostModel model(const char* add, const char* mul) { return CostModel{*Decimal::parse(add), *Decimal::parse(mul)}; }

// Whether two costs of one scale are the same polynomial, whatever zeros
// stand at the top of either.
bool same(const Cost& a, const Cost& b) {
    if (a.scale() != b.scale())
        return false;
    for (int i = 0; i <= std::max(a.degree(), b.degree()); ++i) {
        const Integer x = i <= a.degree() ? a.unitsOf(i) : Integer(0);
        const Integer y = i <= b.degree() ? b.unitsOf(i) : Integer(0);
        if (x != y)
            return false;
    }
    return true;
}

Cost product(const Cost& a, const Cost& b) {
    std::vector<Integer> units(static_cast<std::size_t>(a.degree()) + static_cast<std::size_t>(b.degree()) + 1);
    for (std::size_t i = 0; i <= static_cast<std::size_t>(a.degree()); ++i)
        for (std::size_t j = 0; j <= static_cast<std::size_t>(b.degree()); ++j)
            units[i + j] += a.unitsOf(static_cast<int>(i)) * b.unitsOf(static_cast<int>(j));
    return Cost(units, a.scale() + b.scale());
}

Integer tenTo(int digits) {
    Integer p = 1;
    for (int i = 0; i < digits; ++i)
        p *= 10;
    return p;
}

// A cost's printed text ("15 * n^2 - 0.5 * n^1 + 2", "-n^3", "0") evaluated
// at n, term by term, in units of 10^-scale.
Integer evaluateText(const std::string& text, const Integer& n, int scale) {
    Integer value = 0;
    std::size_t i = 0;
    bool negative = false;
    while (i < text.size()) {
        if (text[i] == '-') {
            negative = true;
            ++i;
        }
        std::size_t end = text.find(' ', i);
        std::string word = text.substr(i, end == std::string::npos ? std::string::npos : end - i);
        Integer coefficient = tenTo(scale);
        unsigned power = 0;
        if (word.compare(0, 2, "n^") != 0) {
            const Decimal d = *Decimal::parse(word);
            coefficient = d.units * tenTo(scale - d.scale);
            if (end != std::string::npos && text.compare(end, 3, " * ") == 0) {
                i = end + 3;
                end = text.find(' ', i);
                word = text.substr(i, end == std::string::npos ? std::string::npos : end - i);
            } else {
                word.clear();
            }
        }
        if (!word.empty())
            power = static_cast<unsigned>(std::stoi(word.substr(2)));
        Integer term = negative ? -coefficient : coefficient;
        for (unsigned k = 0; k < power; ++k)
            term *= n;
        value += term;
        if (end == std::string::npos)
            break;
        negative = text[end + 1] == '-';
        i = end + 3;
    }
    return value;
}

}  // namespace

class ExplainTests : public CppUnit::TestFixture {
    CPPUNIT_TEST_SUITE(ExplainTests);
    CPPUNIT_TEST(testDerivationsAddUpToTheTotal);
    CPPUNIT_TEST(testValueAtIsThePrintedTotal);
    CPPUNIT_TEST(testTexts);
    CPPUNIT_TEST_SUITE_END();

public:
    // Each statement's runs and own operations are what the generator wrote;
    // each product is its cost; they add up to the total; and a loop's body,
    // once, times the runs of its body is the whole loop.
    void testDerivationsAddUpToTheTotal() {
        const CostModel models[] = {model("1", "1"), model("0.1", "0.7"), model("-1", "2.5"), model("0", "0.003")};
        for (unsigned seed = 1; seed <= 300; ++seed) {
            std::vector<Expected> expected;
            const std::string text = Generator(seed).program(expected);
            const CostModel& costs = models[seed % 4];
            const Analysis a(text, costs);
            CPPUNIT_ASSERT_MESSAGE(text, a.ok());
            std::vector<const StatementInfo*> entries;
            for (const StatementInfo& s : a.statements())
                if (!s.isLoop())
                    entries.push_back(&s);
            CPPUNIT_ASSERT_EQUAL(expected.size(), entries.size());
            const int scale = a.total().scale();
            Cost sum(std::vector<Integer>(1), scale);
            for (std::size_t i = 0; i < entries.size(); ++i) {
                const StatementInfo& entry = *entries[i];
                const Expected& wanted = expected[i];
                std::vector<Integer> runs(static_cast<std::size_t>(wanted.power) + 1);
                runs.back() = wanted.factor;
                CPPUNIT_ASSERT_MESSAGE(text, a.runsOf(entry) == runs);
                CPPUNIT_ASSERT_EQUAL(wanted.additions, static_cast<int>(entry.additions));
                CPPUNIT_ASSERT_EQUAL(wanted.multiplications, static_cast<int>(entry.multiplications));
                const Integer own = costs.addition.unitsAt(scale) * wanted.additions +
                                    costs.multiplication.unitsAt(scale) * wanted.multiplications;
                CPPUNIT_ASSERT(same(Cost({own}, scale), a.perRunOf(entry)));
                const Cost cost = a.costOf(entry);
                CPPUNIT_ASSERT(same(cost, product(Cost(runs, 0), a.perRunOf(entry))));
                CPPUNIT_ASSERT_EQUAL(cost.text(), analysis::explanationOf(a, entry).cost);
                sum.add(cost);
            }
            CPPUNIT_ASSERT_MESSAGE(text, same(sum, a.total()));
            for (const StatementInfo& s : a.statements())
                if (s.isLoop())
                    CPPUNIT_ASSERT_MESSAGE(text, same(product(Cost(a.runsOf(s), 0), a.perRunOf(s)), a.costOf(s)));
        }
    }

    // What --at prints is the printed total evaluated at n, for n small and
    // of hundreds of digits.
    void testValueAtIsThePrintedTotal() {
        const CostModel models[] = {model("1", "1"), model("0.25", "-3"), model("-0.001", "7")};
        std::mt19937 random(7);
        for (unsigned seed = 1; seed <= 100; ++seed) {
            std::vector<Expected> expected;
            const Analysis a(Generator(seed).program(expected), models[seed % 3]);
            const Cost& total = a.total();
            Integer big = 1;
            for (int d = 0; d < 200; ++d)
                big = big * 10 + random() % 10;
            for (const Integer& n : {Integer(0), Integer(1), Integer(1000), Integer(random()), big}) {
                const Decimal value = analysis::valueAt(total, n);
                CPPUNIT_ASSERT_EQUAL_MESSAGE(total.text(), evaluateText(total.text(), n, total.scale()),
                                             value.unitsAt(total.scale()));
            }
        }
    }

    void testTexts() {
        const Analysis a("BEGIN LOOP n a + b * c ; LOOP 3 LOOP n w * w * z + x * y ; END END END s ; END",
                         model("2", "4"));
        const Analysis::Statements& s = a.statements();
        CPPUNIT_ASSERT_EQUAL(std::string("its body runs n^1 times, 42 * n^1 + 6 per run"), a.runsText(s[0]));
        CPPUNIT_ASSERT_EQUAL(std::string("runs `n^1` times, `6` per run"), a.runsText(s[1], "`"));
        CPPUNIT_ASSERT_EQUAL(std::string("its body runs 3 * n^1 times, 14 * n^1 per run"), a.runsText(s[2]));
        CPPUNIT_ASSERT_EQUAL(std::string("its body runs 3 * n^2 times, 14 per run"), a.runsText(s[3]));
        CPPUNIT_ASSERT_EQUAL(std::string("runs 3 * n^2 times, 14 per run (1 addition at 2 + 3 multiplications at 4), "
                                         "42 * n^2 in all"),
                             analysis::explanationOf(a, s[4]).derivation);
        CPPUNIT_ASSERT_EQUAL(
            std::string("runs 1 time, 0 per run (0 additions at 2 + 0 multiplications at 4), 0 in all"),
            analysis::explanationOf(a, s[5]).derivation);
        CPPUNIT_ASSERT_EQUAL(std::string("total: 42 * n^2 + 6 * n^1, the sum of the 3 statements' costs"),
                             analysis::explanationTotal(a));
        const Analysis one("BEGIN LOOP 0 a * b ; END END", model("1", "1"));
        CPPUNIT_ASSERT_EQUAL(std::string("runs 0 times, 1 per run"), one.runsText(one.statements()[1]));
        CPPUNIT_ASSERT_EQUAL(std::string("total: 0, the cost of its one statement"), analysis::explanationTotal(one));
        // a statement inside a loop whose count does not read
        const Analysis broken("BEGIN LOOP x a ; END END", model("1", "1"));
        CPPUNIT_ASSERT_EQUAL(std::string("not costed: a loop count around it does not read"),
                             broken.runsText(broken.statements()[1]));

        const Cost square({0, 0, 1}, 0);
        const Cost line({0, 5}, 0);
        const analysis::Comparison c = analysis::compareCosts(square, line);
        CPPUNIT_ASSERT_EQUAL(std::string("a grows faster: O(n^2) against O(n)"), analysis::growthText(c, "a", "b"));
        CPPUNIT_ASSERT_EQUAL(std::string("b grows faster: O(n^2) against O(n)"),
                             analysis::growthText(analysis::compareCosts(line, square), "a", "b"));
        CPPUNIT_ASSERT_EQUAL(std::string("neither grows faster: both are O(n)"),
                             analysis::growthText(analysis::compareCosts(line, Cost({7, 1}, 0)), "a", "b"));
    }
};

CPPUNIT_TEST_SUITE_REGISTRATION(ExplainTests);
