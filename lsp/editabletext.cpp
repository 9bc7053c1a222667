#include "loopcost/lsp/editabletext.h"

#include <algorithm>
#include <utility>

#include "loopcost/analysis/text.h"

namespace lsp {

namespace {

bool wide(char c) { return static_cast<unsigned char>(c) >= 0x80; }

}  // namespace

EditableText::EditableText(std::string text) { assign(std::move(text)); }

void EditableText::assign(std::string text) {
    std::vector<Line> fresh;
    Line line{0, 0, none};
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (analysis::isLineEndByte(c)) {
            line.length = i - line.start;
            fresh.push_back(line);
            i += analysis::lineEndLength(text, i) - 1;
            line = Line{i + 1, 0, none};
        } else if (wide(c) && line.wide == none) {
            line.wide = i - line.start;
        }
    }
    line.length = text.size() - line.start;
    fresh.push_back(line);
    // nothing changes before every allocation is made
    bytes.assign(std::move(text));
    lines = std::move(fresh);
    lineGapBegin = lineGapEnd = lines.size();
    cursor = Cursor();
}

std::size_t EditableText::lineStart(std::size_t line) const {
    const Line& l = entry(line);
    return line < lineGapBegin ? l.start : size() - l.start;
}

std::size_t EditableText::asciiEnd(std::size_t line) const {
    const Line& l = entry(line);
    return lineStart(line) + (l.wide == none ? l.length : l.wide);
}

std::size_t EditableText::lineOf(std::size_t offset) const {
    std::size_t low = 0;  // line 0 starts at 0: the last line starting at or before `offset`
    std::size_t high = lineCount();
    while (high - low > 1) {
        const std::size_t middle = low + (high - low) / 2;
        if (lineStart(middle) <= offset)
            low = middle;
        else
            high = middle;
    }
    return low;
}

void EditableText::moveLineGap(std::size_t line) {
    const std::size_t total = size();
    if (line < lineGapBegin) {  // lines [line, lineGapBegin) go after the gap: starts from the end
        const std::size_t count = lineGapBegin - line;
        for (std::size_t i = count; i-- > 0;) {
            Line l = lines[line + i];
            l.start = total - l.start;
            lines[lineGapEnd - count + i] = l;
        }
        lineGapBegin -= count;
        lineGapEnd -= count;
        work += count;
    } else if (line > lineGapBegin) {  // lines after the gap come before it: starts from the beginning
        const std::size_t count = line - lineGapBegin;
        for (std::size_t i = 0; i < count; ++i) {
            Line l = lines[lineGapEnd + i];
            l.start = total - l.start;
            lines[lineGapBegin + i] = l;
        }
        lineGapBegin += count;
        lineGapEnd += count;
        work += count;
    }
}

void EditableText::reserveLines(std::size_t more) {
    if (lineGapLength() >= more)
        return;
    const std::size_t count = lineCount();
    const std::size_t gap = std::max({more, count / 8, std::size_t(64)});
    std::vector<Line> grown(count + gap);
    std::copy(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(lineGapBegin), grown.begin());
    std::copy(lines.begin() + static_cast<std::ptrdiff_t>(lineGapEnd), lines.end(),
              grown.begin() + static_cast<std::ptrdiff_t>(lineGapBegin + gap));
    lines.swap(grown);
    lineGapEnd = lineGapBegin + gap;
    work += count;
}

// The lines that replace lines a to b once the change is made, their offsets
// in the new text. `middle` is what the change's window becomes. Before the
// window, line a is as it was; after it, line b.
std::vector<EditableText::Line> EditableText::linesAfter(const Change& change, std::size_t a, std::size_t b,
                                                         std::string_view middle) {
    const std::size_t w0 = change.w0;
    const std::size_t w1 = change.w1;
    std::vector<Line> fresh;
    const std::size_t startA = lineStart(a);
    Line line{startA, 0, none};
    if (entry(a).wide != none && startA + entry(a).wide < w0)
        line.wide = entry(a).wide;
    for (std::size_t k = 0; k < middle.size(); ++k) {
        const char c = middle[k];
        if (analysis::isLineEndByte(c)) {
            line.length = w0 + k - line.start;
            fresh.push_back(line);
            k += analysis::lineEndLength(middle, k) - 1;
            line = Line{w0 + k + 1, 0, none};
        } else if (wide(c) && line.wide == none) {
            line.wide = w0 + k - line.start;
        }
    }
    work += middle.size();
    // the rest of line b, from w1 (at most its end) on, is as it was
    const std::size_t startB = lineStart(b);
    const std::size_t endB = startB + entry(b).length;
    line.length = change.shifted(endB) - line.start;
    if (line.wide == none && entry(b).wide != none) {
        std::size_t at = startB + entry(b).wide;
        if (at < w1) {  // line b's first wide byte is gone: the next one after the window, if any
            at = w1;
            while (at < endB && !wide(bytes[at]))
                ++at;
            work += at - w1;
        }
        if (at < endB)
            line.wide = change.shifted(at) - line.start;
    }
    fresh.push_back(line);
    return fresh;
}

void EditableText::replace(std::size_t from, std::size_t to, std::string_view with) {
    from = std::min(from, size());
    to = std::min(to, size());
    if (to < from)
        std::swap(from, to);
    Change change{from, to, with.size(), from, to};
    if (from > 0 && bytes[from - 1] == '\r')
        change.w0 = from - 1;
    if (to < size() && bytes[to] == '\n')
        change.w1 = to + 1;
    std::string middle;  // what the window becomes
    middle.reserve(with.size() + 2);
    if (change.w0 < from)
        middle += '\r';
    middle.append(with.data(), with.size());
    if (change.w1 > to)
        middle += '\n';
    const std::size_t a = lineOf(change.w0);
    const std::size_t b = lineOf(change.w1);
    // what may throw comes first; then the gap moves, the bytes change (or,
    // out of memory, do not) and the lines follow, which cannot fail
    const std::vector<Line> fresh = linesAfter(change, a, b, middle);
    const std::size_t replaced = b - a + 1;
    if (fresh.size() > replaced)
        reserveLines(fresh.size() - replaced);
    moveLineGap(a);
    bytes.replace(from, to, with);
    lineGapEnd += replaced;
    for (const Line& line : fresh)
        lines[lineGapBegin++] = line;
    if (cursor.offset > change.w0)  // else the text up to the cursor is as it was
        cursor = Cursor();
}

Position EditableText::positionOf(std::size_t offset, Encoding encoding, bool roundUp) const {
    offset = std::min(offset, size());
    const std::size_t line = lineOf(offset);
    const std::size_t start = lineStart(line);
    const std::size_t end = lineEnd(line);
    offset = std::min(offset, end);
    const std::size_t ascii = asciiEnd(line);
    if (encoding == Encoding::utf8 || offset <= ascii)
        return Position{line, offset - start};
    // from the first wide byte on, or from where the last count stopped
    std::size_t at = ascii;
    std::size_t units = ascii - start;
    if (cursor.line == line && cursor.encoding == encoding && cursor.offset <= offset && cursor.offset >= at) {
        at = cursor.offset;
        units = cursor.units;
    }
    // the bytes up to the character that holds `offset`, at most 3 beyond it
    std::string scratch;
    const std::size_t base = at;
    const std::string_view text = bytes.view(base, std::min(end, offset + 3), scratch);
    while (at < offset) {
        const Character c = characterAt(text, at - base, text.size(), encoding);
        ++counted;
        if (at + c.bytes > offset) {  // inside this character
            if (roundUp) {
                cursor = Cursor{line, at, units, encoding};
                return Position{line, units + c.units};
            }
            break;
        }
        at += c.bytes;
        units += c.units;
    }
    cursor = Cursor{line, at, units, encoding};
    return Position{line, units};
}

std::size_t EditableText::offsetOf(Position position, Encoding encoding) const {
    if (position.line >= lineCount())
        return size();
    const std::size_t start = lineStart(position.line);
    const std::size_t end = lineEnd(position.line);
    const std::size_t ascii = asciiEnd(position.line);
    if (encoding == Encoding::utf8 || position.character <= ascii - start)
        return std::min(start + position.character, end);
    // from the first wide byte on, or from where the last count stopped
    std::size_t at = ascii;
    std::size_t units = ascii - start;
    if (cursor.line == position.line && cursor.encoding == encoding && cursor.units <= position.character &&
        cursor.offset >= at) {
        at = cursor.offset;
        units = cursor.units;
    }
    // a unit is at most 4 bytes: the bytes of the units still to count and
    // of the character at the position
    const std::size_t needed = position.character - units;
    const std::size_t span = needed < (end - at) / 4 ? needed * 4 + 4 : end - at;
    std::string scratch;
    const std::string_view text = bytes.view(at, at + span, scratch);
    const std::size_t base = at;
    while (at < base + text.size()) {
        const Character c = characterAt(text, at - base, text.size(), encoding);
        ++counted;
        if (units + c.units > position.character)
            break;  // the position is inside this character, or at its start
        at += c.bytes;
        units += c.units;
    }
    cursor = Cursor{position.line, at, units, encoding};
    return at;
}

}  // namespace lsp
