#ifndef LOOPCOST_ANALYSIS_TOKENS_H
#define LOOPCOST_ANALYSIS_TOKENS_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "loopcost/analysis/analysis.h"

namespace analysis {

enum class TokenKind : std::uint8_t { keyword, count, variable, operation };

// A word of the language, for highlighting: a keyword (BEGIN, LOOP, END),
// a loop's count, a variable of a statement, or its '+' or '*'. `costliest`
// for those of a statement of the costliest order of growth.
struct Token {
    std::size_t offset;
    std::size_t length;
    TokenKind kind;
    bool costliest;
};

// The tokens that begin in [from, to), in source order, as the reader reads
// them; stray words and ';' make none.
std::vector<Token> tokens(const Analysis& analysis, std::size_t from, std::size_t to);

}  // namespace analysis

#endif
