#ifndef LOOPCOST_ANALYSIS_CANONICAL_H
#define LOOPCOST_ANALYSIS_CANONICAL_H

#include <cstddef>
#include <string>
#include <string_view>

#include "loopcost/analysis/analysis.h"

// The canonical text of one statement or loop, written in place: for the
// writers of millions of statements (JSON, layouts), which Analysis's
// canonicalText would make a string for each.
namespace analysis {

// Room enough for the canonical text of any statement or loop.
const std::size_t canonicalRoom = 3 * Reader::maxStatementLength + 2;

// "a + b * c ;" for a statement of `text`, "LOOP n" or "LOOP 3" for a loop,
// written at `at`, which has room for canonicalRoom bytes; returns its end.
char* writeCanonicalText(char* at, std::string_view text, const StatementInfo& statement);
void appendCanonicalText(std::string& out, std::string_view text, const StatementInfo& statement);

}  // namespace analysis

#endif
