#include "editor.h"

#include <algorithm>
#include <utility>

namespace analysis {

namespace {

std::size_t beginOf(const StatementInfo& s) { return static_cast<std::size_t>(s.begin); }
std::size_t endOf(const StatementInfo& s) { return static_cast<std::size_t>(s.end); }

// The line end the text uses: that of its first line, "\n" if it has one line.
std::string lineEndOf(std::string_view text) {
    const char* const end = text.data() + text.size();
    const auto at = static_cast<std::size_t>(findLineEnd(text.data(), end) - text.data());
    return at == text.size() ? "\n" : std::string(text.substr(at, lineEndLength(text, at)));
}

std::size_t lineStartOf(std::string_view text, std::size_t offset) {
    while (offset > 0 && !isLineEndByte(text[offset - 1]))
        --offset;
    return offset;
}

// The blanks that the line holding `offset` begins with.
std::string indentOf(std::string_view text, std::size_t offset) {
    const std::size_t start = lineStartOf(text, offset);
    std::size_t end = start;
    while (end < text.size() && isLineBlank(text[end]))
        ++end;
    return std::string(text.substr(start, end - start));
}

// One past the last byte that is not white space, or 0.
std::size_t lastWordEnd(std::string_view text) {
    std::size_t end = text.size();
    while (end > 0 && isBlank(text[end - 1]))
        --end;
    return end;
}

std::string plural(std::size_t count, const std::string& one, const std::string& many) {
    return count == 1 ? one : std::to_string(count) + " " + many;
}

// Reads without recording anything: for the errors alone.
class Silent : public ReadEvents {
public:
    void loopBegins(std::size_t, Place, std::int32_t) override {}
    void loopEnds(std::size_t) override {}
    void statement(std::size_t, std::size_t, Place, int, int) override {}
};

const std::size_t inside = static_cast<std::size_t>(-1);

std::vector<Token> scan(const Analysis& a, std::size_t start, std::size_t from, std::size_t to, bool mark);

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
    Silent silent;
    Reader reader(silent);
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
        const std::size_t at = loop >= 0 ? beginOf(parts[static_cast<std::size_t>(loop)]) : programStart(a).begin;
        ends.push_back(indentOf(a.text(), at) + "END");
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
// the place of.
Span statementCut(std::string_view text, std::size_t begin, std::size_t stop) {
    std::size_t last = stop;
    while (last > begin && isBlank(text[last - 1]))
        --last;
    std::size_t cut = last;
    while (cut > begin && (isBlank(text[cut - 1]) || text[cut - 1] == '+' || text[cut - 1] == '*'))
        --cut;
    return Span{cut, last};
}

std::string endTitle(std::string_view text, Span cut) {
    std::string operators;
    for (std::size_t i = cut.begin; i < cut.end; ++i)
        if (!isBlank(text[i]))
            operators += text[i];
    if (operators.empty())
        return "End the statement with ';'";
    return "End the statement with ';' in place of the '" + operators + "' after it";
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
    const Span cut = statementCut(text, d.block, d.offset);
    if (cut.begin == d.block)
        return;
    offer(fixes, a, d, Fix{endTitle(text, cut), {Edit{cut.begin, cut.end - cut.begin, " ;"}}, true});
}

// A statement that runs into the end of the input ends with ';', and the
// blocks still open with their ENDs.
void endStatementAtEnd(std::vector<Fix>& fixes, const Analysis& a, const Diagnostic& d) {
    const std::string_view text = a.text();
    const Span cut = statementCut(text, d.block, text.size());
    if (cut.begin == d.block)
        return;
    const std::size_t ends = d.depth;
    const std::string title =
        "End the statement with ';' and close what is open with " + plural(ends, "its END", "ENDs");
    offer(fixes, a, d, Fix{title, {appendLines(text, cut.begin, closingEnds(a, ends), " ;")}, true});
}

void closeBlocks(std::vector<Fix>& fixes, const Analysis& a, const Diagnostic& d) {
    const std::string_view text = a.text();
    const std::string title = "Insert the " + plural(d.depth, "missing END", "missing ENDs");
    offer(fixes, a, d, Fix{title, {appendLines(text, lastWordEnd(text), closingEnds(a, d.depth), "")}, true});
}

// Two variables side by side get an operator between them: every such pair
// of the statement, so that it reads.
void insertOperators(std::vector<Fix>& fixes, const Analysis& a, const Diagnostic& d) {
    const std::string_view text = a.text();
    std::size_t stop = text.find(';', d.offset);
    if (stop == std::string_view::npos)
        stop = text.size();
    std::vector<std::size_t> gaps;  // variables right after another
    bool afterVariable = false;
    for (std::size_t i = d.block; i < stop; ++i) {
        if (isBlank(text[i]))
            continue;
        if (isLower(text[i]) && afterVariable)
            gaps.push_back(i);
        afterVariable = isLower(text[i]);
    }
    if (gaps.empty())
        return;
    for (const char* operation : {"*", "+"}) {
        std::vector<Edit> edits;
        edits.reserve(gaps.size());
        for (const std::size_t at : gaps)
            edits.push_back(
                Edit{at, 0, isBlank(text[at - 1]) ? std::string(operation) + " " : " " + std::string(operation) + " "});
        std::string title = "Insert '" + std::string(operation) + "' between ";
        if (gaps.size() == 1) {
            std::size_t previous = gaps.front();
            while (isBlank(text[previous - 1]))
                --previous;
            title += "'" + std::string(1, text[previous - 1]) + "' and '" + std::string(1, text[gaps.front()]) + "'";
        } else {
            title += "the variables side by side";
        }
        offer(fixes, a, d, Fix{title, std::move(edits), *operation == '*'});
    }
}

// The words after the closing END, when each is an END: removed.
void removeStrayEnds(std::vector<Fix>& fixes, const Analysis& a, const Diagnostic& d) {
    const std::string_view text = a.text();
    std::size_t count = 0;
    std::size_t i = d.offset;
    while (i < text.size()) {
        std::size_t end = i;
        while (end < text.size() && !isBlank(text[end]))
            ++end;
        if (text.substr(i, end - i) != "END")
            return;
        ++count;
        i = end;
        while (i < text.size() && isBlank(text[i]))
            ++i;
    }
    const std::size_t from = a.programEnd();
    const std::size_t to = lastWordEnd(text);
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

std::string applied(std::string_view text, const std::vector<Edit>& edits) {
    std::string out;
    std::size_t at = 0;
    for (const Edit& e : edits) {
        out.append(text.substr(at, e.offset - at));
        out += e.text;
        at = e.offset + e.length;
    }
    out.append(text.substr(std::min(at, text.size())));
    return out;
}

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

Span programStart(const Analysis& a) {
    const std::string_view text = a.text();
    std::size_t at = byteOrderMarkLength(text);
    while (at < text.size() && isBlank(text[at]))
        ++at;
    std::size_t end = at;
    while (end < text.size() && !isBlank(text[end]))
        ++end;
    return Span{at, end};
}

Span programSpan(const Analysis& a) {
    const std::size_t begin = programStart(a).begin;
    const std::size_t end = a.programEnd() > 0 ? a.programEnd() : std::max(begin, lastWordEnd(a.text()));
    return Span{begin, end};
}

Span headerOf(const Analysis& a, const StatementInfo& loop) {
    const std::string_view text = a.text();
    std::size_t i = std::min(beginOf(loop) + 4, text.size());
    while (i < text.size() && isBlank(text[i]))
        ++i;
    while (i < text.size() && !isBlank(text[i]))
        ++i;
    return Span{beginOf(loop), std::min(i, endOf(loop))};
}

std::vector<Span> loopFolds(const Analysis& a) {
    const std::string_view text = a.text();
    std::vector<Span> folds;
    for (const StatementInfo& s : a.statements()) {
        if (!s.isLoop() || !s.ended)
            continue;
        const std::size_t keyword = endOf(s) - 3;
        std::size_t start = keyword;
        while (start > 0 && isLineBlank(text[start - 1]))
            --start;
        // an END that begins its line stays in view: the fold ends at the line end before it
        folds.push_back(Span{beginOf(s), start > 0 && isLineEndByte(text[start - 1]) ? start - 1 : keyword});
    }
    return folds;
}

std::vector<Span> pairedKeywords(const Analysis& a, std::size_t offset) {
    const auto near = [offset](std::size_t begin, std::size_t end) { return begin <= offset && offset <= end; };
    const Analysis::Statements& parts = a.statements();
    for (const std::size_t at : {offset, offset > 0 ? offset - 1 : offset}) {
        for (const StatementInfo* s = a.statementAt(at); s;
             s = s->parent >= 0 ? &parts[static_cast<std::size_t>(s->parent)] : nullptr) {
            if (!s->isLoop())
                continue;
            // the keyword, or as much of the word that stands for it (LOOPn, L)
            std::size_t keywordEnd = beginOf(*s);
            while (keywordEnd < beginOf(*s) + 4 && keywordEnd < a.text().size() && !isBlank(a.text()[keywordEnd]))
                ++keywordEnd;
            const bool atLoop = near(beginOf(*s), keywordEnd);
            const bool atEnd = s->ended && near(endOf(*s) - 3, endOf(*s));
            if (!atLoop && !atEnd)
                continue;
            std::vector<Span> both{Span{beginOf(*s), keywordEnd}};
            if (s->ended)
                both.push_back(Span{endOf(*s) - 3, endOf(*s)});
            return both;
        }
    }
    const Span begin = programStart(a);
    const bool hasBegin = a.text().substr(begin.begin, begin.end - begin.begin) == "BEGIN";
    const std::size_t end = a.programEnd();
    if ((hasBegin && near(begin.begin, begin.end)) || (end > 0 && near(end - 3, end))) {
        std::vector<Span> both;
        if (hasBegin)
            both.push_back(begin);
        if (end > 0)
            both.push_back(Span{end - 3, end});
        return both;
    }
    return {};
}

std::vector<Span> enclosingSpans(const Analysis& a, std::size_t offset) {
    std::vector<Span> candidates;
    const std::size_t from = offset > 0 ? offset - 1 : 0;
    // the scan need not start before the line, or the LOOP whose count is there
    std::size_t start = lineStartOf(a.text(), std::min(from, a.text().size()));
    const StatementInfo* holder = a.statementAt(from);
    if (holder && holder->isLoop() && headerOf(a, *holder).end >= from)
        start = std::min(start, beginOf(*holder));
    for (const Token& t : scan(a, start, from, offset + 1, false))
        if (t.offset <= offset && offset <= t.offset + t.length) {
            candidates.push_back(Span{t.offset, t.offset + t.length});
            break;
        }
    const Analysis::Statements& parts = a.statements();
    const StatementInfo* s = a.statementAt(offset);
    if (!s && offset > 0)
        s = a.statementAt(offset - 1);
    for (; s; s = s->parent >= 0 ? &parts[static_cast<std::size_t>(s->parent)] : nullptr)
        candidates.push_back(Span{beginOf(*s), endOf(*s)});
    candidates.push_back(programSpan(a));
    std::vector<Span> spans;
    for (const Span& c : candidates) {
        const bool holds = spans.empty() ? c.begin <= offset && offset <= c.end
                                         : c.begin <= spans.back().begin && spans.back().end <= c.end &&
                                               c.end - c.begin > spans.back().end - spans.back().begin;
        if (holds)
            spans.push_back(c);
    }
    if (spans.empty())
        spans.push_back(Span{offset, offset});
    return spans;
}

std::vector<Token> tokens(const Analysis& a, std::size_t from, std::size_t to) { return scan(a, 0, from, to, true); }

namespace {

// The tokens that begin in [from, to), read from `start`, where no LOOP
// waits for its count; those of the costliest statements marked or not.
std::vector<Token> scan(const Analysis& a, std::size_t start, std::size_t from, std::size_t to, bool mark) {
    const std::string_view text = a.text();
    const Analysis::Statements& parts = a.statements();
    // the costliest order: that of the costliest statement, if it costs anything
    int order = -1;
    if (mark) {
        const std::vector<const StatementInfo*> hottest = a.hottest(1);
        if (!hottest.empty() && !a.costOf(*hottest.front()).isZero())
            order = hottest.front()->power;
    }
    std::size_t next = 0;               // the first statement that may hold the next token
    std::size_t judged = parts.size();  // the statement whose order was looked at last
    bool hot = false;
    const auto costliest = [&](std::size_t offset) {
        if (order < 0)
            return false;
        while (next < parts.size() && (parts[next].isLoop() || endOf(parts[next]) <= offset))
            ++next;
        if (next == parts.size() || beginOf(parts[next]) > offset)
            return false;
        if (judged != next) {
            const StatementInfo& s = parts[next];
            judged = next;
            hot = order >= 0 && s.costed && s.power == order && !a.costOf(s).isZero();
        }
        return hot;
    };
    std::vector<Token> found;
    const auto add = [&](std::size_t offset, std::size_t length, TokenKind kind) {
        if (offset >= from)
            found.push_back(Token{offset, length, kind,
                                  (kind == TokenKind::variable || kind == TokenKind::operation) && costliest(offset)});
    };
    bool countNext = false;  // after LOOP
    const std::size_t stop = std::min(to, text.size());
    for (std::size_t i = std::max(start, byteOrderMarkLength(text)); i < stop;) {
        const char c = text[i];
        if (isBlank(c)) {
            ++i;
            continue;
        }
        const bool count = countNext;
        countNext = false;
        if (isUpper(c)) {
            std::size_t end = i;
            while (end < text.size() && isUpper(text[end]))
                ++end;
            const std::string_view word = text.substr(i, end - i);
            const bool whole = end == text.size() || !(isLetter(text[end]) || isDigit(text[end]));
            if (whole && (word == "BEGIN" || word == "LOOP" || word == "END")) {
                add(i, end - i, TokenKind::keyword);
                countNext = word == "LOOP";
            } else {
                while (end < text.size() && !isBlank(text[end]))
                    ++end;
            }
            i = end;
            continue;
        }
        if (count &&
            (c == 'n' || isDigit(c) || ((c == '+' || c == '-') && i + 1 < text.size() && isDigit(text[i + 1])))) {
            std::size_t end = i + 1;
            while (c != 'n' && end < text.size() && isDigit(text[end]))
                ++end;
            add(i, end - i, TokenKind::count);
            i = end;
            continue;
        }
        if (isLower(c))
            add(i, 1, TokenKind::variable);
        else if (c == '+' || c == '*')
            add(i, 1, TokenKind::operation);
        ++i;
    }
    return found;
}

}  // namespace

Completion completionAt(const Analysis& a, std::size_t offset) {
    const std::string_view text = a.text();
    offset = std::min(offset, text.size());
    std::size_t begin = offset;
    while (begin > 0 && isLetter(text[begin - 1]))
        --begin;
    Completion c{Span{begin, offset}, false, false};
    std::size_t before = begin;
    while (before > 0 && isBlank(text[before - 1]))
        --before;
    if (before <= byteOrderMarkLength(text)) {
        c.program = true;
        return c;
    }
    if (a.programEnd() > 0 && before >= a.programEnd())
        return c;  // after the closing END
    if (text[before - 1] == ';') {
        c.statement = true;
        return c;
    }
    const auto wordBefore = [&](std::size_t end) {
        std::size_t start = end;
        while (start > 0 && !isBlank(text[start - 1]))
            --start;
        return Span{start, end};
    };
    const Span previous = wordBefore(before);
    const std::string_view word = text.substr(previous.begin, previous.end - previous.begin);
    if (word == "BEGIN" || word == "END") {
        c.statement = true;
        return c;
    }
    const std::size_t sign = !word.empty() && (word[0] == '-' || word[0] == '+') ? 1 : 0;
    const bool isCount =
        word == "n" || (word.size() > sign && word.find_first_not_of("0123456789", sign) == std::string_view::npos);
    if (isCount) {
        std::size_t end = previous.begin;
        while (end > 0 && isBlank(text[end - 1]))
            --end;
        const Span loop = wordBefore(end);
        c.statement = text.substr(loop.begin, loop.end - loop.begin) == "LOOP";
    }
    return c;
}

std::optional<Edit> layoutOf(const Analysis& a, std::size_t from, std::size_t to) {
    const std::string_view text = a.text();
    const Analysis::Statements& parts = a.statements();
    if (to < from)
        std::swap(from, to);
    const std::size_t hi = to == from ? from + 1 : to;
    const auto overlaps = [&](const StatementInfo& s) { return beginOf(s) < hi && endOf(s) > from; };
    const auto index = [&](const StatementInfo* s) { return static_cast<std::size_t>(s - parts.data()); };
    // the innermost statement or loop that holds the whole range
    const StatementInfo* holder = a.statementAt(from);
    while (holder && endOf(*holder) < hi)
        holder = holder->parent >= 0 ? &parts[static_cast<std::size_t>(holder->parent)] : nullptr;
    std::size_t first = parts.size();
    std::size_t last = parts.size();
    if (holder && !holder->isLoop()) {
        first = last = index(holder);
    } else {
        // the parts of the block that the range touches: those of the loop
        // that holds it, or of the program
        const std::int64_t parent = holder ? static_cast<std::int64_t>(index(holder)) : -1;
        for (std::size_t k = holder ? index(holder) + 1 : 0; k < parts.size() && beginOf(parts[k]) < hi; ++k) {
            if (parts[k].parent != parent || !overlaps(parts[k]))
                continue;
            if (first == parts.size())
                first = k;
            last = k;
        }
        if (first == parts.size() && holder)
            first = last = index(holder);
    }
    if (first == parts.size())
        return std::nullopt;
    const Span region{beginOf(parts[first]), endOf(parts[last])};
    for (const Diagnostic& d : a.diagnostics())
        if (d.offset < region.end && d.offset + std::max<std::size_t>(d.length, 1) > region.begin)
            return std::nullopt;
    std::size_t stop = first;
    for (; stop < parts.size() && beginOf(parts[stop]) < region.end; ++stop)
        if (parts[stop].isLoop() && !parts[stop].ended)
            return std::nullopt;
    // as the canonical program lays them out, from the first one's place on
    const std::string newline = lineEndOf(text);
    std::string out;
    const auto line = [&](std::int32_t depth) {
        out += newline;
        out.append(2 * static_cast<std::size_t>(depth) + 2, ' ');
    };
    std::vector<std::size_t> open;  // the loops open, by index
    for (std::size_t k = first; k < stop; ++k) {
        const StatementInfo& part = parts[k];
        while (!open.empty() && static_cast<std::int64_t>(open.back()) != part.parent) {
            line(parts[open.back()].depth);
            out += "END";
            open.pop_back();
        }
        if (k != first)
            line(part.depth);
        a.appendCanonicalText(out, part);
        if (part.isLoop())
            open.push_back(k);
    }
    for (; !open.empty(); open.pop_back()) {
        line(parts[open.back()].depth);
        out += "END";
    }
    if (text.substr(region.begin, region.end - region.begin) == out)
        return std::nullopt;
    return Edit{region.begin, region.end - region.begin, out};
}

}  // namespace analysis
