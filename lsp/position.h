#ifndef LOOPCOST_LSP_POSITION_H
#define LOOPCOST_LSP_POSITION_H

#include <cstddef>
#include <string_view>
#include <vector>

namespace lsp {

// What an LSP position's character counts: bytes, UTF-16 code units (the
// protocol's default) or code points.
enum class Encoding { utf8, utf16, utf32 };

// 0-based line and character, in the units of an encoding.
struct Position {
    std::size_t line = 0;
    std::size_t character = 0;
};

// Byte offsets of a text and LSP positions, both ways. Lines end as the
// protocol says: at "\n", "\r\n" or a lone "\r". A byte that does not begin
// a well-formed UTF-8 sequence counts as one unit in every encoding, so any
// text maps, whatever bytes it holds.
class PositionMap {
public:
    explicit PositionMap(std::string_view text);

    // An offset inside a character (the middle of a UTF-8 sequence) maps to
    // that character's start, or with `roundUp` to its end; an offset in a
    // line end to the end of its line; beyond the text to its end.
    Position positionOf(std::size_t offset, Encoding encoding, bool roundUp = false) const;
    // A character past the end of its line maps to the line's end, a line
    // past the last to the end of the text; a character inside a UTF-16
    // surrogate pair to the start of its code point.
    std::size_t offsetOf(Position position, Encoding encoding) const;

    std::size_t lineCount() const { return starts.size(); }
    std::size_t lineStart(std::size_t line) const { return starts[line]; }
    // One past the last byte of the line, its line end left out.
    std::size_t lineEnd(std::size_t line) const { return ends[line]; }
    // The line that holds `offset` (a line end belongs to its line).
    std::size_t lineOf(std::size_t offset) const;

private:
    struct Cursor {  // the last place counted, to go on from on the same line
        std::size_t line = static_cast<std::size_t>(-1);
        std::size_t offset = 0;
        std::size_t units = 0;
        Encoding encoding = Encoding::utf16;
    };

    std::string_view text;
    std::vector<std::size_t> starts;
    std::vector<std::size_t> ends;
    std::vector<std::size_t> firstWide;  // per line: its first byte outside ASCII, or its end
    mutable Cursor cursor;
};

// The bytes and units of the character that begins at text[at], read no
// further than `end`.
struct Character {
    std::size_t bytes;
    std::size_t units;
};
Character characterAt(std::string_view text, std::size_t at, std::size_t end, Encoding encoding);

}  // namespace lsp

#endif
