#ifndef LOOPCOST_CLI_DIAGNOSTIC_H
#define LOOPCOST_CLI_DIAGNOSTIC_H

#include <iosfwd>
#include <string>
#include <string_view>

namespace analysis {
struct Diagnostic;
class LineIndex;
}  // namespace analysis

// A file name for a message: only control characters are written as \xHH, so
// that names in UTF-8 stay readable while the message stays one line.
std::string printableName(const std::string& name);

// Writes "NAME:LINE:COL: error: MESSAGE", then the source line (at most
// 100 bytes of it, cut around the offset) and a caret under the offset.
void writeDiagnostic(std::ostream& err, const std::string& name, const analysis::Diagnostic& diagnostic);

#endif
