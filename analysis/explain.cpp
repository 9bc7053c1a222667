// The derivation of a cost, statement by statement, and the words for how
// many times something runs: made once here for every front-end.
#include <string>
#include <utility>
#include <vector>

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

}  // namespace analysis
