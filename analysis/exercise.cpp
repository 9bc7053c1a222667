// Programs to practise on: each level a few shapes of loops and statements,
// every choice in them drawn from one fixed sequence, so that a level and a
// seed name one program everywhere.
#include "loopcost/analysis/exercise.h"

#include <limits>
#include <string>

#include "loopcost/analysis/analysis.h"

namespace analysis {

namespace {

// The letters a statement is written with: all but n, which would read as
// the loops' n, and l and o, which look like digits.
const char letters[] = "abcdefghijkmpqrstuvwxyz";
const std::uint32_t letterCount = sizeof letters - 1;

// The constant counts, small enough to multiply by hand.
const int constants[] = {2, 3, 4, 5, 10};

// The costs of '+' and '*' beyond the levels that count operations: whole
// or with one decimal, never two alike, so that no model is 1 and 1 and
// swapping the two changes the cost.
const Decimal costs[] = {{1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {5, 1}, {15, 1}, {25, 1}};
const std::uint32_t costCount = sizeof costs / sizeof costs[0];

const int overN = -1;  // the count of LOOP n

// Writes a program one part at a time, with a blank after each word; the
// canonical printer lays it out afterwards.
class Writer {
public:
    Writer(ExerciseRandom& random, std::uint32_t mostOperations) : random(random), mostOperations(mostOperations) {}

    ExerciseRandom& random;

    // One to mostOperations operations, each '+' or '*', between letters.
    void statement() {
        const std::uint32_t operations = 1 + random.below(mostOperations);
        letter();
        for (std::uint32_t i = 0; i < operations; ++i) {
            text += random.chance(1, 2) ? "+ " : "* ";
            letter();
        }
        text += "; ";
    }
    void maybeStatement(std::uint32_t times, std::uint32_t outOf) {
        if (random.chance(times, outOf))
            statement();
    }
    void open(int count) { text += count == overN ? std::string("LOOP n ") : "LOOP " + std::to_string(count) + " "; }
    void close() { text += "END "; }

    // LOOP n `times` times out of `outOf`, else a constant.
    int count(std::uint32_t times, std::uint32_t outOf) {
        if (random.chance(times, outOf))
            return overN;
        return constants[random.below(sizeof constants / sizeof constants[0])];
    }
    int constant() { return count(0, 1); }

    std::string program() const { return "BEGIN " + text + "END\n"; }

private:
    void letter() {
        text += letters[random.below(letterCount)];
        text += ' ';
    }

    std::uint32_t mostOperations;  // of one statement
    std::string text;              // the statements so far
};

// One loop and a statement or two: the second, if any, in the loop, before
// it or after it.
void levelOne(Writer& w) {
    const std::uint32_t second = w.random.below(4);  // none, inside, before, after
    if (second == 2)
        w.statement();
    w.open(w.count(3, 4));
    w.statement();
    if (second == 1)
        w.statement();
    w.close();
    if (second == 3)
        w.statement();
}

// Two loops, one inside the other, with statements in both and perhaps one
// outside.
void levelTwo(Writer& w) {
    const std::uint32_t outside = w.random.below(3);  // none, before, after
    if (outside == 1)
        w.statement();
    w.open(w.count(3, 4));
    w.maybeStatement(1, 3);
    w.open(w.count(2, 3));
    w.statement();
    w.maybeStatement(1, 2);
    w.close();
    w.maybeStatement(1, 3);
    w.close();
    if (outside == 2)
        w.statement();
}

// A constant loop and a loop over n, one inside the other (and perhaps a
// third inside both), with statements at every depth.
void levelThree(Writer& w) {
    const bool outerOverN = w.random.chance(1, 2);
    const bool topFirst = w.random.chance(1, 2);
    const bool middleFirst = w.random.chance(1, 2);
    if (topFirst)
        w.statement();
    w.open(outerOverN ? overN : w.constant());
    if (middleFirst)
        w.statement();
    w.open(outerOverN ? w.constant() : overN);
    w.statement();
    w.maybeStatement(1, 2);
    if (w.random.chance(1, 4)) {
        w.open(w.count(1, 2));
        w.statement();
        w.close();
    }
    w.close();
    if (!middleFirst)
        w.statement();
    w.close();
    if (!topFirst)
        w.statement();
}

// A loop with a statement or two in it, one loop of a sequence.
void flatLoop(Writer& w) {
    w.open(w.count(2, 3));
    w.statement();
    w.maybeStatement(1, 2);
    w.close();
}

// Two loops one after the other, the pair that is easily taken as nested,
// beside loops that are nested: either both inside a loop over n, or on
// their own with another loop inside one of them.
void levelFour(Writer& w) {
    if (w.random.chance(1, 2)) {
        const bool topFirst = w.random.chance(1, 2);
        if (topFirst)
            w.statement();
        w.open(overN);
        w.maybeStatement(1, 2);
        flatLoop(w);
        w.open(w.count(2, 3));
        w.statement();
        if (w.random.chance(1, 2)) {
            w.open(w.count(1, 2));
            w.statement();
            w.close();
        }
        w.close();
        w.close();
        if (!topFirst)
            w.statement();
        return;
    }
    w.maybeStatement(1, 2);
    const bool nestedFirst = w.random.chance(1, 2);
    for (int i = 0; i < 2; ++i) {
        if ((i == 0) != nestedFirst) {
            flatLoop(w);
            continue;
        }
        w.open(w.count(2, 3));
        w.open(w.count(2, 3));
        w.statement();
        if (w.random.chance(1, 2)) {
            w.open(w.count(1, 2));
            w.statement();
            w.close();
        }
        w.close();
        w.maybeStatement(1, 2);
        w.close();
    }
    w.maybeStatement(1, 2);
}

// The list at `depth` of a chain of loops down to `deepest` (at most 4
// deep: the calls go one a loop, never one a statement), statements on the
// way, and at `sequenceAt` a loop just before the chain's next one.
void chain(Writer& w, int depth, int deepest, int sequenceAt) {
    w.maybeStatement(1, 2);
    if (depth == deepest) {
        w.statement();
        w.maybeStatement(1, 2);
        return;
    }
    if (depth == sequenceAt)
        flatLoop(w);
    w.open(w.count(2, 3));
    chain(w, depth + 1, deepest, sequenceAt);
    w.close();
    w.maybeStatement(1, 3);
}

// Loops three or four deep, a sequence somewhere on the way, perhaps one
// more loop at the end.
void levelFive(Writer& w) {
    const int deepest = w.random.chance(1, 2) ? 4 : 3;
    const int sequenceAt = static_cast<int>(w.random.below(static_cast<std::uint32_t>(deepest)));
    chain(w, 0, deepest, sequenceAt);
    if (w.random.chance(1, 2))
        flatLoop(w);
}

}  // namespace

std::optional<int> parseLevel(std::string_view text) {
    const Whole level = parseWhole(text);
    if (!level.ok() || level.value < firstLevel || level.value > lastLevel)
        return std::nullopt;
    return level.value.convert_to<int>();
}

std::optional<std::uint64_t> parseSeed(std::string_view text) {
    const Whole seed = parseWhole(text);
    if (!seed.ok() || seed.value > std::numeric_limits<std::uint64_t>::max())
        return std::nullopt;
    return seed.value.convert_to<std::uint64_t>();
}

Exercise makeExercise(int level, std::uint64_t seed) {
    // each level draws from a sequence of its own, started at the seed's
    // first draw plus the level, so that one seed makes unrelated programs
    // at two levels; the model is drawn first
    ExerciseRandom random(ExerciseRandom(seed).next() + static_cast<std::uint64_t>(level));
    Exercise exercise{seed, level, {}, Decimal::whole(1), Decimal::whole(1)};
    if (level >= 4) {
        const std::uint32_t add = random.below(costCount);
        std::uint32_t mul = random.below(costCount - 1);
        if (mul >= add)
            ++mul;
        exercise.addCost = costs[add];
        exercise.mulCost = costs[mul];
    }
    Writer writer(random, level <= 2 ? 2 : level == 5 ? 4 : 3);
    switch (level) {
    case 1: levelOne(writer); break;
    case 2: levelTwo(writer); break;
    case 3: levelThree(writer); break;
    case 4: levelFour(writer); break;
    default: levelFive(writer); break;
    }
    const std::string text = writer.program();
    exercise.program = Analysis(text, CostModel{exercise.addCost, exercise.mulCost}).canonicalProgram();
    return exercise;
}

}  // namespace analysis
