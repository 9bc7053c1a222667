#ifndef LOOPCOST_CLI_JSON_H
#define LOOPCOST_CLI_JSON_H

#include <iosfwd>
#include <string>

namespace analysis {
class Analysis;
struct Diagnostic;
}  // namespace analysis

// A JSON string literal of `bytes`: quotes, backslashes and control characters
// escaped; valid UTF-8 kept; each byte that is not part of valid UTF-8
// replaced by U+FFFD, so that the output is always valid JSON.
std::string jsonString(const std::string& bytes);

// One line: {"file", "degree", "coefficients", "text", "order", "additions",
// "multiplications", "statements": [{"kind", "line", "column", "text",
// "degree", "coefficients", "cost", "share"}, ...]}, every coefficient an
// exact JSON number.
void writeJson(std::ostream& out, const std::string& file, const analysis::Analysis& program);

// One line in place of a program that failed: {"file", "error": {"line",
// "column", "message"}}; without a diagnostic (the file could not be read),
// line and column are null.
void writeJsonFailure(std::ostream& out, const std::string& file, const analysis::Diagnostic* where,
                      const std::string& message);

#endif
