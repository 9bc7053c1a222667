#ifndef LOOPCOST_ANALYSIS_FORMAT_H
#define LOOPCOST_ANALYSIS_FORMAT_H

#include <cstddef>
#include <optional>

#include "loopcost/analysis/analysis.h"
#include "loopcost/analysis/text.h"

// The canonical layout, asked of a whole text or of a part of it, as one
// edit of the analysed text. Both keep the text's own line ends: those of its
// first line end ("\n", "\r\n" or a lone "\r"), "\n" when it has none.
namespace analysis {

// The canonical program with the text's line ends and its byte-order mark,
// as one edit of what lies between the start and the end that the two share.
// Nothing when the text has that layout already, or when it does not read.
std::optional<Edit> formatOf(const Analysis& analysis);

// The canonical layout of the whole statements and loops in [from, to): the
// outermost of those that the range touches, which lie side by side in one
// block, laid out as the canonical program lays them out there. Nothing when
// the layout is what stands there already, when no statement is touched, or
// when an error lies among them.
std::optional<Edit> layoutOf(const Analysis& analysis, std::size_t from, std::size_t to);

}  // namespace analysis

#endif
