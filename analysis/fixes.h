#ifndef LOOPCOST_ANALYSIS_FIXES_H
#define LOOPCOST_ANALYSIS_FIXES_H

#include <string>
#include <vector>

#include "loopcost/analysis/analysis.h"
#include "loopcost/analysis/text.h"

namespace analysis {

// A change that mends one error.
struct Fix {
    std::string title;
    std::vector<Edit> edits;  // in source order, none overlapping another
    bool preferred;           // the likeliest of the fixes of its error
};

// The fixes of one of the analysis's diagnostics. Each is checked before it
// is offered: the text with its edits applied reads with that error gone and
// no error that was not there before (moved by the edits); others that it
// caused may go too. None where no such fix is known.
std::vector<Fix> fixesOf(const Analysis& analysis, const Diagnostic& diagnostic);

}  // namespace analysis

#endif
