#include "answers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "editor.h"
#include "format.h"
#include "text.h"

namespace lsp {

namespace {

using analysis::Analysis;
using analysis::StatementInfo;

const int severityError = 1;
const int symbolKindNamespace = 3;  // the protocol has no kind for a loop; it nests like a namespace

bool lineBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

std::size_t beginOf(const StatementInfo& s) { return static_cast<std::size_t>(s.begin); }
std::size_t endOf(const StatementInfo& s) { return static_cast<std::size_t>(s.end); }

// The end of a line's text, blanks at its end left out: where its hint goes.
std::size_t hintOffset(const Analysis& a, std::size_t line) {
    const std::size_t start = a.lines().lineStart(line);
    std::size_t end = a.lines().lineEnd(line);
    while (end > start && lineBlank(a.text()[end - 1]))
        --end;
    return end;
}

std::string code(const std::string& text) { return "`" + text + "`"; }

std::string shareLine(const Analysis& a, const StatementInfo& s) {
    if (!a.ok())
        return "- share of the total: none while the program has errors";
    std::string line = "- share of the total as n grows: " + percent(a.shareOf(s));
    if (a.shareOf(s) == 0.0 && !a.costOf(s).isZero() && !a.total().isZero())
        line += " (it grows more slowly than the total)";
    return line;
}

// Inside a LOOP whose count did not read nothing is costed.
std::string uncostedHover(const Analysis& a, const StatementInfo& s) {
    return std::string(s.isLoop() ? "**Loop** " : "**Statement** ") + code(a.canonicalText(s)) +
           "\n\n- not costed: a loop count around it does not read\n";
}

std::string statementHover(const Analysis& a, const StatementInfo& s) {
    if (!s.costed)
        return uncostedHover(a, s);
    const analysis::Counts counts = a.countsOf(s);
    return "**Statement** " + code(a.canonicalText(s)) + "\n\n- cost: " + code(a.costOf(s).text()) + "\n- " +
           a.runsText(s, "`") + "\n" + shareLine(a, s) +
           "\n- additions: " + code(analysis::countText(counts.additions)) +
           "\n- multiplications: " + code(analysis::countText(counts.multiplications)) + "\n";
}

std::string loopHover(const Analysis& a, const StatementInfo& s) {
    if (!s.costed)
        return uncostedHover(a, s);
    const analysis::Counts counts = a.countsOf(s);
    return "**Loop** " + code(a.canonicalText(s)) + "\n\n- cost of the whole loop: " + code(a.costOf(s).text()) +
           "\n- " + a.runsText(s, "`") + "\n" + shareLine(a, s) +
           "\n- additions: " + code(analysis::countText(counts.additions)) +
           "\n- multiplications: " + code(analysis::countText(counts.multiplications)) + "\n";
}

std::string programHover(const Analysis& a) {
    return "**Program**\n\n- total cost: " + code(a.total().text()) +
           "\n- order of growth: " + code(a.total().orderText()) +
           "\n- additions: " + code(analysis::countText(a.counts().additions)) +
           "\n- multiplications: " + code(analysis::countText(a.counts().multiplications)) +
           "\n- cost model: `+` costs " + a.model().addition.text() + ", `*` costs " + a.model().multiplication.text() +
           "\n";
}

// The word at `offset` (a keyword, a count, a statement's part).
std::pair<std::size_t, std::size_t> wordAround(std::string_view text, std::size_t offset) {
    std::size_t begin = offset;
    while (begin > 0 && !analysis::isBlank(text[begin - 1]))
        --begin;
    std::size_t end = offset;
    while (end < text.size() && !analysis::isBlank(text[end]))
        ++end;
    return {begin, end};
}

}  // namespace

const Json& member(const Json& object, const char* key) {
    static const Json none;
    if (!object.is_object())
        return none;
    const auto found = object.find(key);
    return found == object.end() ? none : *found;
}

Position positionFrom(const Json& position) {
    // the protocol's unsigned integers: a negative or fractional line or
    // character is refused, and so is a float beyond 2^53, which may stand
    // for many integers; JSON's -0 and 2.0 are whole numbers all the same
    const auto index = [&](const char* key) -> std::size_t {
        const Json& value = position.at(key);
        if (value.is_number_unsigned())
            return static_cast<std::size_t>(value.get<std::uint64_t>());
        const double number = value.is_number() ? value.get<double>() : -1.0;
        if (number >= 0 && number <= 9007199254740992.0 && std::floor(number) == number)
            return static_cast<std::size_t>(number);
        throw Json::type_error::create(302, std::string("position.") + key + " is not a whole number from 0 up",
                                       &value);
    };
    return Position{index("line"), index("character")};
}

Json Subject::position(std::size_t offset, bool roundUp) const {
    const Position p = document.positions().positionOf(offset, encoding, roundUp);
    return Json{{"line", p.line}, {"character", p.character}};
}

Json Subject::range(std::size_t begin, std::size_t end) const {
    Json start = position(begin);
    return Json{{"start", std::move(start)}, {"end", position(end, true)}};
}

std::size_t Subject::offset(const Json& position) const {
    return document.positions().offsetOf(positionFrom(position), encoding);
}

std::string percent(double share) { return analysis::shareText(share); }

// Numbers of more than about 1200 digits take long to print and are no use
// in a line.
std::string shortText(const analysis::Cost& cost) {
    static const analysis::Integer limit = analysis::Integer(1) << 4096;
    for (int i = 0; i <= cost.degree(); ++i) {
        const analysis::Integer& units = cost.unitsOf(i);
        if (units > limit || units < -limit)
            return cost.orderText() + ", too long to show here";
    }
    return cost.text();
}

Json diagnosticOf(const Subject& subject, const analysis::Diagnostic& d) {
    return Json{{"range", subject.range(d.offset, d.offset + d.length)},
                {"severity", severityError},
                {"source", "loopcost"},
                {"message", d.message}};
}

Json diagnosticsOf(const Subject& subject) {
    Json list = Json::array();
    for (const analysis::Diagnostic& d : subject.analysis().diagnostics())
        list.push_back(diagnosticOf(subject, d));
    return list;
}

Json hoverAt(const Subject& subject, std::size_t offset) {
    const Analysis& a = subject.analysis();
    const std::string_view text = a.text();
    if (offset >= text.size() || analysis::isBlank(text[offset]))
        return nullptr;
    std::string markdown;
    std::pair<std::size_t, std::size_t> span;
    if (const StatementInfo* s = a.statementAt(offset)) {
        if (s->isLoop()) {
            markdown = loopHover(a, *s);
            span = wordAround(text, offset);
        } else {
            markdown = statementHover(a, *s);
            span = {beginOf(*s), endOf(*s)};
        }
    } else {
        if (!a.ok())
            return nullptr;
        markdown = programHover(a);  // BEGIN or the closing END
        span = wordAround(text, offset);
    }
    return Json{{"contents", {{"kind", "markdown"}, {"value", markdown}}},
                {"range", subject.range(span.first, span.second)}};
}

Json inlayHints(const Subject& subject, std::size_t from, std::size_t to) {
    Json hints = Json::array();
    const Analysis& a = subject.analysis();
    const analysis::Analysis::Statements& parts = a.statements();
    const std::size_t firstLine = a.lines().placeOf(from).line;
    const std::size_t lastLine = a.lines().placeOf(std::min(to, a.text().size())).line;
    for (const Analysis::LineCost& line : a.lineCosts(firstLine, lastLine)) {
        const std::size_t at = hintOffset(a, line.line);
        if (at < from)
            continue;
        if (at > to)
            break;
        if (!parts[line.first].costed)
            continue;
        std::string tooltip = "the cost of what begins on this line";
        if (a.ok())
            tooltip += "; share of the total: " + percent(line.share);
        hints.push_back(Json{{"position", subject.position(at)},
                             {"label", shortText(line.cost)},
                             {"paddingLeft", true},
                             {"tooltip", tooltip}});
    }
    return hints;
}

Json documentSymbols(const Subject& subject, bool hierarchical) {
    Json symbols = Json::array();
    const Analysis& a = subject.analysis();
    const analysis::Analysis::Statements& parts = a.statements();
    // a loop that did not read is no symbol, nor is anything inside it (nor,
    // so, any loop nested deeper than loops may be)
    if (!hierarchical) {
        for (const StatementInfo& s : parts) {
            if (!s.isLoop() || !s.costed)
                continue;
            Json symbol{
                {"name", a.canonicalText(s)},
                {"kind", symbolKindNamespace},
                {"location", {{"uri", subject.document.uri()}, {"range", subject.range(beginOf(s), endOf(s))}}}};
            if (s.parent >= 0)
                symbol["containerName"] = a.canonicalText(parts[static_cast<std::size_t>(s.parent)]);
            symbols.push_back(std::move(symbol));
        }
        return symbols;
    }
    // from the last loop to the first, so that a loop's children are done
    // before it: each list is built backwards and turned round once complete
    std::vector<Json> children(parts.size());
    for (std::size_t i = parts.size(); i-- > 0;) {
        const StatementInfo& s = parts[i];
        if (!s.isLoop() || !s.costed)
            continue;
        Json& mine = children[i];
        if (mine.is_null())
            mine = Json::array();
        std::reverse(mine.begin(), mine.end());
        Json symbol{{"name", a.canonicalText(s)},
                    {"detail", shortText(a.costOf(s))},
                    {"kind", symbolKindNamespace},
                    {"range", subject.range(beginOf(s), endOf(s))},
                    {"selectionRange", subject.range(beginOf(s), analysis::headerOf(a, s).end)},
                    {"children", std::move(mine)}};
        Json& list = s.parent >= 0 ? children[static_cast<std::size_t>(s.parent)] : symbols;
        if (list.is_null())
            list = Json::array();
        list.push_back(std::move(symbol));
    }
    std::reverse(symbols.begin(), symbols.end());
    return symbols;
}

Json formattingEdits(const Subject& subject) {
    Json edits = Json::array();
    if (const std::optional<analysis::Edit> edit = analysis::formatOf(subject.analysis()))
        edits.push_back(
            Json{{"range", subject.range(edit->offset, edit->offset + edit->length)}, {"newText", edit->text}});
    return edits;
}

}  // namespace lsp
