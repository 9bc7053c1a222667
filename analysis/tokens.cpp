#include "loopcost/analysis/tokens.h"

#include "loopcost/analysis/hot.h"
#include "loopcost/analysis/syntax.h"

namespace analysis {

std::vector<Token> tokens(const Analysis& a, std::size_t from, std::size_t to) {
    const Analysis::Statements& parts = a.statements();
    // the costliest order: that of the costliest statement, if it costs anything
    int order = -1;
    const std::vector<const StatementInfo*> costliest = hottest(a, 1);
    if (!costliest.empty() && !a.costOf(*costliest.front()).isZero())
        order = costliest.front()->power;
    std::size_t next = 0;               // the first statement that may hold the next token
    std::size_t judged = parts.size();  // the statement whose order was looked at last
    bool hot = false;
    const auto inCostliest = [&](std::size_t offset) {
        if (order < 0)
            return false;
        while (next < parts.size() && (parts[next].isLoop() || spanOf(parts[next]).end <= offset))
            ++next;
        if (next == parts.size() || spanOf(parts[next]).begin > offset)
            return false;
        if (judged != next) {
            const StatementInfo& s = parts[next];
            judged = next;
            hot = s.costed && s.power == order && !a.costOf(s).isZero();
        }
        return hot;
    };
    std::vector<Token> found;
    for (const Lexeme& l : lexemesOf(a.text(), from, to)) {
        TokenKind kind;
        switch (l.kind) {
        case LexemeKind::keyword: kind = TokenKind::keyword; break;
        case LexemeKind::count: kind = TokenKind::count; break;
        case LexemeKind::variable: kind = TokenKind::variable; break;
        case LexemeKind::operation: kind = TokenKind::operation; break;
        default: continue;
        }
        const bool statementPart = kind == TokenKind::variable || kind == TokenKind::operation;
        found.push_back(Token{l.offset, l.length, kind, statementPart && inCostliest(l.offset)});
    }
    return found;
}

}  // namespace analysis
