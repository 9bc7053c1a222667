#include <cstdint>
#include <set>
#include <string>

#include <cppunit/extensions/HelperMacros.h>

#include "loopcost/analysis/analysis.h"
#include "loopcost/analysis/exercise.h"

using analysis::Analysis;
using analysis::CostModel;
using analysis::Exercise;
using analysis::ExerciseRandom;
using analysis::makeExercise;

namespace {

// What a program is made of, as the analysis reads it.
struct Shape {
    int depth = 0;         // of the loops nested deepest
    std::size_t size = 0;  // statements and loops
    std::size_t statements = 0;
    int constantLoops = 0;  // LOOP 3
    int loopsOverN = 0;     // LOOP n
    std::set<int> statementDepths;
    bool sequence = false;  // a loop right after a loop in the same list
};

Shape shapeOf(const Analysis& program) {
    Shape shape;
    const Analysis::Statements& list = program.statements();
    for (std::size_t i = 0; i < list.size(); ++i) {
        const analysis::StatementInfo& s = list[i];
        ++shape.size;
        if (!s.isLoop()) {
            ++shape.statements;
            shape.statementDepths.insert(s.depth);
            continue;
        }
        ++(s.count >= 0 ? shape.constantLoops : shape.loopsOverN);
        shape.depth = std::max(shape.depth, s.depth + 1);
        std::size_t next = i + 1;  // past the loop's body
        while (next < list.size() && list[next].depth > s.depth)
            ++next;
        if (next < list.size() && list[next].parent == s.parent && list[next].isLoop())
            shape.sequence = true;
    }
    return shape;
}

std::string modelText(const Exercise& e) { return e.addCost.text() + " " + e.mulCost.text(); }

std::string what(int level, std::uint64_t seed) {
    return "level " + std::to_string(level) + " seed " + std::to_string(seed);
}

const std::uint64_t seeds = 300;  // tried at each level
const std::uint64_t largestSeed = UINT64_MAX;

}  // namespace

class ExerciseTests : public CppUnit::TestFixture {
    CPPUNIT_TEST_SUITE(ExerciseTests);
    CPPUNIT_TEST(testSequence);
    CPPUNIT_TEST(testReadLevelAndSeed);
    CPPUNIT_TEST(testEveryLevelReads);
    CPPUNIT_TEST(testLevelsAskWhatTheySay);
    CPPUNIT_TEST(testGrowsWithLevel);
    CPPUNIT_TEST(testPinnedExercises);
    CPPUNIT_TEST_SUITE_END();

public:
    // The sequence is splitmix64's, whose first draws from 0 are known.
    void testSequence() {
        ExerciseRandom random(0);
        CPPUNIT_ASSERT_EQUAL(std::uint64_t{0xE220A8397B1DCDAFU}, random.next());
        CPPUNIT_ASSERT_EQUAL(std::uint64_t{0x6E789E6AA1B965F4U}, random.next());
        CPPUNIT_ASSERT_EQUAL(std::uint64_t{0x06C45D188009454FU}, random.next());
        for (int i = 0; i < 1000; ++i)
            CPPUNIT_ASSERT(random.below(7) < 7);
    }

    // As parseWhole reads a number: blanks, leading zeros, "3.0" and
    // exponents are fine; out of range, negative or a fraction is not.
    void testReadLevelAndSeed() {
        struct Case {
            const char* text;
            int level;         // 0: not a level
            const char* seed;  // nullptr: not a seed
        };
        const Case cases[] = {
            {"1", 1, "1"},
            {"05", 5, "5"},
            {" 3.0 ", 3, "3"},
            {"0.2e1", 2, "2"},
            {"0", 0, "0"},
            {"6", 0, "6"},
            {"-1", 0, nullptr},
            {"-0", 0, "0"},
            {"1.5", 0, nullptr},
            {"", 0, nullptr},
            {"two", 0, nullptr},
            {"1e3", 0, "1000"},
            {"18446744073709551615", 0, "18446744073709551615"},
            {"18446744073709551616", 0, nullptr},
            {"1e100", 0, nullptr},
        };
        for (const Case& c : cases) {
            const std::optional<int> level = analysis::parseLevel(c.text);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.text, c.level, level.value_or(0));
            const std::optional<std::uint64_t> seed = analysis::parseSeed(c.text);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.text, c.seed != nullptr, seed.has_value());
            if (c.seed)
                CPPUNIT_ASSERT_EQUAL_MESSAGE(c.text, std::string(c.seed), std::to_string(*seed));
        }
    }

    // Every level and many seeds: a program that reads and costs, in the
    // canonical layout, the same when made again.
    void testEveryLevelReads() {
        for (int level = analysis::firstLevel; level <= analysis::lastLevel; ++level)
            for (std::uint64_t seed : {std::uint64_t{0}, largestSeed, largestSeed - 1, std::uint64_t{1} << 63U})
                checkReads(level, seed);
        for (int level = analysis::firstLevel; level <= analysis::lastLevel; ++level)
            for (std::uint64_t seed = 1; seed <= seeds; ++seed)
                checkReads(level, seed);
    }

    // Each level has the shape and the model it promises.
    void testLevelsAskWhatTheySay() {
        for (std::uint64_t seed = 0; seed < seeds; ++seed) {
            const Shape one = shapeOfExercise(1, seed);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(what(1, seed), 1, one.constantLoops + one.loopsOverN);
            CPPUNIT_ASSERT_MESSAGE(what(1, seed), one.statements >= 1 && one.statements <= 2);

            const Shape two = shapeOfExercise(2, seed);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(what(2, seed), 2, two.constantLoops + two.loopsOverN);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(what(2, seed), 2, two.depth);

            const Shape three = shapeOfExercise(3, seed);
            CPPUNIT_ASSERT_MESSAGE(what(3, seed), three.constantLoops >= 1 && three.loopsOverN >= 1);
            CPPUNIT_ASSERT_MESSAGE(what(3, seed), three.statementDepths.size() >= 3);

            const Shape four = shapeOfExercise(4, seed);
            CPPUNIT_ASSERT_MESSAGE(what(4, seed), four.sequence && four.depth >= 2);

            const Shape five = shapeOfExercise(5, seed);
            CPPUNIT_ASSERT_MESSAGE(what(5, seed), five.sequence && five.depth >= 3);

            for (int level = analysis::firstLevel; level <= analysis::lastLevel; ++level) {
                const Exercise e = makeExercise(level, seed);
                if (level <= 3) {
                    CPPUNIT_ASSERT_EQUAL_MESSAGE(what(level, seed), std::string("1 1"), modelText(e));
                } else {
                    // neither 1 and 1 nor swapped into itself
                    CPPUNIT_ASSERT_MESSAGE(what(level, seed), e.addCost.text() != e.mulCost.text());
                    CPPUNIT_ASSERT_MESSAGE(what(level, seed), e.addCost.units > 0 && e.mulCost.units > 0);
                }
            }
        }
    }

    // On average over seeds, each level is deeper and longer than the one
    // before (level 1 is one loop deep, level 2 two: their depths are equal
    // to those).
    void testGrowsWithLevel() {
        double lastDepth = 0;
        double lastSize = 0;
        for (int level = analysis::firstLevel; level <= analysis::lastLevel; ++level) {
            double depth = 0;
            double size = 0;
            for (std::uint64_t seed = 0; seed < seeds; ++seed) {
                const Shape shape = shapeOfExercise(level, seed);
                depth += shape.depth;
                size += static_cast<double>(shape.size);
            }
            depth /= seeds;
            size /= seeds;
            const std::string message = "level " + std::to_string(level) + ": depth " + std::to_string(depth) +
                                        ", size " + std::to_string(size);
            CPPUNIT_ASSERT_MESSAGE(message, depth > lastDepth && size > lastSize);
            lastDepth = depth;
            lastSize = size;
        }
    }

    // A few exercises written out: the sequence and the shapes drawn from it
    // are the same on every machine (the page's tests hold the page to the
    // command line's output, which these hold).
    void testPinnedExercises() {
        struct Case {
            int level;
            std::uint64_t seed;
            const char* model;
            const char* program;
        };
        const Case cases[] = {
            {1, 0U, "1 1", R"(BEGIN
  LOOP n
    q + v + r ;
  END
  m + d + f ;
END
)"},
            {2, 12345U, "1 1", R"(BEGIN
  LOOP n
    z + r ;
    LOOP n
      j * w + f ;
    END
    p + q + g ;
  END
  w * r ;
END
)"},
            {3, 999999U, "1 1", R"(BEGIN
  e * e * b ;
  LOOP n
    f + k * v * u ;
    LOOP 3
      u * u * v ;
      j + c + m + a ;
    END
  END
END
)"},
            {4, 7U, "4 2.5", R"(BEGIN
  LOOP n
    LOOP 10
      d + z ;
    END
    LOOP n
      f + t ;
    END
  END
  w + k ;
END
)"},
            {5, 18446744073709551615U, "1 2.5", R"(BEGIN
  LOOP n
    x * z + t * h ;
  END
  LOOP 3
    LOOP n
      f + v * f + g ;
      LOOP n
        LOOP n
          r + c ;
        END
        y * x * i * f ;
      END
    END
    p + k + s ;
  END
END
)"},
        };
        for (const Case& c : cases) {
            const Exercise e = makeExercise(c.level, c.seed);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(what(c.level, c.seed), std::string(c.program), e.program);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(what(c.level, c.seed), std::string(c.model), modelText(e));
        }
    }

private:
    static void checkReads(int level, std::uint64_t seed) {
        const std::string message = what(level, seed);
        const Exercise e = makeExercise(level, seed);
        CPPUNIT_ASSERT_EQUAL_MESSAGE(message, seed, e.seed);
        CPPUNIT_ASSERT_EQUAL_MESSAGE(message, level, e.level);
        const Analysis program(e.program, CostModel{e.addCost, e.mulCost});
        CPPUNIT_ASSERT_MESSAGE(message + "\n" + e.program, program.ok());
        CPPUNIT_ASSERT_MESSAGE(message, program.total().text() != "0");  // every statement has an operation
        CPPUNIT_ASSERT_EQUAL_MESSAGE(message, program.canonicalProgram(), e.program);
        const Exercise again = makeExercise(level, seed);
        CPPUNIT_ASSERT_EQUAL_MESSAGE(message, e.program, again.program);
        CPPUNIT_ASSERT_EQUAL_MESSAGE(message, modelText(e), modelText(again));
    }

    static Shape shapeOfExercise(int level, std::uint64_t seed) {
        const Exercise e = makeExercise(level, seed);
        return shapeOf(Analysis(e.program, CostModel{e.addCost, e.mulCost}));
    }
};

CPPUNIT_TEST_SUITE_REGISTRATION(ExerciseTests);
