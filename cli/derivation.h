#ifndef LOOPCOST_CLI_DERIVATION_H
#define LOOPCOST_CLI_DERIVATION_H

#include <iosfwd>
#include <string>

namespace analysis {
class Analysis;
}

// --derive: the cost as nested sums, then a line per step down to the
// polynomial; with --latex the same steps as a LaTeX align* block, between
// \begin{align*} and \end{align*}. Nothing for a text with errors.
void writeDerivation(std::ostream& out, const analysis::Analysis& program, bool latex);

// The "derivation" member of --json with --derive, as JSON text:
// {"text": [lines], "latex": [lines]}.
std::string derivationJson(const analysis::Analysis& program);

#endif
