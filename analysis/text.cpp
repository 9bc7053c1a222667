#include "text.h"

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

LineIndex::LineIndex(std::string_view text) : text(text) {
    starts.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    starts.push_back(0);
    const char* const end = text.data() + text.size();
    for (const char* at = findLineFeed(text.data(), end); at != end; at = findLineFeed(at + 1, end))
        starts.push_back(static_cast<std::size_t>(at - text.data()) + 1);
}

Place LineIndex::placeOf(std::size_t offset) const {
    const auto after = std::upper_bound(starts.begin(), starts.end(), offset);
    const auto line = static_cast<std::size_t>(after - starts.begin());
    return Place{line, offset - starts[line - 1] + 1};
}

std::size_t LineIndex::lineEnd(std::size_t line) const {
    std::size_t end = line < starts.size() ? starts[line] - 1 : text.size();
    if (end > starts[line - 1] && text[end - 1] == '\r')
        --end;
    return end;
}

}  // namespace analysis
