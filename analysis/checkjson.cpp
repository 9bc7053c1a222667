#include "loopcost/analysis/checkjson.h"

#include <cstdio>

namespace analysis {

namespace {

// The analysis's texts are printable ASCII but for Θ and Ω: escaping the
// quote, the backslash and control characters keeps them JSON whatever
// they hold.
void appendString(std::string& out, std::string_view text) {
    out += '"';
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            out += escape;
        } else {
            out += c;
        }
    }
    out += '"';
}

void appendNumber(std::string& out, const Decimal& value, const CheckJsonStyle& style) {
    if (style.numbersAsText)
        out += '"';
    Decimal::appendDecimal(out, value.units, value.scale);
    if (style.numbersAsText)
        out += '"';
}

void appendSpan(std::string& out, const StatementInfo* statement, const CheckJsonStyle& style) {
    if (style.offsets && statement != nullptr)
        out += ", \"from\": " + std::to_string(statement->begin) + ", \"to\": " + std::to_string(statement->end);
}

void appendTerm(std::string& out, const CheckedTerm& term, const CheckJsonStyle& style) {
    out += "{\"power\": " + std::to_string(term.power) + ", \"answered\": ";
    if (term.answered)
        appendNumber(out, *term.answered, style);
    else
        out += "null";
    out += ", \"cost\": ";
    appendNumber(out, term.cost, style);
    out += term.right ? ", \"right\": true" : ", \"right\": false";
    out += ", \"statements\": [";
    for (std::size_t i = 0; i < term.statements.size(); ++i) {
        const TermStatement& statement = term.statements[i];
        out += i ? ", " : "";
        out += "{\"line\": " + std::to_string(statement.line) + ", \"column\": " + std::to_string(statement.column) +
               ", \"text\": ";
        appendString(out, statement.text);
        out += ", \"cost\": ";
        appendNumber(out, statement.cost, style);
        appendSpan(out, statement.statement, style);
        out += '}';
    }
    out += ']';
    if (term.more > 0)
        out += ", \"more\": " + std::to_string(term.more);
    out += '}';
}

}  // namespace

std::string checkJson(const Check& check, std::string_view answerJson, const CheckJsonStyle& style) {
    std::string out = "{\"answer\": ";
    out += answerJson;
    out += check.right ? ", \"right\": true" : ", \"right\": false";
    out += check.kind == AnswerKind::exact ? R"(, "kind": "exact")" : R"(, "kind": "order")";
    out += ", \"terms\": [";
    for (std::size_t i = 0; i < check.terms.size(); ++i) {
        out += i ? ", " : "";
        appendTerm(out, check.terms[i], style);
    }
    out += "], \"order\": ";
    if (check.order) {
        out += "{\"cost\": ";
        appendString(out, check.order->cost);
        out += check.order->loose ? ", \"loose\": true}" : ", \"loose\": false}";
    } else {
        out += "null";
    }
    out += ", \"slip\": ";
    if (check.slip) {
        out += "{\"kind\": ";
        appendString(out, slipName(check.slip->kind));
        out += ", \"line\": " + std::to_string(check.slip->line) +
               ", \"column\": " + std::to_string(check.slip->column) + ", \"text\": ";
        appendString(out, check.slip->text);
        appendSpan(out, check.slip->at, style);
        out += '}';
    } else {
        out += "null";
    }
    return out + '}';
}

}  // namespace analysis
