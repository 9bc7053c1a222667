#ifndef LOOPCOST_ANALYSIS_COMPLETION_H
#define LOOPCOST_ANALYSIS_COMPLETION_H

#include <cstddef>

#include "loopcost/analysis/analysis.h"
#include "loopcost/analysis/text.h"

namespace analysis {

// What may be typed at `offset`: the word being typed there (which a
// completion replaces) and whether it may be the program's BEGIN or the
// beginning of a statement (a LOOP, or an END closing the block).
struct Completion {
    Span word;
    bool program;
    bool statement;
};
Completion completionAt(const Analysis& analysis, std::size_t offset);

}  // namespace analysis

#endif
