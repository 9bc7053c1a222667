#include "diagnose.h"

#include <string>

#include "sourcemap.h"
#include "syntaxerror.h"

namespace analysis {

namespace {

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }
bool endsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}
bool isVariable(char c) { return c >= 'a' && c <= 'z'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Where the word at `offset` ends: at white space or the end.
std::size_t wordEnd(std::string_view text, std::size_t offset) {
    while (offset < text.size() && !isBlank(text[offset]))
        ++offset;
    return offset;
}

std::string inQuotes(std::string_view bytes) { return "'" + printable(bytes) + "'"; }

// What the reader knew of the text when it stopped.
class Context {
public:
    Context(std::string_view text, std::size_t start, const SourceMap& map, const LineIndex& lines)
        : text(text), start(start), map(map), lines(lines) {}

    // The word at `offset`: up to white space or the end.
    std::string_view wordAt(std::size_t offset) const { return text.substr(offset, wordEnd(text, offset) - offset); }

    std::string placeText(std::size_t offset) const {
        const Place p = lines.placeOf(offset);
        return std::to_string(p.line) + ":" + std::to_string(p.column);
    }

    std::size_t firstWord() const {
        std::size_t i = start;
        while (i < text.size() && isBlank(text[i]))
            ++i;
        return i;
    }

    // The statement being read when the reader stopped, and the loop around
    // the place where it stopped: the last ones whose end was not recorded.
    const SourceMap::Span* openStatement() const {
        const auto& spans = map.statements();
        for (std::size_t i = spans.size(); i-- > 0;)
            if (spans[i].end < 0)
                return &spans[i];
        return nullptr;
    }
    const SourceMap::Span* openLoop() const {
        const auto& spans = map.statements();
        for (std::size_t i = spans.size(); i-- > 0;)
            if (spans[i].end < 0 && text[static_cast<std::size_t>(spans[i].begin)] == 'L')
                return &spans[i];
        return nullptr;
    }

    // "the LOOP at 3:5" around the place, or "BEGIN at 1:1".
    std::string block() const {
        const SourceMap::Span* loop = openLoop();
        if (loop)
            return "the LOOP at " + placeText(static_cast<std::size_t>(loop->begin));
        return "BEGIN at " + placeText(firstWord());
    }
    std::string unclosedBlock() const {
        const SourceMap::Span* loop = openLoop();
        if (loop)
            return "LOOP at " + placeText(static_cast<std::size_t>(loop->begin)) + " is not closed";
        return "BEGIN at " + placeText(firstWord()) + " is not closed";
    }

    std::string_view text;
    std::size_t start;
    const SourceMap& map;
    const LineIndex& lines;
};

struct Found {
    std::size_t offset;
    std::size_t length;
    std::string message;
};

const char* const endOfInput = "unexpected end of input: ";

Found programFault(const Context& c, std::string_view what, std::size_t at) {
    if (endsWith(what, "unexpected end of input")) {
        if (c.firstWord() == c.text.size())
            return {at, 0, std::string(endOfInput) + "expected 'BEGIN'"};
        return {at, 0, endOfInput + c.unclosedBlock()};
    }
    const std::string_view word = c.wordAt(at);
    if (at == c.firstWord())
        return {at, word.size(), "expected 'BEGIN', found " + inQuotes(word)};
    return {at, word.size(), "expected 'END' to close " + c.block() + ", found " + inQuotes(word)};
}

Found listFault(const Context& c, std::string_view what, std::size_t at) {
    if (endsWith(what, "unexpected end of input"))
        return {at, 0, endOfInput + c.unclosedBlock()};
    const std::string_view word = c.wordAt(at);
    return {at, word.size(), "expected a statement, found " + inQuotes(word)};
}

Found countFault(const Context& c, std::size_t at) {
    const std::string_view word = c.wordAt(at);
    std::size_t digits = word.size() > 0 && (word[0] == '+' || word[0] == '-') ? 1 : 0;
    const std::size_t sign = digits;
    while (digits < word.size() && isDigit(word[digits]))
        ++digits;
    if (digits > sign)
        return {at, digits, "loop count " + inQuotes(word.substr(0, digits)) + " does not fit in 32 bits"};
    return {at, word.size(), "expected a loop count ('n' or a whole number), found " + inQuotes(word)};
}

Found loopFault(const Context& c, std::string_view what, std::size_t at) {
    const SourceMap::Span* loop = c.openLoop();
    if (endsWith(what, "loops nested deeper than 1000"))
        return {at, 4, "loops nested deeper than 1000"};
    if (endsWith(what, "bad loop count"))
        return countFault(c, at);
    if (endsWith(what, "unexpected end of input")) {
        if (loop) {
            std::size_t i = static_cast<std::size_t>(loop->begin) + 4;
            while (i < c.text.size() && isBlank(c.text[i]))
                ++i;
            if (i == c.text.size())
                return {at, 0,
                        std::string(endOfInput) + "expected a loop count after the LOOP at " +
                            c.placeText(static_cast<std::size_t>(loop->begin))};
        }
        return {at, 0, endOfInput + c.unclosedBlock()};
    }
    const std::string_view word = c.wordAt(at);
    if (loop && static_cast<std::size_t>(loop->begin) == at)
        return {at, word.size(), "expected 'LOOP', found " + inQuotes(word)};
    return {at, word.size(), "expected 'END' to close " + c.block() + ", found " + inQuotes(word)};
}

// The expression level knows no positions; the statement's own bytes show
// the first fault from the left.
Found expressionFault(const Context& c, std::string_view what, std::size_t at) {
    bool expectVariable = true;
    char previous = 0;
    for (std::size_t i = at; i < c.text.size(); ++i) {
        const char ch = c.text[i];
        if (isBlank(ch))
            continue;
        const bool variable = isVariable(ch);
        if (variable && !expectVariable)
            return {i, 1,
                    "expected '+' or '*' between " + inQuotes(std::string(1, previous)) + " and " +
                        inQuotes(std::string(1, ch))};
        if (!variable && expectVariable) {
            const std::string after = previous ? " after " + inQuotes(std::string(1, previous)) : "";
            return {i, 1, "expected a variable" + after + ", found " + inQuotes(std::string(1, ch))};
        }
        if (ch == ';')
            break;
        expectVariable = !variable;
        previous = ch;
    }
    return {at, 1, printable(what)};
}

Found statementFault(const Context& c, std::string_view what, std::size_t at) {
    const SourceMap::Span* statement = c.openStatement();
    const std::size_t begin = statement ? static_cast<std::size_t>(statement->begin) : at;
    if (endsWith(what, "unexpected end of input"))
        return {at, 0, std::string(endOfInput) + "expected ';' to end the statement at " + c.placeText(begin)};
    if (endsWith(what, "expression longer than 99 characters")) {
        const std::size_t semicolon = c.text.find(';', at);
        const std::size_t end = semicolon == std::string_view::npos ? c.text.size() : semicolon + 1;
        return {at, end - at, "statement longer than 99 characters (white space not counted)"};
    }
    if (at >= c.text.size())
        return {at, 0, printable(what)};
    return {at, 1, "expected a variable, '+', '*' or ';', found " + inQuotes(c.text.substr(at, 1))};
}

Found classify(const Context& c, std::string_view what, std::size_t at) {
    if (startsWith(what, "Program("))
        return programFault(c, what, at);
    if (startsWith(what, "Statementlist("))
        return listFault(c, what, at);
    if (startsWith(what, "LoopStatement("))
        return loopFault(c, what, at);
    if (startsWith(what, "ExpressionStatement("))
        return statementFault(c, what, at);
    if (startsWith(what, "Term(") || startsWith(what, "Syntax error"))
        return expressionFault(c, what, at);
    return {at, 0, printable(what)};
}

Diagnostic made(const Found& found, const LineIndex& lines) {
    return Diagnostic{found.offset, found.length, lines.placeOf(found.offset), found.message};
}

}  // namespace

Diagnostic diagnose(const SyntaxError& error, std::string_view text, std::size_t start, const SourceMap& map,
                    const LineIndex& lines) {
    const Context context(text, start, map, lines);
    std::size_t at = text.size();
    if (error.offset() >= 0 && static_cast<std::size_t>(error.offset()) < text.size())
        at = static_cast<std::size_t>(error.offset());
    return made(classify(context, error.what(), at), lines);
}

Diagnostic trailingText(std::string_view text, std::size_t offset, const LineIndex& lines) {
    return made(Found{offset, wordEnd(text, offset) - offset, "unexpected text after the closing END"}, lines);
}

}  // namespace analysis
