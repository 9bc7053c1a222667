#include "loopcost/cli/expect.h"

#include <ostream>
#include <string>

#include "loopcost/analysis/check.h"
#include "loopcost/analysis/checkjson.h"
#include "loopcost/analysis/cost.h"
#include "loopcost/cli/json.h"

namespace {

std::string termText(std::int32_t power, const analysis::Decimal& coefficient) {
    std::string text;
    if (coefficient.units.is_zero())
        return "0";
    analysis::Cost::appendTerm(text, power, coefficient.units, coefficient.scale, true);
    return text;
}

void writeFirstLine(std::ostream& out, const std::string& cost, const std::string& answer,
                    const analysis::Check& check) {
    if (check.kind == analysis::AnswerKind::exact) {
        out << (check.right ? "right" : "wrong") << ": the cost is " << cost;
        if (!check.right)
            out << ", not " << answer;
        out << '\n';
        return;
    }
    const analysis::OrderCheck& order = *check.order;
    if (check.right && order.loose)
        out << "right, but loose: the cost " << cost << " is " << order.cost << ", not only " << answer << '\n';
    else if (check.right)
        out << "right: the cost " << cost << " is " << answer << '\n';
    else if (cost == "0")
        out << "wrong: the cost 0 is O(1) and has no \u0398 or \u03A9\n";
    else
        out << "wrong: the cost " << cost << " is " << order.cost << ", not " << answer << '\n';
}

void writeTerm(std::ostream& out, const std::string& name, const analysis::CheckedTerm& term) {
    out << (term.power == 0 ? std::string("n^0") : "n^" + std::to_string(term.power)) << ": ";
    if (!term.answered)
        out << "the cost has " << term.cost.text();
    else if (term.right)
        out << term.answered->text() << ", right";
    else
        out << term.answered->text() << " answered, the cost has " << term.cost.text();
    out << (term.statements.empty() ? "\n" : ":\n");
    for (const analysis::TermStatement& statement : term.statements)
        out << "  " << name << ':' << statement.line << ':' << statement.column << ": "
            << termText(term.power, statement.cost) << ' ' << statement.text << '\n';
    if (term.more > 0)
        out << "  \u2026 and " << term.more << " more statements\n";
}

}  // namespace

void writeExpect(std::ostream& out, const std::string& name, const std::string& cost, const std::string& answer,
                 const analysis::Check& check) {
    writeFirstLine(out, cost, answer, check);
    if (check.right)
        return;
    for (const analysis::CheckedTerm& term : check.terms)
        writeTerm(out, name, term);
    if (check.slip)
        out << "slip (" << analysis::slipName(check.slip->kind) << "): " << check.slip->text << '\n';
}

std::string expectJson(const std::string& answer, const analysis::Check& check) {
    return analysis::checkJson(check, jsonString(answer));
}
