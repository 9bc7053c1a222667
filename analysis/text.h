#ifndef LOOPCOST_ANALYSIS_TEXT_H
#define LOOPCOST_ANALYSIS_TEXT_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "loopcost/model/largememory.h"

namespace analysis {

// Bytes outside printable ASCII written as \xHH, so that any text stays one
// clean line, each shown byte is as wide as it looks, and nothing (a NUL
// included) cuts it short.
std::string printable(std::string_view bytes);
// The same, but a character beyond ASCII that is well formed in UTF-8 and
// shows as itself (Θ, Ω, ², not a control, nor one that turns or hides
// text) is kept: for texts whose language has such characters, an answer.
std::string printableCharacters(std::string_view bytes);
// The same for the bytes that `keep` does not take.
std::string escaped(std::string_view bytes, bool (*keep)(unsigned char));

// The characters of the language, the same for every reader and every
// feature: white space as the C locale has it, line ends as the language
// server protocol has them ("\n", "\r\n" or a lone "\r"), lower-case
// variables and upper-case keywords.
inline constexpr bool isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline constexpr bool isLineEndByte(char c) { return c == '\n' || c == '\r'; }
// White space within a line: a blank that ends no line.
inline constexpr bool isLineBlank(char c) { return isBlank(c) && !isLineEndByte(c); }
inline constexpr bool isLower(char c) { return c >= 'a' && c <= 'z'; }
inline constexpr bool isUpper(char c) { return c >= 'A' && c <= 'Z'; }
inline constexpr bool isLetter(char c) { return isLower(c) || isUpper(c); }
inline constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A UTF-8 byte-order mark may begin a text; it is no part of the program,
// and offsets count it all the same.
inline constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";
inline std::size_t byteOrderMarkLength(std::string_view text) {
    return text.substr(0, byteOrderMark.size()) == byteOrderMark ? byteOrderMark.size() : 0;
}

// The bytes of the line end that begins at text[at]: 2 for "\r\n", 1 for
// "\n" or a lone "\r", 0 where no line end begins.
inline std::size_t lineEndLength(std::string_view text, std::size_t at) {
    if (at >= text.size() || !isLineEndByte(text[at]))
        return 0;
    return text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n' ? 2 : 1;
}

// The first byte of the first line end from `from` on, or `end`. Lines of
// programs are short: sixteen bytes are looked at a step, inline, instead of
// calling memchr once for each line.
const char* findLineEnd(const char* from, const char* end);
// The same where the text is known to hold no "\r": only line feeds are
// looked for, the faster.
const char* findLineFeed(const char* from, const char* end);
// Whether a text holds a "\r", so that its lines need the slower search.
bool hasCarriageReturn(std::string_view text);

// The bytes [begin, end) of a text.
struct Span {
    std::size_t begin;
    std::size_t end;
};

// `length` bytes at `offset` replaced by `text`.
struct Edit {
    std::size_t offset;
    std::size_t length;
    std::string text;
};

// The text with `edits` (in source order, none overlapping) applied.
std::string applied(std::string_view text, const std::vector<Edit>& edits);

// The line end that a text uses: that of its first line; "\n" for a text of
// one line.
std::string lineEndOf(std::string_view text);

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
    // (its line end left out).
    std::size_t lineStart(std::size_t line) const { return starts[line - 1]; }
    std::size_t lineEnd(std::size_t line) const;

private:
    std::string_view text;
    std::vector<std::size_t, largememory::Allocator<std::size_t>> starts;
};

}  // namespace analysis

#endif
