// The derivation of a cost, statement by statement, and the words for how
// many times something runs: made once here for every front-end.
#include <string>
#include <utility>
#include <vector>

#include "explain.h"

#include <algorithm>

#include "analysis.h"

namespace analysis {

namespace {

void appendQuoted(std::string& out, const std::string& text, std::string_view quote) {
    out.append(quote).append(text).append(quote);
}

// "1 addition", "0 additions", "3 multiplications".
void appendOperations(std::string& out, int count, const char* one, const char* many) {
    out.append(std::to_string(count)).append(" ").append(count == 1 ? one : many);
}

bool isOne(const std::vector<Integer>& polynomial) {
    for (std::size_t i = 1; i < polynomial.size(); ++i)
        if (!polynomial[i].is_zero())
            return false;
    return polynomial.front() == 1;
}

// "3 * n^2 times", "1 time".
void appendRuns(std::string& out, const std::vector<Integer>& runs, std::string_view quote) {
    appendQuoted(out, countText(runs), quote);
    out += isOne(runs) ? " time" : " times";
}

}  // namespace

Integer Analysis::ownUnits(const StatementInfo& statement) const {
    return additionTimes[statement.additions] + multiplicationTimes[statement.multiplications];
}

// A loop's body: the statements after it up to its END, each with the counts
// of the loops between the loop and it, kept on a stack of the loops open.
Cost Analysis::perRunOf(const StatementInfo& statement) const {
    std::vector<Integer> units(1);
    if (!statement.costed)
        return Cost(std::move(units), scale);
    if (!statement.isLoop()) {
        units[0] = ownUnits(statement);
        return Cost(std::move(units), scale);
    }
    struct Open {
        std::int32_t index;
        Integer factor;  // the counts of the loops from here in, multiplied; 0 for one that does not read
        std::size_t power;
    };
    const auto self = static_cast<std::int32_t>(&statement - parts.data());
    std::vector<Open> open{Open{self, Integer(1), 0}};
    for (auto i = static_cast<std::size_t>(self) + 1; i < parts.size() && parts[i].begin < statement.end; ++i) {
        const StatementInfo& part = parts[i];
        while (open.back().index != part.parent)
            open.pop_back();
        const Open& around = open.back();
        if (part.isLoop()) {
            const bool overN = part.count < 0 && part.count != ReadEvents::unknownCount;
            Integer factor = !part.costed ? Integer(0) : overN ? around.factor : around.factor * part.count;
            open.push_back(Open{static_cast<std::int32_t>(i), std::move(factor), around.power + (overN ? 1 : 0)});
        } else if (part.costed && !around.factor.is_zero()) {
            if (units.size() <= around.power)
                units.resize(around.power + 1);
            units[around.power] += around.factor * ownUnits(part);
        }
    }
    return Cost(std::move(units), scale);
}

std::string Analysis::runsText(const StatementInfo& statement, std::string_view quote) const {
    if (!statement.costed)
        return "not costed: a loop count around it does not read";
    std::string out = statement.isLoop() ? "its body runs " : "runs ";
    appendRuns(out, runsOf(statement), quote);
    out += ", ";
    appendQuoted(out, perRunOf(statement).text(), quote);
    return out + " per run";
}

Explained Analysis::explain(const StatementInfo& statement) const {
    Explained entry{
        &statement, runsOf(statement),        Decimal{statement.costed ? ownUnits(statement) : Integer(0), scale},
        Cost(),     canonicalText(statement), std::string()};
    // runs is one term, c * n^p: the product is that term times the run's cost
    std::vector<Integer> units(entry.runs.size());
    units.back() = entry.runs.back() * entry.perRun.units;
    entry.cost = Cost(std::move(units), scale);
    if (!statement.costed) {
        entry.derivation = runsText(statement);
        return entry;
    }
    std::string& out = entry.derivation;
    out = "runs ";
    appendRuns(out, entry.runs, {});
    out += ", " + entry.perRun.text() + " per run (";
    appendOperations(out, statement.additions, "addition", "additions");
    out += " at " + costs.addition.text() + " + ";
    appendOperations(out, statement.multiplications, "multiplication", "multiplications");
    out += " at " + costs.multiplication.text() + "), ";
    entry.cost.appendText(out);
    out += " in all";
    return entry;
}

std::vector<Explained> Analysis::explanation() const {
    std::vector<Explained> entries;
    for (const StatementInfo& part : parts)
        if (!part.isLoop())
            entries.push_back(explain(part));
    return entries;
}

std::string Analysis::explanationTotal() const {
    std::size_t count = 0;
    for (const StatementInfo& part : parts)
        count += part.isLoop() ? 0 : 1;
    std::string out = "total: " + sum.text();
    if (count == 1)
        return out + ", the cost of its one statement";
    return out + ", the sum of the " + std::to_string(count) + " statements' costs";
}

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
    if (!statement.costed)
        return e;

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
        const Counts counts = analysis.countsOf(statement);
        e.operations =
            "'+' runs " + countText(counts.additions) + " times, '*' " + countText(counts.multiplications) + " times";
        e.product = productOf(counts, model) + " = " + e.cost;
        return e;
    }

    e.operations =
        std::to_string(statement.additions) + " '+' and " + std::to_string(statement.multiplications) + " '*'";
    const std::string one = analysis.perRunOf(statement).text();
    const Counts own{{Integer(statement.additions)}, {Integer(statement.multiplications)}};
    e.oneRun = statement.additions + statement.multiplications == 0 ? "0" : productOf(own, model) + " = " + one;
    e.product = e.runs + " \u00d7 " + one + " = " + e.cost;
    return e;
}

}  // namespace analysis
