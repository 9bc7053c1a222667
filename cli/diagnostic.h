#ifndef LOOPCOST_CLI_DIAGNOSTIC_H
#define LOOPCOST_CLI_DIAGNOSTIC_H

#include <ios>
#include <iosfwd>
#include <string>

class Source;

// Bytes outside printable ASCII written as \xHH, so that any text stays one
// clean line and each shown byte is as wide as it looks.
std::string printable(const std::string& bytes);

// A file name for a message: only control characters are written as \xHH, so
// that names in UTF-8 stay readable while the message stays one line.
std::string printableName(const std::string& name);

// Writes "NAME:LINE:COL: error: MESSAGE", then the source line (at most
// 100 bytes of it, cut around the offset) and a caret under the offset.
// Without an offset (-1) only "NAME: error: MESSAGE" is written.
void writeDiagnostic(std::ostream& err, Source& source, std::streamoff offset, const std::string& message);

#endif
