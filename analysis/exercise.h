#ifndef LOOPCOST_ANALYSIS_EXERCISE_H
#define LOOPCOST_ANALYSIS_EXERCISE_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "loopcost/analysis/number.h"

namespace analysis {

// A program to practise on, and the cost model its cost is to be worked
// out under. The same level and seed make the same exercise byte for byte
// on every machine, the page's WebAssembly included.
struct Exercise {
    std::uint64_t seed;
    int level;            // firstLevel to lastLevel
    std::string program;  // in the canonical layout, ending in a line end
    Decimal addCost;      // of one '+'
    Decimal mulCost;      // of one '*'
};

// What the levels ask for:
//   1  one loop and a statement or two
//   2  two nested loops
//   3  constant and n loops mixed, statements at several depths
//   4  loops in sequence beside nested ones, under a model other than 1 and 1
//   5  deeper and longer, under such a model too
constexpr int firstLevel = 1;
constexpr int lastLevel = 5;

// Fresh seeds are below this, so that one is short to pass on; every
// seed from 0 to 2^64 - 1 makes an exercise.
constexpr std::uint64_t freshSeeds = 1000000;

// A level or a seed as a user gives it, read by parseWhole ("3", "03",
// "3.0"); nothing for what is not a whole number in range.
std::optional<int> parseLevel(std::string_view text);
std::optional<std::uint64_t> parseSeed(std::string_view text);

// The exercise of `level` (firstLevel to lastLevel) and `seed`.
Exercise makeExercise(int level, std::uint64_t seed);

// The sequence that the exercises draw from: splitmix64, written out so
// that it is the same everywhere (a library's distributions are not).
class ExerciseRandom {
public:
    explicit ExerciseRandom(std::uint64_t seed) : state(seed) {}

    std::uint64_t next() {
        state += 0x9E3779B97F4A7C15U;
        std::uint64_t z = state;
        z = (z ^ (z >> 30U)) * 0xBF58476D1CE4E5B9U;
        z = (z ^ (z >> 27U)) * 0x94D049BB133111EBU;
        return z ^ (z >> 31U);
    }
    // From 0 to bound - 1, for a small bound (the bias of the remainder is
    // below 2^-56 for a bound under 256).
    std::uint32_t below(std::uint32_t bound) { return static_cast<std::uint32_t>(next() % bound); }
    // True `times` times out of `outOf`.
    bool chance(std::uint32_t times, std::uint32_t outOf) { return below(outOf) < times; }

private:
    std::uint64_t state;
};

}  // namespace analysis

#endif
