#include <algorithm>
#include <array>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <cppunit/extensions/HelperMacros.h>

#include "loopcost/analysis/check.h"
#include "loopcost/analysis/checkjson.h"
#include "loopcost/tests/analysis/programs.h"

using analysis::Analysis;
using analysis::Check;
using analysis::CostModel;
using analysis::Decimal;
using analysis::Integer;
using analysis::SlipKind;
using programs::List;
using programs::Node;

namespace {

using Poly = std::vector<Integer>;  // units of 10^-scale, n^0 first

void trim(Poly& p) {
    while (!p.empty() && p.back().is_zero())
        p.pop_back();
}

// The cost of a tree, walked: what the analysis must agree with, made
// without it.
Poly costOf(const List& list, const programs::Units& units) {
    Poly sum;
    const auto add = [&sum](const Poly& p, std::size_t shift, const Integer& factor) {
        sum.resize(std::max(sum.size(), p.size() + shift));
        for (std::size_t k = 0; k < p.size(); ++k)
            sum[k + shift] += p[k] * factor;
    };
    for (const Node& node : list) {
        if (!node.loop)
            add(Poly{units.of(node)}, 0, 1);
        else if (node.count < 0)
            add(costOf(node.body, units), 1, 1);
        else
            add(costOf(node.body, units), 0, node.count);
    }
    trim(sum);
    return sum;
}

// A cost as a slip would make it, with the scale of its units.
struct Candidate {
    SlipKind kind;
    Poly units;
    int scale;
    const Node* at;  // the loop it changes, or null
};

// The cost with `change` made to a copy of the tree at the loop that comes
// `target`-th in source order.
template <class Change>
bool changeLoop(List& list, int& index, int target, Change change) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (!list[i].loop)
            continue;
        if (index++ == target) {
            change(list, i);
            return true;
        }
        if (changeLoop(list[i].body, index, target, change))
            return true;
    }
    return false;
}

void loopsOf(const List& list, std::vector<const Node*>& loops, std::vector<bool>& afterLoop) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (!list[i].loop)
            continue;
        loops.push_back(&list[i]);
        afterLoop.push_back(i > 0 && list[i - 1].loop);
        loopsOf(list[i].body, loops, afterLoop);
    }
}

// Every slip of a program under a model, each worked out on the tree, in
// the order the check tries them.
std::vector<Candidate> candidates(const List& program, const CostModel& model) {
    std::vector<Candidate> all;
    const auto under = [&](SlipKind kind, const CostModel& other) {
        const programs::Units units(other);
        all.push_back(Candidate{kind, costOf(program, units), units.scale, nullptr});
    };
    under(SlipKind::modelIgnored, CostModel{});
    under(SlipKind::costsSwapped, CostModel{model.multiplication, model.addition});
    const programs::Units units(model);
    std::vector<const Node*> loops;
    std::vector<bool> afterLoop;
    loopsOf(program, loops, afterLoop);
    const auto each = [&](SlipKind kind, auto change, auto applies) {
        for (std::size_t target = 0; target < loops.size(); ++target) {
            if (!applies(target))
                continue;
            List copy = program;
            int index = 0;
            changeLoop(copy, index, static_cast<int>(target), change);
            all.push_back(Candidate{kind, costOf(copy, units), units.scale, loops[target]});
        }
    };
    each(
        SlipKind::loopLeftOut, [](List& list, std::size_t i) { list[i].count = 1; }, [](std::size_t) { return true; });
    each(
        SlipKind::constantAsN, [](List& list, std::size_t i) { list[i].count = -1; },
        [&loops](std::size_t target) { return loops[target]->count >= 0; });
    each(
        SlipKind::loopsNested,
        [](List& list, std::size_t i) {
            list[i - 1].body.push_back(list[i]);
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
        },
        [&afterLoop](std::size_t target) { return afterLoop[target]; });
    Poly leading = costOf(program, units);
    std::fill(leading.begin(), leading.end() - (leading.empty() ? 0 : 1), Integer(0));
    all.push_back(Candidate{SlipKind::lowerTermsLeftOut, std::move(leading), units.scale, nullptr});
    return all;
}

Integer tenTo(int digits) { return Integer("1" + std::string(static_cast<std::size_t>(digits), '0')); }

Poly atScale(Poly p, int from, int to) {
    for (Integer& units : p)
        units *= tenTo(to - from);
    return p;
}

bool samePoly(const Poly& a, int aScale, const Poly& b, int bScale) {
    const int scale = std::max(aScale, bScale);
    Poly x = atScale(a, aScale, scale);
    Poly y = atScale(b, bScale, scale);
    trim(x);
    trim(y);
    return x == y;
}

Poly unitsOf(const analysis::Cost& cost) {
    Poly p;
    for (int k = 0; k <= cost.degree(); ++k)
        p.push_back(cost.unitsOf(k));
    trim(p);
    return p;
}

// A polynomial written as a person might: terms in a random order, in one
// of several spellings, a coefficient sometimes split in two.
std::string written(const Poly& p, int scale, std::mt19937& random) {
    static const char* const superscripts[] = {"\u2070", "\u00B9", "\u00B2", "\u00B3", "\u2074",
                                               "\u2075", "\u2076", "\u2077", "\u2078", "\u2079"};
    std::vector<std::pair<std::size_t, Integer>> terms;
    for (std::size_t k = 0; k < p.size(); ++k)
        if (!p[k].is_zero()) {
            if (random() % 4 == 0) {
                terms.emplace_back(k, Integer(1));
                terms.emplace_back(k, p[k] - 1);
            } else {
                terms.emplace_back(k, p[k]);
            }
        }
    if (terms.empty())
        return random() % 2 ? "0" : "0n^2";
    std::shuffle(terms.begin(), terms.end(), random);
    std::string text;
    for (const auto& [power, units] : terms) {
        const std::string number = Decimal::decimalText(units < 0 ? Integer(-units) : units, scale);
        text += text.empty() ? (units < 0 ? "-" : "") : (units < 0 ? " - " : " + ");
        const unsigned form = random() % 4;
        text += number;
        if (power == 0 && form != 3)
            continue;
        if (form == 0)
            text += "n^" + std::to_string(power);
        else if (form == 1)
            text += " * n^" + std::to_string(power);
        else if (form == 2 && power < 10)
            text += std::string(" n") + superscripts[power];
        else
            text += "*n^" + std::to_string(power);
    }
    return text;
}

analysis::Answer answerOf(const std::string& text) {
    const analysis::AnswerRead read = analysis::readAnswer(text);
    CPPUNIT_ASSERT_MESSAGE(text, read.ok());
    return read.answer;
}

Check checked(const Analysis& program, const std::string& answer) {
    return analysis::checkAnswer(program, answerOf(answer));
}

// A generated program under one model: its tree, text and analysis, and its
// cost as worked out on the tree, in the model's units.
struct Generated {
    const List& tree;
    const std::string& text;
    const CostModel& model;
    const programs::Units& units;
    const Poly& cost;
    const Analysis& program;
};

// `body` of each program generated from the seeds 1 to `seeds`, under every model.
template <class Body>
void eachGenerated(unsigned seeds, Body body) {
    for (unsigned seed = 1; seed <= seeds; ++seed) {
        programs::Generator generator(seed);
        List tree = generator.make(programs::Shape{3, 4, true, 4});
        const std::string text = programs::write(tree);
        for (const CostModel& model : programs::models()) {
            const programs::Units units(model);
            const Poly cost = costOf(tree, units);
            const Analysis program(text, model);
            body(Generated{tree, text, model, units, cost, program});
        }
    }
}

const char* const sequence = R"(BEGIN
  LOOP n
    a + b ;
  END
  LOOP 3
    a * b ;
  END
  LOOP 0
    a ;
    LOOP n
      a + b + c ;
    END
  END
END
)";

}  // namespace

class CheckTests : public CppUnit::TestFixture {
    CPPUNIT_TEST_SUITE(CheckTests);
    CPPUNIT_TEST(testNestedAnswers);
    CPPUNIT_TEST(testOrders);
    CPPUNIT_TEST(testWrongTermsPointAtStatements);
    CPPUNIT_TEST(testStatementsListedAtMost);
    CPPUNIT_TEST(testGeneratedAnswers);
    CPPUNIT_TEST(testGeneratedSlips);
    CPPUNIT_TEST(testJson);
    CPPUNIT_TEST_SUITE_END();

public:
    // examples/nested.lc, 15n^2 + 9n + 2, and answers that each slip makes.
    void testNestedAnswers() {
        struct Case {
            const char* add;
            const char* multiply;
            const char* answer;
            bool right;
            std::optional<SlipKind> slip;
            unsigned line, column;  // of the slip
        };
        const Case cases[] = {
            {"1", "1", "15n^2 + 9n + 2", true, std::nullopt, 0, 0},
            {"1", "1", "2 + 9n + 15n\u00B2", true, std::nullopt, 0, 0},
            {"1", "1", "15n^2 + 9n + 1 + 1", true, std::nullopt, 0, 0},
            {"1", "1", "15n^2 + 9n + 2 + 0n^7", true, std::nullopt, 0, 0},
            {"1", "1", "15n^2 + 9n + 3", false, std::nullopt, 0, 0},
            {"1", "1", "15n^2 + 9n + 2 + n^999999999", false, std::nullopt, 0, 0},
            {"1", "1", "7n^2 + 7n + 2", false, SlipKind::loopLeftOut, 4, 9},         // LOOP 3 once
            {"1", "1", "15n + 9 + 2", false, SlipKind::loopLeftOut, 2, 5},           // the outer LOOP n
            {"1", "1", "4n^3 + 4n^2 + 6n + 2", false, SlipKind::constantAsN, 4, 9},  // LOOP 3 as LOOP n
            {"1", "1", "15n^2", false, SlipKind::lowerTermsLeftOut, 3, 9},
            {"2", "3", "15n^2 + 9n + 2", false, SlipKind::modelIgnored, 3, 9},
            {"2", "3", "33n^2 + 22n + 5", false, SlipKind::costsSwapped, 6, 17},
            {"0.1", "0.7", "15n^2 + 9n + 2", false, SlipKind::modelIgnored, 3, 9},
            {"0.1", "0.7", "8.7n^2 + 3.9n + 0.8", true, std::nullopt, 0, 0},
            {"0.1", "0.7", "8.70n^2 + 39e-1n + 0.8", true, std::nullopt, 0, 0},
            {"0.1", "0.7", "8.7n^2 + 3.9n + 0.80001", false, std::nullopt, 0, 0},
            // costs beyond machine words, loops' costs kept as integers of any size
            {"1e20", "1e20", "7e20n^2 + 7e20n + 2e20", false, SlipKind::loopLeftOut, 4, 9},
            {"1e20", "1e20", "4e20n^3 + 4e20n^2 + 6e20n + 2e20", false, SlipKind::constantAsN, 4, 9},
        };
        for (const Case& c : cases) {
            const Analysis program(programs::nested, programs::model(c.add, c.multiply));
            const Check check = checked(program, c.answer);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.answer, c.right, check.right);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.answer, c.slip.has_value(), check.slip.has_value());
            if (!c.slip)
                continue;
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.answer, std::string(analysis::slipName(*c.slip)),
                                         std::string(analysis::slipName(check.slip->kind)));
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.answer, c.line, static_cast<unsigned>(check.slip->line));
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.answer, c.column, static_cast<unsigned>(check.slip->column));
            CPPUNIT_ASSERT_MESSAGE(c.answer, check.slip->cost.compare(program.total()) != 0);
        }
        // loops in sequence taken as nested: the later one names the earlier
        const Analysis program(sequence, CostModel{});
        const Check nested = checked(program, "4n");
        CPPUNIT_ASSERT(nested.slip && nested.slip->kind == SlipKind::loopsNested);
        CPPUNIT_ASSERT_EQUAL(std::uint32_t(5), nested.slip->line);
        CPPUNIT_ASSERT_EQUAL(std::uint32_t(2), nested.slip->before->line);
        // LOOP 0's body run once, or n times, though its own cost is zero
        const Check once = checked(program, "3n + 3");
        CPPUNIT_ASSERT(once.slip && once.slip->kind == SlipKind::loopLeftOut);
        CPPUNIT_ASSERT_EQUAL(std::uint32_t(8), once.slip->line);
        const Check asN = checked(program, "2n^2 + n + 3");
        CPPUNIT_ASSERT(asN.slip && asN.slip->kind == SlipKind::constantAsN);
        CPPUNIT_ASSERT_EQUAL(std::uint32_t(8), asN.slip->line);
    }

    // The degree rules, the cost 0 (O(1), no Θ or Ω), a zero at the top of
    // a cost that is not normalised, and negative costs.
    void testOrders() {
        struct Case {
            const char* program;
            const char* add;
            const char* answer;
            bool right;
            bool loose;
            const char* order;
        };
        const char* const quadratic = programs::nested;
        const char* const zero = "BEGIN LOOP n a ; END END";
        const char* const topZero = "BEGIN LOOP n LOOP 0 a + b ; END END c + d ; END";
        const char* const negative = "BEGIN LOOP n a + b ; END END";
        const Case cases[] = {
            {quadratic, "1", "O(n^2)", true, false, "\u0398(n^2)"},
            {quadratic, "1", "O(n^3)", true, true, "\u0398(n^2)"},
            {quadratic, "1", "O(n^999999999)", true, true, "\u0398(n^2)"},
            {quadratic, "1", "O(n)", false, false, "\u0398(n^2)"},
            {quadratic, "1", "\u0398(n^2)", true, false, "\u0398(n^2)"},
            {quadratic, "1", "Theta(n)", false, false, "\u0398(n^2)"},
            {quadratic, "1", "\u0398(n^3)", false, false, "\u0398(n^2)"},
            {quadratic, "1", "\u03A9(n^2)", true, false, "\u0398(n^2)"},
            {quadratic, "1", "Omega(1)", true, true, "\u0398(n^2)"},
            {quadratic, "1", "\u03A9(n^3)", false, false, "\u0398(n^2)"},
            {zero, "1", "O(1)", true, false, "O(1)"},
            {zero, "1", "O(n)", true, true, "O(1)"},
            {zero, "1", "\u0398(1)", false, false, "O(1)"},
            {zero, "1", "\u03A9(1)", false, false, "O(1)"},
            {topZero, "1", "\u0398(1)", true, false, "\u0398(1)"},
            {topZero, "1", "O(1)", true, false, "\u0398(1)"},
            {topZero, "1", "\u03A9(n)", false, false, "\u0398(1)"},
            {negative, "-1", "\u0398(n)", true, false, "\u0398(n)"},
            {negative, "0", "\u0398(n)", false, false, "O(1)"},
        };
        for (const Case& c : cases) {
            const Analysis program(c.program, programs::model(c.add, "1"));
            const Check check = checked(program, c.answer);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.answer, c.right, check.right);
            CPPUNIT_ASSERT_MESSAGE(c.answer, check.order.has_value() && !check.slip);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.answer, c.loose, check.order->loose);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.answer, std::string(c.order), check.order->cost);
            // a wrong order points at the leading power's statements
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.answer, !c.right && !program.total().isZero(), !check.terms.empty());
        }
        // the exact answer to a cost with a zero at its top
        const Analysis program(topZero, CostModel{});
        CPPUNIT_ASSERT(checked(program, "1").right);
        CPPUNIT_ASSERT(checked(program, "0n + 1").right);
    }

    // Each wrong term lists the statements at its power, whose costs add up
    // to the cost's coefficient; right terms list none.
    void testWrongTermsPointAtStatements() {
        const Analysis program(programs::nested, programs::model("0.1", "0.7"));
        const Check check = checked(program, "9n^2 + 3.9n + 1 + n^5");
        CPPUNIT_ASSERT(!check.right);
        struct Expected {
            const char* answered;
            const char* cost;
            std::size_t statements;
            std::int32_t power;
            bool right;
        };
        const Expected expected[] = {
            {"1", "0", 0, 5, false}, {"9", "8.7", 2, 2, false}, {"3.9", "3.9", 0, 1, true}, {"1", "0.8", 1, 0, false}};
        CPPUNIT_ASSERT_EQUAL(std::size(expected), check.terms.size());
        for (std::size_t i = 0; i < check.terms.size(); ++i) {
            const analysis::CheckedTerm& term = check.terms[i];
            CPPUNIT_ASSERT_EQUAL(expected[i].power, term.power);
            CPPUNIT_ASSERT_EQUAL(std::string(expected[i].answered), term.answered->text());
            CPPUNIT_ASSERT_EQUAL(std::string(expected[i].cost), term.cost.text());
            CPPUNIT_ASSERT_EQUAL(expected[i].right, term.right);
            CPPUNIT_ASSERT_EQUAL(expected[i].statements, term.statements.size());
        }
        const analysis::TermStatement& first = check.terms[1].statements.front();
        CPPUNIT_ASSERT_EQUAL(std::uint32_t(6), first.line);
        CPPUNIT_ASSERT_EQUAL(std::uint32_t(17), first.column);
        CPPUNIT_ASSERT_EQUAL(std::string("w * w * z + x * y ;"), first.text);
        CPPUNIT_ASSERT_EQUAL(std::string("6.6"), first.cost.text());
    }

    // A program of many statements at one power lists some and counts the
    // rest; a statement that costs nothing is not listed.
    void testStatementsListedAtMost() {
        std::string text = "BEGIN a ;\n";
        const std::size_t many = analysis::mostTermStatements + 5;
        for (std::size_t i = 0; i < many; ++i)
            text += "a + b ;\n";
        text += "END\n";
        const Analysis program(text, CostModel{});
        const Check check = checked(program, "0");
        CPPUNIT_ASSERT_EQUAL(std::size_t(1), check.terms.size());
        CPPUNIT_ASSERT_EQUAL(analysis::mostTermStatements, check.terms[0].statements.size());
        CPPUNIT_ASSERT_EQUAL(std::size_t(5), check.terms[0].more);
        CPPUNIT_ASSERT_EQUAL(std::uint32_t(2), check.terms[0].statements[0].line);
    }

    // Generated programs under every model: the cost written in any form is
    // right, and one unit off at one power is wrong there and only there.
    void testGeneratedAnswers() {
        std::mt19937 random(7);
        eachGenerated(60, [&](const Generated& g) {
            const Poly& cost = g.cost;
            const programs::Units& units = g.units;
            const std::string right = written(cost, units.scale, random);
            const Check check = checked(g.program, right);
            CPPUNIT_ASSERT_MESSAGE(g.text + right, check.right && !check.slip);
            for (std::size_t k = 0; k <= cost.size(); ++k) {
                Poly off = cost;
                off.resize(std::max(off.size(), k + 1));
                off[k] += 1;
                const Check wrong = checked(g.program, written(off, units.scale, random));
                CPPUNIT_ASSERT(!wrong.right);
                for (const analysis::CheckedTerm& term : wrong.terms) {
                    CPPUNIT_ASSERT_EQUAL(term.power != static_cast<std::int32_t>(k), term.right);
                    if (term.right)
                        continue;
                    Integer sum = 0;
                    for (const analysis::TermStatement& statement : term.statements)
                        sum += statement.cost.unitsAt(units.scale);
                    CPPUNIT_ASSERT(sum == term.cost.unitsAt(units.scale));
                }
            }
        });
    }

    // Each slip applied to generated programs, worked out on their trees: the
    // check names the first kind that matches, at the first loop that does,
    // and never one that does not.
    void testGeneratedSlips() {
        std::mt19937 random(11);
        std::array<int, 6> named{};
        eachGenerated(80, [&](const Generated& g) {
            const std::string& text = g.text;
            const std::vector<Candidate> all = candidates(g.tree, g.model);
            for (const Candidate& slip : all) {
                if (samePoly(slip.units, slip.scale, g.cost, g.units.scale))
                    continue;  // no slip at all here: the answer would be right
                const std::string answer = written(slip.units, slip.scale, random);
                const Check check = checked(g.program, answer);
                CPPUNIT_ASSERT_MESSAGE(text + answer, !check.right && check.slip);
                const auto first = std::find_if(all.begin(), all.end(), [&](const Candidate& c) {
                    return samePoly(c.units, c.scale, slip.units, slip.scale);
                });
                const std::string what = text + answer + " named " + analysis::slipName(check.slip->kind);
                CPPUNIT_ASSERT_MESSAGE(what, first->kind == check.slip->kind);
                if (first->at) {
                    CPPUNIT_ASSERT_EQUAL_MESSAGE(what, first->at->line, static_cast<unsigned>(check.slip->line));
                    CPPUNIT_ASSERT_EQUAL_MESSAGE(what, first->at->column, static_cast<unsigned>(check.slip->column));
                }
                CPPUNIT_ASSERT_MESSAGE(
                    what, samePoly(unitsOf(check.slip->cost), check.slip->cost.scale(), slip.units, slip.scale));
                ++named[static_cast<std::size_t>(check.slip->kind)];
            }
        });
        for (const int times : named)
            CPPUNIT_ASSERT(times > 10);
    }

    // The JSON text holds every number exactly and the answer as given.
    void testJson() {
        const Analysis program("BEGIN LOOP n a + b ; END c * d ; END", programs::model("0.1", "0.7"));
        CPPUNIT_ASSERT_EQUAL(
            std::string(R"({"answer": "A", "right": false, "kind": "exact", "terms": [)"
                        R"({"power": 1, "answered": 0.1, "cost": 0.1, "right": true, "statements": []}, )"
                        R"({"power": 0, "answered": 0, "cost": 0.7, "right": false, "statements": [)"
                        R"({"line": 1, "column": 26, "text": "c * d ;", "cost": 0.7}]}], "order": null, )"
                        R"("slip": {"kind": "lower-terms-left-out", "line": 1, "column": 26, "text": )"
                        R"("the answer is the leading term 0.1 * n^1 alone: it leaves out 0.7, such as )"
                        R"(the cost of c * d ; at 1:26"}})"),
            analysis::checkJson(checked(program, "0.1n"), "\"A\""));
        CPPUNIT_ASSERT_EQUAL(std::string(R"({"answer": "B", "right": true, "kind": "order", "terms": [], )"
                                         "\"order\": {\"cost\": \"\u0398(n)\", \"loose\": true}, \"slip\": null}"),
                             analysis::checkJson(checked(program, "O(n^3)"), "\"B\""));
        // for the page: numbers as text, and where each statement is
        const std::string page = analysis::checkJson(checked(program, "0.1n"), "\"A\"", {true, true});
        CPPUNIT_ASSERT(
            page.find(R"({"power": 0, "answered": "0", "cost": "0.7", "right": false, "statements": [)"
                      R"({"line": 1, "column": 26, "text": "c * d ;", "cost": "0.7", "from": 25, "to": 32}]})") !=
            std::string::npos);
        CPPUNIT_ASSERT(page.find(R"(at 1:26", "from": 25, "to": 32}})") != std::string::npos);
        // a coefficient beyond any machine word, exactly
        const Analysis huge("BEGIN LOOP n a + b ; END END", programs::model("1e30", "1"));
        const std::string json = analysis::checkJson(checked(huge, "n"), "\"C\"");
        CPPUNIT_ASSERT(json.find(R"("answered": 1, "cost": 1000000000000000000000000000000, "right": false)") !=
                       std::string::npos);
    }
};

CPPUNIT_TEST_SUITE_REGISTRATION(CheckTests);
