#include "loopcost/analysis/syntax.h"

#include <algorithm>

namespace analysis {

namespace {

// Notes the spans of the keywords of each loop as its events come: the
// lexemes read since the last event are those of its LOOP, its count and
// its END.
class SyntaxRecorder : public ReadEvents, public LexemeEvents {
public:
    explicit SyntaxRecorder(Syntax& syntax) : syntax(syntax) {}

    bool lexeme(const Lexeme& l) override {
        if (!seen) {
            seen = true;
            first = l;
        }
        pending.push_back(l);
        syntax.wordsEnd = l.offset + l.length;
        return true;
    }
    void loopBegins(std::size_t offset, Place, std::int32_t) override {
        LoopSyntax loop{Span{offset, offset}, Span{offset, offset}, Span{0, 0}};
        for (const Lexeme& l : pending) {
            if (l.offset < offset)
                continue;
            if (l.offset == offset)
                loop.keyword.end = offset + l.length;
            loop.header.end = l.offset + l.length;
        }
        open.push_back(syntax.loops.size());
        syntax.loops.push_back(loop);
        pending.clear();
    }
    void loopEnds(std::size_t end) override {
        for (const Lexeme& l : pending)
            if (l.kind == LexemeKind::keyword && l.offset + l.length == end)
                syntax.loops[open.back()].end = Span{l.offset, end};
        open.pop_back();
        pending.clear();
    }
    void statement(std::size_t, std::size_t, Place, int, int) override { pending.clear(); }

    bool seen = false;
    Lexeme first{0, 0, LexemeKind::stray};

private:
    Syntax& syntax;
    std::vector<Lexeme> pending;
    std::vector<std::size_t> open;
};

}  // namespace

Syntax syntaxOf(std::string_view text) {
    Syntax syntax;
    SyntaxRecorder recorder(syntax);
    Reader reader(recorder, &recorder);
    reader.read(text);
    syntax.begin = reader.programStart();
    syntax.beginRead =
        recorder.seen && recorder.first.kind == LexemeKind::keyword && recorder.first.offset == syntax.begin.begin;
    syntax.end = reader.closingKeyword();
    return syntax;
}

std::vector<Lexeme> lexemesOf(std::string_view text, std::size_t from, std::size_t to) {
    std::vector<Lexeme> kept;
    eachLexeme(text, from, [&kept, to](const Lexeme& l) {
        if (l.offset >= to)
            return false;
        kept.push_back(l);
        return true;
    });
    return kept;
}

const Syntax& Analysis::syntax() const {
    if (!syntaxRead)
        syntaxRead = std::make_unique<Syntax>(syntaxOf(programText));
    return *syntaxRead;
}

Span programStart(const Analysis& a) { return a.syntax().begin; }

Span programSpan(const Analysis& a) {
    const std::size_t begin = programStart(a).begin;
    const std::size_t end = a.programEnd() > 0 ? a.programEnd() : std::max(begin, a.syntax().wordsEnd);
    return Span{begin, end};
}

Span headerOf(const Analysis& a, const StatementInfo& loop) {
    const Span header = a.syntax().loops[static_cast<std::size_t>(loop.loop)].header;
    return Span{header.begin, std::min(header.end, spanOf(loop).end)};
}

}  // namespace analysis
