#ifndef LOOPCOST_ANALYSIS_FOLDS_H
#define LOOPCOST_ANALYSIS_FOLDS_H

#include <cstddef>
#include <vector>

#include "loopcost/analysis/analysis.h"
#include "loopcost/analysis/text.h"

namespace analysis {

// One fold per loop whose END was read: from its LOOP to `end`, the last
// byte of the folded text; the END stays in view when it begins its line.
std::vector<Span> loopFolds(const Analysis& analysis);

// At a LOOP or its END (or right after one), both keywords, LOOP first; at
// the program's BEGIN or its closing END, those two. Otherwise none.
std::vector<Span> pairedKeywords(const Analysis& analysis, std::size_t offset);

}  // namespace analysis

#endif
