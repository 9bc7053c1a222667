#ifndef LOOPCOST_ANALYSIS_SELECTION_H
#define LOOPCOST_ANALYSIS_SELECTION_H

#include <cstddef>
#include <vector>

#include "loopcost/analysis/analysis.h"
#include "loopcost/analysis/text.h"

namespace analysis {

// What holds `offset`, innermost first: the word there, the statement, the
// loops around it, the program. Each holds the one before and is larger.
std::vector<Span> enclosingSpans(const Analysis& analysis, std::size_t offset);

}  // namespace analysis

#endif
