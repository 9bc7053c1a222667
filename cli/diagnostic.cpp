#include "diagnostic.h"

#include <algorithm>
#include <ostream>

#include "analysis.h"
#include "text.h"

namespace {

// A longer line is cut around the offset: enough to recognise it, short
// enough for a terminal.
const std::size_t maxShownBytes = 100;

const char* const ellipsis = "...";

bool isControl(unsigned char c) { return c < 0x20 || c == 0x7f; }

}  // namespace

std::string printableName(const std::string& name) {
    return analysis::escaped(name, [](unsigned char c) { return !isControl(c); });
}

void writeDiagnostic(std::ostream& err, const std::string& name, std::string_view text,
                     const analysis::LineIndex& lines, const analysis::Diagnostic& diagnostic) {
    const analysis::Place place = diagnostic.place;
    err << printableName(name) << ':' << place.line << ':' << place.column << ": error: " << diagnostic.message << '\n';
    const std::size_t lineStart = lines.lineStart(place.line);
    std::size_t lineEnd = lines.lineEnd(place.line);
    if (lineEnd < diagnostic.offset)  // the offset is the CR of a CRLF
        lineEnd = diagnostic.offset;
    const std::size_t offset = diagnostic.offset;
    std::size_t from = lineStart;
    if (lineEnd - lineStart > maxShownBytes)  // keep some of what leads up to the offset
        from = std::max(lineStart, offset - std::min(offset, maxShownBytes * 3 / 5));
    const std::size_t to = std::min(lineEnd, from + maxShownBytes);
    const std::string lead = from > lineStart ? ellipsis : "";
    const std::string before = lead + analysis::printable(text.substr(from, offset - from));
    err << before << analysis::printable(text.substr(offset, to - std::min(to, offset)))
        << (to < lineEnd ? ellipsis : "") << '\n';
    err << std::string(before.size(), ' ') << "^\n";
}
