#include "loopcost/analysis/text.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace analysis {

std::string escaped(std::string_view bytes, bool (*keep)(unsigned char)) {
    static const char hex[] = "0123456789abcdef";
    std::string shown;
    shown.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (keep(c)) {
            shown.push_back(ch);
        } else {
            shown += "\\x";
            shown.push_back(hex[c >> 4]);
            shown.push_back(hex[c & 0xf]);
        }
    }
    return shown;
}

std::string printable(std::string_view bytes) {
    return escaped(bytes, [](unsigned char c) { return c >= 0x20 && c < 0x7f; });
}

namespace {

// The length of the well-formed UTF-8 sequence of two to four bytes at the
// start of `bytes`, and its code point; 0 for any other.
std::size_t sequenceAt(std::string_view bytes, char32_t& point) {
    const auto lead = static_cast<unsigned char>(bytes[0]);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || bytes.size() < length)
        return 0;
    point = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(bytes[i]);
        if ((next & 0xC0) != 0x80)
            return 0;
        point = (point << 6) | (next & 0x3F);
    }
    const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (point < least[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
        return 0;
    return length;
}

// Controls, and the marks that change how the text around them is shown
// (zero widths, the direction overrides, invisible operators, the BOM).
bool showsAsItself(char32_t point) {
    return point >= 0xA0 && point != 0xAD && !(point >= 0x200B && point <= 0x200F) &&
           !(point >= 0x2028 && point <= 0x202E) && !(point >= 0x2060 && point <= 0x206F) && point != 0xFEFF &&
           !(point >= 0xFFF9 && point <= 0xFFFB);
}

}  // namespace

std::string printableCharacters(std::string_view bytes) {
    std::string shown;
    shown.reserve(bytes.size());
    while (!bytes.empty()) {
        char32_t point = 0;
        std::size_t length = sequenceAt(bytes, point);
        if (length == 0 || !showsAsItself(point)) {
            shown += printable(bytes.substr(0, 1));
            length = 1;
        } else {
            shown.append(bytes.substr(0, length));
        }
        bytes.remove_prefix(length);
    }
    return shown;
}

const char* findLineFeed(const char* from, const char* end) {
#if defined(__SSE2__)
    const __m128i lineFeed = _mm_set1_epi8('\n');
    for (; end - from >= 16; from += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        const int found = _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lineFeed));
        if (found != 0)
            return from + __builtin_ctz(static_cast<unsigned>(found));
    }
#endif
    return std::find(from, end, '\n');
}

const char* findLineEnd(const char* from, const char* end) {
#if defined(__SSE2__)
    const __m128i lineFeed = _mm_set1_epi8('\n');
    const __m128i carriageReturn = _mm_set1_epi8('\r');
    for (; end - from >= 16; from += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
        const int found =
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, lineFeed), _mm_cmpeq_epi8(bytes, carriageReturn)));
        if (found != 0)
            return from + __builtin_ctz(static_cast<unsigned>(found));
    }
#endif
    return std::find_if(from, end, isLineEndByte);
}

bool hasCarriageReturn(std::string_view text) { return text.find('\r') != std::string_view::npos; }

std::string lineEndOf(std::string_view text) {
    const char* const end = text.data() + text.size();
    const auto at = static_cast<std::size_t>(findLineEnd(text.data(), end) - text.data());
    return at == text.size() ? "\n" : std::string(text.substr(at, lineEndLength(text, at)));
}

std::string applied(std::string_view text, const std::vector<Edit>& edits) {
    std::string out;
    std::size_t at = 0;
    for (const Edit& e : edits) {
        out.append(text.substr(at, e.offset - at));
        out += e.text;
        at = e.offset + e.length;
    }
    out.append(text.substr(std::min(at, text.size())));
    return out;
}

// A text without a '\r' has only line feeds to look for, the faster.
LineIndex::LineIndex(std::string_view text) : text(text) {
    starts.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    starts.push_back(0);
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    if (!hasCarriageReturn(text)) {
        for (const char* at = findLineFeed(begin, end); at != end; at = findLineFeed(at + 1, end))
            starts.push_back(static_cast<std::size_t>(at - begin) + 1);
        return;
    }
    for (const char* at = findLineEnd(begin, end); at != end;) {
        const std::size_t next =
            static_cast<std::size_t>(at - begin) + lineEndLength(text, static_cast<std::size_t>(at - begin));
        starts.push_back(next);
        at = findLineEnd(begin + next, end);
    }
}

Place LineIndex::placeOf(std::size_t offset) const {
    const auto after = std::upper_bound(starts.begin(), starts.end(), offset);
    const auto line = static_cast<std::size_t>(after - starts.begin());
    return Place{line, offset - starts[line - 1] + 1};
}

std::size_t LineIndex::lineEnd(std::size_t line) const {
    if (line >= starts.size())
        return text.size();
    // the line end before the next line's start: "\r\n", or one byte
    const std::size_t next = starts[line];
    const bool crlf = next >= starts[line - 1] + 2 && text[next - 1] == '\n' && text[next - 2] == '\r';
    return next - (crlf ? 2 : 1);
}

}  // namespace analysis
