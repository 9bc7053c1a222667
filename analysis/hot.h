#ifndef LOOPCOST_ANALYSIS_HOT_H
#define LOOPCOST_ANALYSIS_HOT_H

#include <cstddef>
#include <vector>

#include "loopcost/analysis/analysis.h"

namespace analysis {

// The costliest statements (not loops), at most `count`, costliest first;
// equal costs in source order.
std::vector<const StatementInfo*> hottest(const Analysis& analysis, std::size_t count);

}  // namespace analysis

#endif
