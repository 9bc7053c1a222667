#include "loopcost/cli/diagnostic.h"

#include <algorithm>
#include <ostream>

#include "loopcost/analysis/analysis.h"
#include "loopcost/analysis/text.h"

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

// The line as the reader saw it around the offset; a line longer than
// `maxShownBytes` is shown from a little before the offset.
void writeDiagnostic(std::ostream& err, const std::string& name, const analysis::Diagnostic& diagnostic) {
    const analysis::Place place = diagnostic.place;
    err << printableName(name) << ':' << place.line << ':' << place.column << ": error: " << diagnostic.message << '\n';
    const analysis::Excerpt& line = diagnostic.excerpt;
    const bool longLine = line.moreBefore || line.moreAfter || line.before.size() + line.after.size() > maxShownBytes;
    std::size_t shownBefore = line.before.size();
    if (longLine)  // keep some of what leads up to the offset
        shownBefore = std::min(shownBefore, maxShownBytes * 3 / 5);
    const std::size_t shownAfter = std::min(line.after.size(), maxShownBytes - shownBefore);
    const bool cutBefore = shownBefore < line.before.size() || line.moreBefore;
    const bool cutAfter = shownAfter < line.after.size() || line.moreAfter;
    const std::string before =
        (cutBefore ? ellipsis : "") +
        analysis::printable(std::string_view(line.before).substr(line.before.size() - shownBefore));
    err << before << analysis::printable(std::string_view(line.after).substr(0, shownAfter))
        << (cutAfter ? ellipsis : "") << '\n';
    err << std::string(before.size(), ' ') << "^\n";
}
