#ifndef LOOPCOST_CLI_ANNOTATE_H
#define LOOPCOST_CLI_ANNOTATE_H

#include <iosfwd>

#include "cpucontext.h"

class Polynomial;
class Program;

// Writes the program in its canonical layout with each line's share of the
// cost in a comment column: an expression statement its own cost times the
// counts of the loops around it, a LOOP line the cost of the whole loop times
// the counts of the loops around it. The closing END carries `total` (the
// program's cost under `context`, already computed) and its order of growth.
void writeAnnotated(std::ostream& out, const Program& program, const CPUContext& context, const Polynomial& total);

#endif
