#ifndef LOOPCOST_CLI_EXERCISE_H
#define LOOPCOST_CLI_EXERCISE_H

#include <cstdint>
#include <iosfwd>

namespace analysis {
struct Exercise;
}

// --exercise: the program on `out`, and on `err` the line that names it and
// its model, so that the program alone goes down a pipe:
//   level 4, seed 812, cost model: --add-cost 2 --mul-cost 0.5
// With --json, one line on `out`: {"seed", "level", "program", "addCost",
// "mulCost"}, the costs exact.
void writeExercise(std::ostream& out, std::ostream& err, const analysis::Exercise& exercise, bool json);

// A seed for an exercise asked without one: below analysis::freshSeeds,
// from the system's source of randomness, or the clock where it has none.
std::uint64_t freshSeed();

#endif
