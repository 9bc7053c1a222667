#ifndef LOOPCOST_CLI_JSON_H
#define LOOPCOST_CLI_JSON_H

#include <iosfwd>
#include <string>
#include <vector>

#include "loopcost/analysis/number.h"

namespace analysis {
class Analysis;
struct Comparison;
struct Diagnostic;
}  // namespace analysis

// A JSON string literal of `bytes`: quotes, backslashes and control characters
// escaped; valid UTF-8 kept; each byte that is not part of valid UTF-8
// replaced by U+FFFD, so that the output is always valid JSON.
std::string jsonString(const std::string& bytes);

// One line: {"file", "degree", "coefficients", "text", "order", ["at": {"N":
// value, ...},] "additions", "multiplications", "statements": [{"kind",
// "line", "column", "text", "degree", "coefficients", "cost", "share",
// "runs", "own": {"additions", "multiplications"}}, ...]}, every number
// exact; `members`, JSON text such as `, "derivation": {...}`, before the
// closing brace.
void writeJson(std::ostream& out, const std::string& file, const analysis::Analysis& program,
               const std::vector<analysis::Integer>& at, const std::string& members = {});

// One line in place of a program that failed: {"file", "error": {"line",
// "column", "message"}}; without a diagnostic (the file could not be read),
// line and column are null.
void writeJsonFailure(std::ostream& out, const std::string& file, const analysis::Diagnostic* where,
                      const std::string& message);

// One side of a comparison: a program that reads, or why it failed.
struct ComparedFile {
    std::string name;
    const analysis::Analysis* program = nullptr;  // null when the file could not be read
    const analysis::Diagnostic* where = nullptr;  // the first error, if the program has errors
    std::string failure;                          // what went wrong, if anything
};

// One line: {"first": {...}, "second": {...}, "runs": [{"from", "to",
// "cheaper"}, ...], "faster", "text"}, each side as writeJson or
// writeJsonFailure writes it; "runs" null, and nothing after it, when a side
// failed (`comparison` null).
void writeJsonComparison(std::ostream& out, const ComparedFile& first, const ComparedFile& second,
                         const analysis::Comparison* comparison);

#endif
