#ifndef LOOPCOST_LSP_EDITABLETEXT_H
#define LOOPCOST_LSP_EDITABLETEXT_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "loopcost/lsp/gapbuffer.h"
#include "loopcost/lsp/position.h"

namespace lsp {

// A document's bytes and its lines, both changed in place, and LSP positions
// of it both ways. Lines end as the analysis's lines do (analysis/text.h),
// which is what the protocol says: at "\n", "\r\n" or a lone "\r". A byte that does not begin a well-formed UTF-8
// sequence counts as one unit in every encoding, so any text maps, whatever bytes it holds.
//
// A change costs what it changes, what lies between it and the last change
// (the bytes and the lines moved across), and the rest of its line only when
// it removes that line's first byte outside ASCII. Columns are counted from a
// line's first byte outside ASCII, or from the last place counted on the
// line when that lies before: positions asked for along a line, and changes
// typed on, count what lies between them. The lines are an array
// with a gap where the last change was; a line after the gap keeps its start
// as a distance from the end of the text, which a change before it leaves as
// it is.
class EditableText {
public:
    explicit EditableText(std::string text = std::string());

    std::size_t size() const { return bytes.size(); }
    void assign(std::string text);
    // The bytes [from, to) become `with`; offsets beyond the text are taken
    // as its end. Either the change is made whole or, when memory runs out,
    // not at all.
    void replace(std::size_t from, std::size_t to, std::string_view with);
    // The whole text, valid until the next change.
    std::string_view contiguous() { return bytes.contiguous(); }

    // An offset inside a character (the middle of a UTF-8 sequence) maps to
    // that character's start, or with `roundUp` to its end; an offset in a
    // line end to the end of its line; beyond the text to its end.
    Position positionOf(std::size_t offset, Encoding encoding, bool roundUp = false) const;
    // A character past the end of its line maps to the line's end, a line
    // past the last to the end of the text; a character inside a UTF-16
    // surrogate pair to the start of its code point.
    std::size_t offsetOf(Position position, Encoding encoding) const;

    std::size_t lineCount() const { return lines.size() - lineGapLength(); }
    std::size_t lineStart(std::size_t line) const;
    // One past the last byte of the line, its line end left out.
    std::size_t lineEnd(std::size_t line) const { return lineStart(line) + entry(line).length; }
    // The line that holds `offset` (a line end belongs to its line).
    std::size_t lineOf(std::size_t offset) const;

    // Bytes and lines moved or read by changes so far: what they cost.
    std::size_t changeWork() const { return work + bytes.bytesMoved(); }
    // Characters counted to map columns outside ASCII so far.
    std::size_t charactersCounted() const { return counted; }

private:
    static constexpr std::size_t none = static_cast<std::size_t>(-1);
    struct Line {
        std::size_t start;   // before the gap: the offset; after it: the text's size minus the offset
        std::size_t length;  // its bytes, its line end left out
        std::size_t wide;    // its first byte outside ASCII, from its start; `none` if none
    };
    struct Cursor {  // the last place counted, to go on from on the same line
        std::size_t line = none;
        std::size_t offset = 0;
        std::size_t units = 0;
        Encoding encoding = Encoding::utf16;
    };

    std::size_t lineGapLength() const { return lineGapEnd - lineGapBegin; }
    const Line& entry(std::size_t line) const { return lines[line < lineGapBegin ? line : line + lineGapLength()]; }
    // Where ASCII ends on a line: its first wide byte, or its end.
    std::size_t asciiEnd(std::size_t line) const;
    void index();
    // A change of the bytes [from, to) to `inserted` bytes, and its window
    // [w0, w1): the change widened by a '\r' before it and a '\n' after it,
    // so that no line end "\r\n" lies across its edges.
    struct Change {
        std::size_t from;
        std::size_t to;
        std::size_t inserted;
        std::size_t w0;
        std::size_t w1;
        // An offset at or after `to` in the text after the change.
        std::size_t shifted(std::size_t old) const { return old - to + from + inserted; }
    };
    std::vector<Line> linesAfter(const Change& change, std::size_t a, std::size_t b, std::string_view middle);
    void moveLineGap(std::size_t line);
    void reserveLines(std::size_t more);

    GapBuffer bytes;
    std::vector<Line> lines;  // with a gap [lineGapBegin, lineGapEnd) at the last change
    std::size_t lineGapBegin = 0;
    std::size_t lineGapEnd = 0;
    std::size_t work = 0;
    mutable Cursor cursor;
    mutable std::size_t counted = 0;
};

}  // namespace lsp

#endif
