#ifndef LOOPCOST_ANALYSIS_TEXT_H
#define LOOPCOST_ANALYSIS_TEXT_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "largememory.h"

namespace analysis {

// Bytes outside printable ASCII written as \xHH, so that any text stays one
// clean line, each shown byte is as wide as it looks, and nothing (a NUL
// included) cuts it short.
std::string printable(std::string_view bytes);
// The same for the bytes that `keep` does not take.
std::string escaped(std::string_view bytes, bool (*keep)(unsigned char));

// White space as the readers see it: the C locale's.
inline bool isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The first line feed from `from` on, or `end`. Lines of programs are short:
// sixteen bytes are looked at a step, inline, instead of calling memchr once
// for each line.
const char* findLineEnd(const char* from, const char* end);

// A place in a text: 1-based line, and 1-based column in bytes (a tab is one).
struct Place {
    std::size_t line;
    std::size_t column;
};

// Where each line of a text begins, to turn byte offsets into places.
class LineIndex {
public:
    explicit LineIndex(std::string_view text);

    Place placeOf(std::size_t offset) const;
    std::size_t lineCount() const { return starts.size(); }
    // Offset of the first byte of 1-based `line`, and one past its last byte
    // (its line end left out, a CR before it too).
    std::size_t lineStart(std::size_t line) const { return starts[line - 1]; }
    std::size_t lineEnd(std::size_t line) const;

private:
    std::string_view text;
    std::vector<std::size_t, largememory::Allocator<std::size_t>> starts;
};

}  // namespace analysis

#endif
