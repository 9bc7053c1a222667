#ifndef LOOPCOST_ANALYSIS_SYNTAX_H
#define LOOPCOST_ANALYSIS_SYNTAX_H

#include <cstddef>
#include <string_view>
#include <vector>

#include "loopcost/analysis/analysis.h"
#include "loopcost/analysis/reader.h"
#include "loopcost/analysis/text.h"

// The words of a program as the reader reads them, for the features that
// speak of keywords and words rather than of costs: one rule for what a
// keyword is, the reader's. Every answer is in byte offsets of the text.
namespace analysis {

// A loop as the reader read it.
struct LoopSyntax {
    Span keyword;  // its LOOP, or the word that stands for it
    Span header;   // the keyword and its count, or what stands where the count must
    Span end;      // its END; empty for a loop that the input left open
};

// What the reader tells of a program's keywords.
struct Syntax {
    Span begin{0, 0};               // the program's first word, or where it should be
    bool beginRead = false;         // that word is BEGIN
    Span end{0, 0};                 // the closing END; empty when it was not read
    std::size_t wordsEnd = 0;       // one past the last byte that is not white space, or 0
    std::vector<LoopSyntax> loops;  // by StatementInfo::loop
};

// The text read once more, for its keywords.
Syntax syntaxOf(std::string_view text);

// Calls visit(lexeme) for each lexeme that begins at `from` or after, in
// source order, until it returns false: the text is read from its start,
// and no further than that.
template <class Visit>
void eachLexeme(std::string_view text, std::size_t from, Visit visit) {
    class Adapter : public LexemeEvents {
    public:
        Adapter(std::size_t from, Visit& visit) : from(from), visit(visit) {}
        bool lexeme(const Lexeme& l) override { return l.offset < from || visit(l); }

    private:
        std::size_t from;
        Visit& visit;
    };
    NoEvents none;
    Adapter adapter(from, visit);
    Reader reader(none, &adapter);
    reader.read(text);
}

// The lexemes that begin in [from, to), in source order.
std::vector<Lexeme> lexemesOf(std::string_view text, std::size_t from, std::size_t to);

// The keyword that begins the program, or where it should be: the first
// word (after a byte-order mark).
Span programStart(const Analysis& analysis);
// The whole program: from its first word to its closing END, or to the end
// of its last word when it is not closed.
Span programSpan(const Analysis& analysis);
// "LOOP n", "LOOP 3": the keyword and its count.
Span headerOf(const Analysis& analysis, const StatementInfo& loop);

inline Span spanOf(const StatementInfo& s) {
    return Span{static_cast<std::size_t>(s.begin), static_cast<std::size_t>(s.end)};
}

}  // namespace analysis

#endif
