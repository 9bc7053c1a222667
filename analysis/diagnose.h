#ifndef LOOPCOST_ANALYSIS_DIAGNOSE_H
#define LOOPCOST_ANALYSIS_DIAGNOSE_H

#include <cstddef>
#include <string_view>

#include "analysis.h"

class SourceMap;
class SyntaxError;

namespace analysis {

// The library's syntax error in plain words, at the offending text: what was
// expected and what was found there. `map` holds what the reader recorded
// before it stopped; `start` is where the program text begins.
Diagnostic diagnose(const SyntaxError& error, std::string_view text, std::size_t start, const SourceMap& map,
                    const LineIndex& lines);

// Text that stands behind the closing END.
Diagnostic trailingText(std::string_view text, std::size_t offset, const LineIndex& lines);

}  // namespace analysis

#endif
