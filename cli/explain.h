#ifndef LOOPCOST_CLI_EXPLAIN_H
#define LOOPCOST_CLI_EXPLAIN_H

#include <iosfwd>
#include <string>

namespace analysis {
class Analysis;
}

// The derivation of the cost, one statement a line in source order,
// "NAME:LINE:COL: TEXT runs ... in all", then "NAME: total: ...".
void writeExplanation(std::ostream& out, const std::string& name, const analysis::Analysis& program);

#endif
