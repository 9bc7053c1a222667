#include "loopcost/analysis/fixes.h"

#include <algorithm>
#include <utility>

#include "loopcost/analysis/syntax.h"

namespace analysis {

namespace {

std::string plural(std::size_t count, const std::string& one, const std::string& many) {
    return count == 1 ? one : std::to_string(count) + " " + many;
}

// The blanks that the line holding `offset` begins with.
std::string indentOf(const Analysis& a, std::size_t offset) {
    const std::string_view text = a.text();
    const LineIndex& lines = a.lines();
    const std::size_t start = lines.lineStart(lines.placeOf(offset).line);
    std::size_t end = start;
    while (end < text.size() && isLineBlank(text[end]))
        ++end;
    return std::string(text.substr(start, end - start));
}

const std::size_t inside = static_cast<std::size_t>(-1);

// Where a byte of the text is once `edits` are applied; `inside` for one
// that they replace.
std::size_t moved(std::size_t offset, const std::vector<Edit>& edits) {
    std::size_t at = offset;
    for (const Edit& e : edits) {
        if (offset < e.offset)
            break;
        if (offset < e.offset + e.length)
            return inside;
        at = at - e.length + e.text.size();
    }
    return at;
}

// Whether the text mended by `edits` reads with `fixed` gone and no error
// that `a` did not have (moved by the edits); others may go with it.
bool mends(const Analysis& a, const Diagnostic& fixed, const std::vector<Edit>& edits) {
    const std::string text = applied(a.text(), edits);
    NoEvents none;
    Reader reader(none);
    reader.read(text);
    const std::vector<Diagnostic>& before = a.diagnostics();
    const bool full = before.size() == Reader::maxDiagnostics;
    std::size_t i = 0;
    for (const Diagnostic& d : reader.diagnostics()) {
        while (i < before.size() &&
               (&before[i] == &fixed || before[i].kind != d.kind || moved(before[i].offset, edits) != d.offset))
            ++i;
        if (i == before.size())
            return full && d.offset > moved(before.back().offset, edits);  // one that a full list left out
        ++i;
    }
    return true;
}

// The ENDs that close the `count` innermost blocks open at the end of the
// text, innermost first, each indented as the line of its LOOP (or BEGIN).
std::vector<std::string> closingEnds(const Analysis& a, std::size_t count) {
    const Analysis::Statements& parts = a.statements();
    std::size_t i = parts.size();
    while (i > 0 && !(parts[i - 1].isLoop() && !parts[i - 1].ended))
        --i;
    std::int64_t loop = static_cast<std::int64_t>(i) - 1;
    std::vector<std::string> ends;
    for (; ends.size() < count; loop = loop >= 0 ? parts[static_cast<std::size_t>(loop)].parent : -1) {
        const std::size_t at = loop >= 0 ? spanOf(parts[static_cast<std::size_t>(loop)]).begin : programStart(a).begin;
        ends.push_back(indentOf(a, at) + "END");
    }
    return ends;
}

// Replaces the end of the text from `from` (white space, and what `before`
// stands in for) with `before` and `lines`, each on a line of its own; a
// line end stays last if one was there.
Edit appendLines(std::string_view text, std::size_t from, const std::vector<std::string>& lines,
                 const std::string& before) {
    const std::string newline = lineEndOf(text);
    std::string added = before;
    for (const std::string& line : lines)
        added += newline + line;
    if (text.substr(from).find_first_of("\r\n") != std::string_view::npos)
        added += newline;
    return Edit{from, text.size() - from, added};
}

// A statement from `begin` cut short before `stop`: the span from one past
// its last variable to one past the operators after it, which a ';' takes
// the place of; and those operators.
struct Cut {
    Span span;
    std::string operators;
};
Cut statementCut(const Analysis& a, std::size_t begin, std::size_t stop) {
    Cut cut{Span{begin, begin}, ""};
    for (const Lexeme& l : lexemesOf(a.text(), begin, stop)) {
        if (l.kind == LexemeKind::variable) {
            cut = Cut{Span{l.offset + l.length, l.offset + l.length}, ""};
        } else if (l.kind == LexemeKind::operation && cut.span.begin > begin) {
            cut.span.end = l.offset + l.length;
            cut.operators += a.text()[l.offset];
        }
    }
    return cut;
}

std::string endTitle(const Cut& cut) {
    if (cut.operators.empty())
        return "End the statement with ';'";
    return "End the statement with ';' in place of the '" + cut.operators + "' after it";
}

void offer(std::vector<Fix>& fixes, const Analysis& a, const Diagnostic& d, Fix fix) {
    if (mends(a, d, fix.edits))
        fixes.push_back(std::move(fix));
}

// A statement that runs into a LOOP or END ends with ';' before it.
void endStatementBefore(std::vector<Fix>& fixes, const Analysis& a, const Diagnostic& d) {
    const std::string_view text = a.text();
    const char c = text[d.offset];
    if ((c != 'L' && c != 'E') || d.offset == 0 || !isBlank(text[d.offset - 1]))
        return;
    const Cut cut = statementCut(a, d.block, d.offset);
    if (cut.span.begin == d.block)
        return;
    offer(fixes, a, d, Fix{endTitle(cut), {Edit{cut.span.begin, cut.span.end - cut.span.begin, " ;"}}, true});
}

// A statement that runs into the end of the input ends with ';', and the
// blocks still open with their ENDs.
void endStatementAtEnd(std::vector<Fix>& fixes, const Analysis& a, const Diagnostic& d) {
    const std::string_view text = a.text();
    const Cut cut = statementCut(a, d.block, text.size());
    if (cut.span.begin == d.block)
        return;
    const std::size_t ends = d.depth;
    const std::string title =
        "End the statement with ';' and close what is open with " + plural(ends, "its END", "ENDs");
    offer(fixes, a, d, Fix{title, {appendLines(text, cut.span.begin, closingEnds(a, ends), " ;")}, true});
}

void closeBlocks(std::vector<Fix>& fixes, const Analysis& a, const Diagnostic& d) {
    const std::string title = "Insert the " + plural(d.depth, "missing END", "missing ENDs");
    offer(fixes, a, d, Fix{title, {appendLines(a.text(), a.syntax().wordsEnd, closingEnds(a, d.depth), "")}, true});
}

// Two variables side by side get an operator between them: every such pair
// of the statement, so that it reads.
void insertOperators(std::vector<Fix>& fixes, const Analysis& a, const Diagnostic& d) {
    const std::string_view text = a.text();
    std::vector<std::size_t> gaps;  // variables right after another
    std::size_t previous = 0;       // the variable before the first gap
    bool afterVariable = false;
    std::size_t last = 0;
    eachLexeme(text, d.block, [&](const Lexeme& l) {
        if (l.kind == LexemeKind::semicolon && l.offset >= d.offset)
            return false;
        const bool variable = l.kind == LexemeKind::variable;
        if (variable && afterVariable) {
            if (gaps.empty())
                previous = last;
            gaps.push_back(l.offset);
        }
        afterVariable = variable;
        last = l.offset;
        return true;
    });
    if (gaps.empty())
        return;
    for (const char* operation : {"*", "+"}) {
        std::vector<Edit> edits;
        edits.reserve(gaps.size());
        for (const std::size_t at : gaps)
            edits.push_back(
                Edit{at, 0, isBlank(text[at - 1]) ? std::string(operation) + " " : " " + std::string(operation) + " "});
        std::string title = "Insert '" + std::string(operation) + "' between ";
        if (gaps.size() == 1)
            title += "'" + std::string(1, text[previous]) + "' and '" + std::string(1, text[gaps.front()]) + "'";
        else
            title += "the variables side by side";
        offer(fixes, a, d, Fix{title, std::move(edits), *operation == '*'});
    }
}

// The words after the closing END, when each is an END: removed.
void removeStrayEnds(std::vector<Fix>& fixes, const Analysis& a, const Diagnostic& d) {
    const std::string_view text = a.text();
    std::size_t count = 0;
    bool allEnds = true;
    eachLexeme(text, d.offset, [&](const Lexeme& l) {
        allEnds = text.substr(l.offset, l.length) == "END";
        count += allEnds ? 1 : 0;
        return allEnds;
    });
    if (!allEnds)
        return;
    const std::size_t from = a.programEnd();
    const std::size_t to = a.syntax().wordsEnd;
    offer(fixes, a, d,
          Fix{"Remove the " + plural(count, "stray END", "stray ENDs") + " after the closing END",
              {Edit{from, to - from, ""}},
              true});
}

// BEGIN, LOOP or END glued to what follows: a blank between them, or for
// END;, no ';' (nothing follows an END but white space).
void splitKeyword(std::vector<Fix>& fixes, const Analysis& a, const Diagnostic& d) {
    const std::string_view word = a.text().substr(d.offset, d.length);
    for (const std::string_view keyword :
         {std::string_view("BEGIN"), std::string_view("LOOP"), std::string_view("END")}) {
        if (word.size() <= keyword.size() || word.substr(0, keyword.size()) != keyword)
            continue;
        const std::size_t at = d.offset + keyword.size();
        const std::string_view rest = word.substr(keyword.size());
        if (keyword == "END" && rest.find_first_not_of(';') == std::string_view::npos)
            offer(fixes, a, d,
                  Fix{"Remove the '" + std::string(rest) + "' after END", {Edit{at, rest.size(), ""}}, true});
        else
            offer(fixes, a, d,
                  Fix{"Put a blank between " + std::string(keyword) + " and '" + printable(rest.substr(0, 20)) +
                          (rest.size() > 20 ? "...'" : "'"),
                      {Edit{at, 0, " "}},
                      true});
        return;
    }
}

}  // namespace

std::vector<Fix> fixesOf(const Analysis& a, const Diagnostic& d) {
    std::vector<Fix> fixes;
    if (d.offset > a.text().size() || d.offset + d.length > a.text().size())
        return fixes;
    switch (d.kind) {
    case Fault::notInStatement: endStatementBefore(fixes, a, d); break;
    case Fault::endInStatement: endStatementAtEnd(fixes, a, d); break;
    case Fault::endInBlock: closeBlocks(fixes, a, d); break;
    case Fault::missingOperator: insertOperators(fixes, a, d); break;
    case Fault::textAfterEnd: removeStrayEnds(fixes, a, d); break;
    case Fault::notBegin:
    case Fault::notEnd:
    case Fault::notStatement:
    case Fault::notLoop: splitKeyword(fixes, a, d); break;
    default: break;
    }
    return fixes;
}

}  // namespace analysis
