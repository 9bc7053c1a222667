#include <optional>
#include <random>
#include <string>
#include <vector>

#include <cppunit/extensions/HelperMacros.h>

#include "loopcost/analysis/compare.h"
#include "loopcost/analysis/trace.h"
#include "loopcost/tests/analysis/programs.h"

using analysis::Analysis;
using analysis::CostModel;
using analysis::Integer;
using analysis::Tracer;
using analysis::TraceStep;

namespace {

std::string counterText(const std::vector<Integer>& counters) {
    std::string text;
    for (const Integer& counter : counters)
        text += counter.str() + " ";
    return text;
}

// A step the analysis took is the naive run's step of the same number.
void checkStep(const TraceStep& step, const std::vector<programs::Ran>& naive, int scale, const std::string& what) {
    CPPUNIT_ASSERT_MESSAGE(what, step.step >= 1 && step.step <= naive.size());
    const programs::Ran& ran = naive[static_cast<std::size_t>(step.step) - 1];
    const std::string message = what + " step " + step.step.str();
    CPPUNIT_ASSERT_EQUAL_MESSAGE(message, counterText(ran.counters), counterText(step.counters));
    CPPUNIT_ASSERT_EQUAL_MESSAGE(message, ran.statement->line, step.line);
    CPPUNIT_ASSERT_EQUAL_MESSAGE(message, ran.statement->column, step.column);
    CPPUNIT_ASSERT_EQUAL_MESSAGE(message, programs::statementText(*ran.statement), step.text);
    CPPUNIT_ASSERT_MESSAGE(message, step.cost.scale == scale && step.cost.units == ran.units);
    CPPUNIT_ASSERT_MESSAGE(message, step.total.scale == scale && step.total.units == ran.total);
}

// What has run is the naive run's first steps, and what runs next its next.
void checkPosition(const Tracer& tracer, const std::vector<programs::Ran>& naive, int scale, const std::string& what) {
    const analysis::Progress& done = tracer.progress();
    const std::string message = what + " after " + done.steps.str() + " steps";
    CPPUNIT_ASSERT_MESSAGE(message, done.steps <= naive.size());
    const auto k = static_cast<std::size_t>(done.steps);
    CPPUNIT_ASSERT_MESSAGE(message, done.cost.scale == scale && done.cost.units == (k ? naive[k - 1].total : 0));
    CPPUNIT_ASSERT_MESSAGE(message, done.additions == (k ? naive[k - 1].additions : 0));
    CPPUNIT_ASSERT_MESSAGE(message, done.multiplications == (k ? naive[k - 1].multiplications : 0));
    Tracer ahead = tracer;
    const std::optional<TraceStep> next = ahead.step();
    CPPUNIT_ASSERT_EQUAL_MESSAGE(message, k < naive.size(), next.has_value());
    CPPUNIT_ASSERT_MESSAGE(message, !tracer.atEnd() || !next);
    if (!next)
        return;
    checkStep(*next, naive, scale, message);
    if (!tracer.current()->isLoop()) {
        std::vector<Integer> open;
        for (const analysis::OpenLoop& loop : tracer.openLoops())
            open.push_back(loop.counter);
        CPPUNIT_ASSERT_EQUAL_MESSAGE(message, counterText(naive[k].counters), counterText(open));
    }
}

}  // namespace

class TraceTests : public CppUnit::TestFixture {
    CPPUNIT_TEST_SUITE(TraceTests);
    CPPUNIT_TEST(testAgainstNaiveRun);
    CPPUNIT_TEST(testSteppingOverAndOut);
    CPPUNIT_TEST(testNestedSteps);
    CPPUNIT_TEST(testHugeN);
    CPPUNIT_TEST(testErrors);
    CPPUNIT_TEST_SUITE_END();

public:
    // Every step of generated programs at small n, as many as asked, and
    // what the run comes to.
    void testAgainstNaiveRun() {
        programs::Generator generator(12);
        const programs::Shape shapes[] = {{2, 5, true, 3}, {4, 3, true, 3}, {6, 2, true, 2}};
        for (const programs::Shape& shape : shapes)
            for (int i = 0; i < 30; ++i) {
                programs::List program = generator.make(shape);
                const std::string text = programs::write(program);
                for (const CostModel& model : programs::models()) {
                    const Analysis analysis(text, model);
                    const programs::Units units(model);
                    for (int n = 0; n <= 3; ++n) {
                        const std::vector<programs::Ran> naive = programs::run(program, units, n);
                        const std::string what = text + "n = " + std::to_string(n);
                        for (const std::size_t limit : {std::size_t(0), std::size_t(4), naive.size() + 1}) {
                            const analysis::Trace trace = analysis::traceRun(analysis, n, limit);
                            CPPUNIT_ASSERT_EQUAL_MESSAGE(what, std::min(limit, naive.size()), trace.steps.size());
                            for (const TraceStep& step : trace.steps)
                                checkStep(step, naive, units.scale, what);
                            CPPUNIT_ASSERT_MESSAGE(what, trace.all == naive.size());
                            const analysis::Decimal cost = analysis::valueAt(analysis.total(), n);
                            CPPUNIT_ASSERT_MESSAGE(what, trace.total.units == cost.unitsAt(trace.total.scale));
                            CPPUNIT_ASSERT_MESSAGE(what, trace.total.units == (naive.empty() ? 0 : naive.back().total));
                        }
                    }
                }
            }
    }

    // Any mix of steps, loops stepped over and loops stepped out of leaves
    // the run where the naive run is after as many steps.
    void testSteppingOverAndOut() {
        programs::Generator generator(7);
        std::mt19937 choose(5);
        for (int i = 0; i < 60; ++i) {
            programs::List program = generator.make(programs::Shape{4, 3, true, 3});
            const std::string text = programs::write(program);
            const CostModel model = programs::model("0.1", "-3");
            const Analysis analysis(text, model);
            const programs::Units units(model);
            for (int n = 0; n <= 3; ++n) {
                const std::vector<programs::Ran> naive = programs::run(program, units, n);
                Tracer tracer(analysis, n);
                checkPosition(tracer, naive, units.scale, text);
                while (!tracer.atEnd()) {
                    const int what = std::uniform_int_distribution<int>(0, 5)(choose);
                    if (what < 3)
                        tracer.step();
                    else if (what < 5)
                        tracer.stepOver();
                    else
                        tracer.stepOut();
                    checkPosition(tracer, naive, units.scale, text);
                }
                CPPUNIT_ASSERT(tracer.progress().steps == naive.size() && !tracer.current());
            }
        }
    }

    // Where each move leaves the run of examples/nested.lc at n = 2, a loop
    // about to begin being a place of its own.
    void testNestedSteps() {
        enum Move { step, over, out };
        struct Case {
            Move move;
            unsigned line;  // of what runs next; 0 at the end
            const char* counters;
            int steps;
            int cost;
        };
        const Case cases[] = {
            {step, 4, "1 ", 1, 2},       // a + b * c ; ran, LOOP 3 next
            {over, 10, "1 ", 10, 29},    // LOOP 3 ran whole: 3 passes of 2 + 1 steps
            {step, 11, "1 ", 11, 33},    // r + r + r + r * s ;
            {step, 12, "1 2 ", 12, 36},  // the first pass of the last LOOP n
            {over, 3, "2 ", 13, 39},     // a statement is stepped over as it runs
            {out, 15, "", 26, 78},       // the rest of LOOP n: the pass under way, none after it
            {over, 0, "", 27, 80},
        };
        const Analysis analysis(programs::nested, CostModel{});
        Tracer tracer(analysis, 2);
        CPPUNIT_ASSERT_EQUAL(2u, tracer.current()->line);
        for (const Case& c : cases) {
            if (c.move == step)
                tracer.step();
            else if (c.move == over)
                tracer.stepOver();
            else
                tracer.stepOut();
            const std::string what = std::to_string(c.steps);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(what, c.line, tracer.current() ? tracer.current()->line : 0u);
            std::vector<Integer> open;
            for (const analysis::OpenLoop& loop : tracer.openLoops())
                open.push_back(loop.counter);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(what, std::string(c.counters), counterText(open));
            CPPUNIT_ASSERT_MESSAGE(what, tracer.progress().steps == c.steps && tracer.progress().cost.units == c.cost);
        }
        Tracer fromStart(analysis, 2);
        fromStart.toEnd();
        CPPUNIT_ASSERT(fromStart.progress().steps == 27 && fromStart.progress().cost.units == 80);
        CPPUNIT_ASSERT(fromStart.progress().additions == 21 && fromStart.progress().multiplications == 59);
    }

    // n = 10^12 and 10^30 at once: the steps counted and the total worked
    // out, not run; loops that run no statement are not entered.
    void testHugeN() {
        programs::Generator generator(3);
        std::vector<programs::List> programs{programs::chain(12, {-1, 3}, 1), programs::chain(5, {-1, 0}, 0)};
        for (int i = 0; i < 20; ++i)
            programs.push_back(generator.make(programs::Shape{5, 3, true, 3}));
        for (const Integer& n : {Integer("1000000000000"), Integer("1000000000000000000000000000000")})
            for (programs::List& program : programs) {
                const std::string text = programs::write(program);
                const CostModel model = programs::model("1.5", "2");
                const Analysis analysis(text, model);
                const analysis::Trace trace = analysis::traceRun(analysis, n, 3);
                CPPUNIT_ASSERT_MESSAGE(text, trace.all == programs::stepsAt(program, n));
                const analysis::Decimal cost = analysis::valueAt(analysis.total(), n);
                CPPUNIT_ASSERT_MESSAGE(text, trace.total.units == cost.unitsAt(trace.total.scale));
                CPPUNIT_ASSERT(trace.total.units == programs::valueAt(program, programs::Units(model), n));
                CPPUNIT_ASSERT_EQUAL(trace.all < 3 ? static_cast<std::size_t>(trace.all) : 3, trace.steps.size());
                if (!trace.steps.empty())
                    for (const Integer& counter : trace.steps.front().counters)
                        CPPUNIT_ASSERT_MESSAGE(text, counter == 1);
            }
        const Analysis empty("BEGIN LOOP n LOOP 0 a ; END LOOP n LOOP 0 b ; END END END a + b ; END", CostModel{});
        const analysis::Trace trace = analysis::traceRun(empty, Integer("1000000000000"), 10);
        CPPUNIT_ASSERT(trace.steps.size() == 1 && trace.steps[0].line == 1 && trace.steps[0].counters.empty());
        CPPUNIT_ASSERT(trace.all == 1 && trace.total.units == 1);
    }

    void testErrors() {
        const Analysis analysis("BEGIN LOOP n a b ; END END", CostModel{});
        const analysis::Trace trace = analysis::traceRun(analysis, 5, 10);
        CPPUNIT_ASSERT(trace.steps.empty() && trace.all == 0 && trace.total.units == 0);
        CPPUNIT_ASSERT(Tracer(analysis, 5).atEnd());
    }
};

CPPUNIT_TEST_SUITE_REGISTRATION(TraceTests);
