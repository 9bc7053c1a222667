#include "position.h"

#include <algorithm>

namespace lsp {

namespace {

bool continuation(unsigned char c) { return c >= 0x80 && c <= 0xBF; }

// The length of the well-formed UTF-8 sequence at text[at], or 0.
std::size_t sequenceLength(std::string_view text, std::size_t at, std::size_t end) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    unsigned char low = 0x80;  // the range of the second byte
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;  // no overlong forms
        if (lead == 0xED)
            high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;  // nothing beyond U+10FFFF
    } else {
        return 0;
    }
    if (end - at < length)
        return 0;
    const auto second = static_cast<unsigned char>(text[at + 1]);
    if (second < low || second > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (!continuation(static_cast<unsigned char>(text[at + i])))
            return 0;
    return length;
}

}  // namespace

Character characterAt(std::string_view text, std::size_t at, std::size_t end, Encoding encoding) {
    if (static_cast<unsigned char>(text[at]) < 0x80)
        return {1, 1};
    const std::size_t length = sequenceLength(text, at, end);
    if (length == 0)
        return {1, 1};  // a stray byte
    switch (encoding) {
    case Encoding::utf8: return {length, length};
    case Encoding::utf16: return {length, length == 4 ? 2U : 1U};
    case Encoding::utf32: return {length, 1};
    }
    return {length, 1};
}

PositionMap::PositionMap(std::string_view text) : text(text) {
    std::size_t start = 0;
    std::size_t wide = std::string_view::npos;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n' || c == '\r') {
            starts.push_back(start);
            ends.push_back(i);
            firstWide.push_back(std::min(wide, i));
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            start = i + 1;
            wide = std::string_view::npos;
        } else if (static_cast<unsigned char>(c) >= 0x80 && wide == std::string_view::npos) {
            wide = i;
        }
    }
    starts.push_back(start);
    ends.push_back(text.size());
    firstWide.push_back(std::min(wide, text.size()));
}

std::size_t PositionMap::lineOf(std::size_t offset) const {
    const auto after = std::upper_bound(starts.begin(), starts.end(), offset);
    return static_cast<std::size_t>(after - starts.begin()) - 1;
}

Position PositionMap::positionOf(std::size_t offset, Encoding encoding, bool roundUp) const {
    offset = std::min(offset, text.size());
    const std::size_t line = lineOf(offset);
    const std::size_t start = starts[line];
    offset = std::min(offset, ends[line]);
    if (encoding == Encoding::utf8 || offset <= firstWide[line])
        return Position{line, offset - start};
    // from the first wide byte on, or from where the last count stopped
    std::size_t at = firstWide[line];
    std::size_t units = at - start;
    if (cursor.line == line && cursor.encoding == encoding && cursor.offset <= offset && cursor.offset >= at) {
        at = cursor.offset;
        units = cursor.units;
    }
    const std::size_t end = ends[line];
    while (at < offset) {
        const Character c = characterAt(text, at, end, encoding);
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

std::size_t PositionMap::offsetOf(Position position, Encoding encoding) const {
    if (position.line >= starts.size())
        return text.size();
    const std::size_t start = starts[position.line];
    const std::size_t end = ends[position.line];
    const std::size_t ascii = firstWide[position.line] - start;
    if (encoding == Encoding::utf8 || position.character <= ascii)
        return std::min(start + position.character, end);
    std::size_t at = firstWide[position.line];
    std::size_t units = ascii;
    while (at < end) {
        const Character c = characterAt(text, at, end, encoding);
        if (units + c.units > position.character)
            break;  // the position is inside this character, or at its start
        at += c.bytes;
        units += c.units;
    }
    return at;
}

}  // namespace lsp
