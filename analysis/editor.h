#ifndef LOOPCOST_ANALYSIS_EDITOR_H
#define LOOPCOST_ANALYSIS_EDITOR_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysis.h"

// What an editor asks of a program beyond its costs: fixes for its errors,
// the spans of its blocks, its words by kind, and what may be typed where.
// Every answer is in byte offsets of the analysed text; a front-end only
// turns them into its own positions.
namespace analysis {

// The bytes [begin, end) of the text.
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

// A change that mends one error.
struct Fix {
    std::string title;
    std::vector<Edit> edits;  // in source order, none overlapping another
    bool preferred;           // the likeliest of the fixes of its error
};

// The fixes of one of the analysis's diagnostics. Each is checked before it
// is offered: the text with its edits applied reads with that error gone and
// no error that was not there before (moved by the edits); others that it
// caused may go too. None where no such fix is known.
std::vector<Fix> fixesOf(const Analysis& analysis, const Diagnostic& diagnostic);

// The text with `edits` (in source order, none overlapping) applied.
std::string applied(std::string_view text, const std::vector<Edit>& edits);

// The keyword that begins the program, or where it should be: the first
// byte that is not white space (after a byte-order mark).
Span programStart(const Analysis& analysis);
// The whole program: from its first word to its closing END, or to the end
// of its last word when it is not closed.
Span programSpan(const Analysis& analysis);
// "LOOP n", "LOOP 3": the keyword and its count.
Span headerOf(const Analysis& analysis, const StatementInfo& loop);

// One fold per loop whose END was read: from its LOOP to `end`, the last
// byte of the folded text; the END stays in view when it begins its line.
std::vector<Span> loopFolds(const Analysis& analysis);

// At a LOOP or its END (or right after one), both keywords, LOOP first; at
// the program's BEGIN or its closing END, those two. Otherwise none.
std::vector<Span> pairedKeywords(const Analysis& analysis, std::size_t offset);

// What holds `offset`, innermost first: the word there, the statement, the
// loops around it, the program. Each holds the one before and is larger.
std::vector<Span> enclosingSpans(const Analysis& analysis, std::size_t offset);

enum class TokenKind : std::uint8_t { keyword, count, variable, operation };

// A word of the language: a keyword (BEGIN, LOOP, END), a loop's count, a
// variable of a statement, or its '+' or '*'. `costliest` for those of a
// statement of the costliest order of growth.
struct Token {
    std::size_t offset;
    std::size_t length;
    TokenKind kind;
    bool costliest;
};

// The tokens that begin in [from, to), in source order, found in one pass
// forward over the text; bytes that no program holds make none.
std::vector<Token> tokens(const Analysis& analysis, std::size_t from, std::size_t to);

// What may be typed at `offset`: the word being typed there (which a
// completion replaces) and whether it may be the program's BEGIN or the
// beginning of a statement (a LOOP, or an END closing the block).
struct Completion {
    Span word;
    bool program;
    bool statement;
};
Completion completionAt(const Analysis& analysis, std::size_t offset);

}  // namespace analysis

#endif
