// The requests about what the program costs: hover, inlay hints, code
// lenses and document symbols (handlers of the table in requests.cpp).
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "loopcost/analysis/explainat.h"
#include "loopcost/analysis/syntax.h"
#include "loopcost/lsp/requests.h"

namespace lsp {

namespace {

using analysis::Analysis;
using analysis::ExplanationAt;
using analysis::StatementInfo;

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

std::string programMarkdown(const ExplanationAt& at) {
    std::string out = "**Program**\n\n- total cost: " + code(at.total) + "\n- order of growth: " + code(at.order) +
                      "\n- additions: " + code(at.additions) + "\n- multiplications: " + code(at.multiplications) +
                      "\n- cost model: `+` costs " + at.additionCost + ", `*` costs " + at.multiplicationCost + "\n";
    if (at.derivation.empty())
        return out;
    out += "\nThe cost as nested sums, one per loop, solved from the inside out:\n\n```\n";
    for (const std::string& line : at.derivation)
        out.append(line).append("\n");
    return out + "```\n";
}

std::string markdownOf(const ExplanationAt& at) {
    if (at.kind == ExplanationAt::Kind::program)
        return programMarkdown(at);
    const analysis::Explanation& e = at.explanation;
    std::string out = std::string(e.loop ? "**Loop** " : "**Statement** ") + code(e.text) + "\n\n";
    if (!e.costed)  // inside a LOOP whose count did not read nothing is costed
        return out + "- not costed: a loop count around it does not read\n";
    out += std::string(e.loop ? "- cost of the whole loop: " : "- cost: ") + code(e.cost) + "\n";
    if (!at.sum.empty())
        out += "- as a sum over one pass of its body: " + code(at.sum) + "\n";
    out += std::string(e.loop ? "- its body runs " : "- runs ") + code(e.runs) + (at.once ? " time, " : " times, ") +
           code(at.perRun) + " per run\n";
    if (e.share) {
        out += "- share of the total as n grows: " + *e.share;
        if (at.slowerThanTotal)
            out += " (it grows more slowly than the total)";
        out += "\n";
    } else {
        out += "- share of the total: none while the program has errors\n";
    }
    return out + "- additions: " + code(at.additions) + "\n- multiplications: " + code(at.multiplications) + "\n";
}

}  // namespace

// Markdown on the statement, loop, BEGIN or END at the position; null
// elsewhere.
Json hover(const Subject& subject, const Json& params) {
    const auto p = params.get<TextDocumentPositionParams>();
    const ExplanationAt at = analysis::explanationAt(subject.analysis(), subject.offset(p.position));
    if (at.kind == ExplanationAt::Kind::none)
        return nullptr;
    return Hover{markdownOf(at), subject.range(at.span)};
}

// A cost hint at the end of each line on which statements begin, for the
// lines whose end lies in the range: what the analysis shows on that line.
Json inlayHints(const Subject& subject, const Json& params) {
    std::vector<InlayHint> hints;
    if (!subject.switches.inlayHints)
        return hints;
    const auto p = params.get<TextDocumentRangeParams>();
    const std::size_t from = subject.offset(p.range.start);
    const std::size_t to = subject.offset(p.range.end);
    const Analysis& a = subject.analysis();
    const Analysis::Statements& parts = a.statements();
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
        hints.push_back(InlayHint{subject.position(at), shortText(line.cost), std::move(tooltip)});
    }
    return hints;
}

// A lens over each loop that was costed: its cost and its share.
Json codeLenses(const Subject& subject, const Json&) {
    std::vector<CodeLens> lenses;
    if (!subject.switches.codeLens)
        return lenses;
    const Analysis& a = subject.analysis();
    for (const StatementInfo& s : a.statements()) {
        if (!s.isLoop() || !s.costed)
            continue;
        std::string title = shortText(a.costOf(s));
        if (a.ok())
            title += " \u00b7 " + percent(a.shareOf(s));
        lenses.push_back(CodeLens{subject.range(analysis::headerOf(a, s)), std::move(title)});
    }
    return lenses;
}

// One symbol per loop, nested as the loops are, or flat with container
// names for a client that does not take them nested.
Json documentSymbols(const Subject& subject, const Json&) {
    Json symbols = Json::array();
    const Analysis& a = subject.analysis();
    const analysis::Analysis::Statements& parts = a.statements();
    // a loop that did not read is no symbol, nor is anything inside it (nor,
    // so, any loop nested deeper than loops may be)
    if (!subject.client.hierarchicalSymbols) {
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

}  // namespace lsp
