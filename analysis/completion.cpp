#include "loopcost/analysis/completion.h"

#include <algorithm>

#include "loopcost/analysis/syntax.h"

namespace analysis {

// The word being typed is the letters before the cursor; what may stand
// there follows from the lexeme before it, as the reader read it.
Completion completionAt(const Analysis& a, std::size_t offset) {
    const std::string_view text = a.text();
    offset = std::min(offset, text.size());
    std::size_t begin = offset;
    while (begin > 0 && isLetter(text[begin - 1]))
        --begin;
    Completion c{Span{begin, offset}, false, false};
    bool any = false;
    Lexeme previous{0, 0, LexemeKind::stray};
    eachLexeme(text, 0, [&](const Lexeme& l) {
        if (l.offset + l.length > begin)
            return false;
        any = true;
        previous = l;
        return true;
    });
    if (!any) {
        c.program = true;
        return c;
    }
    if (a.programEnd() > 0 && previous.offset + previous.length >= a.programEnd())
        return c;  // after the closing END
    const std::string_view word = text.substr(previous.offset, previous.length);
    c.statement = previous.kind == LexemeKind::semicolon || previous.kind == LexemeKind::count ||
                  (previous.kind == LexemeKind::keyword && word != "LOOP");
    return c;
}

}  // namespace analysis
