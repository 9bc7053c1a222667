// The derivation of a cost, statement by statement, and the words for how
// many times something runs: made once here for every front-end.
#include <string>
#include <utility>
#include <vector>

#include "loopcost/analysis/explain.h"

#include <algorithm>

#include "loopcost/analysis/analysis.h"

namespace analysis {

namespace {

// "1 addition", "0 additions", "3 multiplications".
void appendOperations(std::string& out, int count, const char* one, const char* many) {
    out.append(std::to_string(count)).append(" ").append(count == 1 ? one : many);
}

}  // namespace

// The words of the page's panel for the statement under the cursor.

const StatementInfo* statementUnderCursor(const Analysis& analysis, std::size_t offset) {
    const std::string_view text = analysis.text();
    offset = std::min(offset, text.size());
    const auto blank = [&text](std::size_t i) { return isLineBlank(text[i]); };
    std::size_t at = offset;
    while (at < text.size() && blank(at))
        ++at;
    if (at == text.size() || isLineEndByte(text[at])) {
        at = offset;
        while (at > 0 && blank(at - 1))
            --at;
        if (at == 0 || isLineEndByte(text[at - 1]))
            return nullptr;
        --at;
    }
    return analysis.statementAt(at);
}

namespace {

std::string placeText(const StatementInfo& statement) { return "(line " + std::to_string(statement.line) + ")"; }

// Whether a count has more than one term, and so needs brackets before a
// product sign.
bool severalTerms(const std::vector<Integer>& count) {
    return std::count_if(count.begin(), count.end(), [](const Integer& c) { return !c.is_zero(); }) > 1;
}

bool isZero(const std::vector<Integer>& count) {
    return std::all_of(count.begin(), count.end(), [](const Integer& c) { return c.is_zero(); });
}

// "count × cost" for each kind of operation that runs, joined by " + ".
std::string productOf(const Counts& counts, const CostModel& model) {
    std::string out;
    const auto term = [&out](const std::vector<Integer>& count, const Decimal& cost) {
        if (isZero(count))
            return;
        if (!out.empty())
            out += " + ";
        const std::string text = countText(count);
        out += severalTerms(count) ? "(" + text + ")" : text;
        out += " \u00d7 " + cost.text();
    };
    term(counts.additions, model.addition);
    term(counts.multiplications, model.multiplication);
    return out.empty() ? "0" : out;
}

}  // namespace

Explanation explanationOf(const Analysis& analysis, const StatementInfo& statement) {
    Explanation e;
    e.loop = statement.isLoop();
    e.costed = statement.costed;
    e.text = analysis.canonicalText(statement);
    e.place = analysis.placeOf(statement);
    if (!statement.costed) {
        e.derivation = analysis.runsText(statement);
        return e;
    }

    // the loops around it, outermost first; a loop's own body runs inside itself
    std::vector<const StatementInfo*> around;
    if (e.loop)
        around.push_back(&statement);
    for (std::int32_t p = statement.parent; p >= 0; p = analysis.statements()[static_cast<std::size_t>(p)].parent)
        around.push_back(&analysis.statements()[static_cast<std::size_t>(p)]);
    std::reverse(around.begin(), around.end());
    for (const StatementInfo* loop : around) {
        if (!e.loops.empty())
            e.loops += " \u00d7 ";
        e.loops += analysis.canonicalText(*loop) + " " + placeText(*loop);
    }
    if (around.empty())
        e.loops = "no loop around it";
    const std::vector<Integer> runs = analysis.runsOf(statement);
    e.runs = countText(runs);

    const CostModel& model = analysis.model();
    const Cost cost = analysis.costOf(statement);
    e.cost = cost.text();
    if (analysis.ok())
        e.share = shareText(analysis.shareOf(statement));

    if (e.loop) {
        e.derivation = analysis.runsText(statement);
        const Counts counts = analysis.countsOf(statement);
        e.operations =
            "'+' runs " + countText(counts.additions) + " times, '*' " + countText(counts.multiplications) + " times";
        e.product = productOf(counts, model) + " = " + e.cost;
        return e;
    }

    e.operations =
        std::to_string(statement.additions) + " '+' and " + std::to_string(statement.multiplications) + " '*'";
    const std::string one = analysis.perRunOf(statement).text();
    // "runs 3 * n^2 times, 4 per run", and what makes the 4
    e.derivation = analysis.runsText(statement) + " (";
    appendOperations(e.derivation, statement.additions, "addition", "additions");
    e.derivation += " at " + model.addition.text() + " + ";
    appendOperations(e.derivation, statement.multiplications, "multiplication", "multiplications");
    e.derivation += " at " + model.multiplication.text() + "), " + e.cost + " in all";
    const Counts own{{Integer(statement.additions)}, {Integer(statement.multiplications)}};
    e.oneRun = statement.additions + statement.multiplications == 0 ? "0" : productOf(own, model) + " = " + one;
    e.product = e.runs + " \u00d7 " + one + " = " + e.cost;
    return e;
}

std::string explanationTotal(const Analysis& analysis) {
    std::size_t count = 0;
    for (const StatementInfo& part : analysis.statements())
        count += part.isLoop() ? 0 : 1;
    std::string out = "total: " + analysis.total().text();
    if (count == 1)
        return out + ", the cost of its one statement";
    return out + ", the sum of the " + std::to_string(count) + " statements' costs";
}

}  // namespace analysis
