#ifndef LOOPCOST_ANALYSIS_LINEWALK_H
#define LOOPCOST_ANALYSIS_LINEWALK_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "loopcost/analysis/text.h"

namespace analysis {

// One line of a text: its bytes from `start` to `end`, the line end left
// out, and where the next line starts.
struct WalkedLine {
    std::size_t number;  // from 1
    std::size_t start;
    std::size_t end;
    std::size_t next;
};

// The lines of a text in order, front to back, without an index of them.
// The line ends are found 64 bytes at a time, as a mask with one bit per
// byte, and each line takes the next bit: lines of programs are a few dozen
// bytes, so that a search started once per line would cost more than the
// bytes. A line end at the very end of the text has no line after it; an
// empty text is one empty line.
class LineWalk {
public:
    explicit LineWalk(std::string_view text) : text(text), returns(hasCarriageReturn(text)), mask(endsAt(0)) {}

    // The next line, in `line`; false once the last one has been given.
    bool next(WalkedLine& line) {
        if (done)
            return false;
        const std::size_t start = nextStart;
        std::size_t end = text.size();
        for (;;) {
            while (mask == 0) {
                block += blockSize;
                if (block >= text.size())
                    break;
                mask = endsAt(block);
            }
            if (mask == 0)
                break;
            const std::size_t at = block + static_cast<std::size_t>(__builtin_ctzll(mask));
            mask &= mask - 1;
            // the "\n" of a "\r\n" belongs to the line before
            if (at >= start) {
                end = at;
                break;
            }
        }
        line = WalkedLine{number++, start, end, end + lineEndLength(text, end)};
        nextStart = line.next;
        done = line.next == text.size();
        return true;
    }

private:
    static constexpr std::size_t blockSize = 64;

    // A bit for each line-end byte of the block at `from`.
    std::uint64_t endsAt(std::size_t from) const {
        const char* const at = text.data() + from;
        const std::size_t count = std::min(blockSize, text.size() - from);
#if defined(__SSE2__)
        if (count == blockSize) {
            std::uint64_t found = 0;
            const __m128i lineFeed = _mm_set1_epi8('\n');
            const __m128i carriageReturn = _mm_set1_epi8(returns ? '\r' : '\n');
            for (std::size_t k = 0; k < blockSize; k += 16) {
                const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + k));
                const __m128i ends =
                    _mm_or_si128(_mm_cmpeq_epi8(bytes, lineFeed), _mm_cmpeq_epi8(bytes, carriageReturn));
                found |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(ends))) << k;
            }
            return found;
        }
#endif
        std::uint64_t found = 0;
        for (std::size_t k = 0; k < count; ++k)
            if (at[k] == '\n' || (returns && at[k] == '\r'))
                found |= std::uint64_t(1) << k;
        return found;
    }

    std::string_view text;
    bool returns;           // whether a lone "\r" may end a line, so that "\r" is looked for too
    std::size_t block = 0;  // offset of the 64 bytes whose line ends are in `mask`
    std::uint64_t mask;     // those not yet taken
    std::size_t nextStart = 0;
    std::size_t number = 1;  // of the next line
    bool done = false;
};

}  // namespace analysis

#endif
