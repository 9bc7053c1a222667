#ifndef LOOPCOST_CLI_JSON_H
#define LOOPCOST_CLI_JSON_H

#include <iosfwd>
#include <string>

class Polynomial;

// A JSON string literal of `bytes`: quotes, backslashes and control characters
// escaped; valid UTF-8 kept; each byte that is not part of valid UTF-8
// replaced by U+FFFD, so that the output is always valid JSON.
std::string jsonString(const std::string& bytes);

// A float as the shortest JSON number that reads back as the same float.
std::string jsonNumber(float value);

// One line: {"file": …, "degree": d, "coefficients": [c0, …], "text": "…", "order": "O(…)"}
// The cost must be finite.
void writeJson(std::ostream& out, const std::string& file, const Polynomial& cost);

#endif
