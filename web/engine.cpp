#include "engine.h"

#include <cmath>
#include <cstddef>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <utility>

#include <nlohmann/json.hpp>

#include "analysis.h"

// The answer, one JSON object:
//   ok           true when the text is a program and the model reads
//   modelError   null, or {field: "add" | "mul", message}
//   error        null, or {line, column, offset, length, message}; offsets
//                and lengths count bytes of the UTF-8 text
//   errors       every error, the first of them `error`
//   lines        where costs are shown: {line, cost, share, shareText, text}
//                for each line on which statements begin, also while the
//                text has errors (then without shares)
//   total        "15 * n^2 + 9 * n^1 + 2";  order "O(n^2)";  power 2
//   coefficients exact decimal texts from the constant up
//   canonical    the program in its canonical layout
//   statements   in source order, each loop before its body:
//                {kind: "loop" | "statement", offset, end, line, column,
//                 depth, parent, text, cost, share, order}, and for the
//                statements and loops outside any loop their coefficients
//                too, so that the page can draw what each contributes.
namespace web {

namespace {

using Json = nlohmann::ordered_json;

// Shares are for colours, and JSON has no inf: anything but a finite number
// is none.
double shareForColour(double share) { return std::isfinite(share) ? share : 0.0; }

struct ModelValue {
    std::optional<analysis::Decimal> value;
    std::string message;
};

ModelValue readModelValue(std::string_view text, const char* operation) {
    const std::string what = std::string("the cost of one '") + operation + "'";
    if (text.empty())
        return {std::nullopt, what + " is missing: type a decimal number such as 1, 0.5 or 2e3"};
    std::optional<analysis::Decimal> value = analysis::parseCost(text);
    if (!value)
        return {std::nullopt, what + " must be a decimal number such as 1, 0.5 or 2e3 (exponent at most 1000), not '" +
                                  analysis::printable(text) + "'"};
    return {value, ""};
}

Json coefficientsOf(const analysis::Cost& cost) {
    Json coefficients = Json::array();
    for (int power = 0; power <= cost.degree(); ++power)
        coefficients.push_back(cost.coefficient(power));
    return coefficients;
}

Json errorOf(const analysis::Diagnostic& error) {
    return Json{{"line", error.place.line},
                {"column", error.place.column},
                {"offset", error.offset},
                {"length", error.length},
                {"message", error.message}};
}

Json statementOf(const analysis::Analysis& result, const analysis::StatementInfo& part) {
    const analysis::Cost cost = result.costOf(part);
    const analysis::Place place = result.placeOf(part);
    Json statement{{"kind", part.isLoop() ? "loop" : "statement"},
                   {"offset", part.begin},
                   {"end", part.end},
                   {"line", place.line},
                   {"column", place.column},
                   {"depth", part.depth},
                   {"parent", part.parent},
                   {"text", result.canonicalText(part)},
                   {"cost", cost.text()},
                   {"share", shareForColour(result.shareOf(part))},
                   {"order", cost.order()}};
    if (part.parent < 0)
        statement["coefficients"] = coefficientsOf(cost);
    return statement;
}

void addResult(Json& json, const analysis::Analysis& result) {
    const analysis::Cost& total = result.total();
    json["total"] = total.text();
    json["order"] = total.orderText();
    json["power"] = total.order();
    json["coefficients"] = coefficientsOf(total);
    json["canonical"] = result.canonicalProgram();
    Json statements = Json::array();
    for (const analysis::StatementInfo& part : result.statements())
        statements.push_back(statementOf(result, part));
    json["statements"] = std::move(statements);
}

Json linesOf(const analysis::Analysis& result) {
    Json lines = Json::array();
    const analysis::Analysis::Statements& parts = result.statements();
    for (const analysis::Analysis::LineCost& line : result.lineCosts()) {
        if (!parts[line.first].costed)
            continue;
        Json shown{{"line", line.line}, {"cost", line.cost.text()}, {"text", result.canonicalText(parts[line.first])}};
        shown["share"] = result.ok() ? Json(shareForColour(line.share)) : Json(nullptr);
        shown["shareText"] = result.ok() ? Json(analysis::shareText(line.share)) : Json(nullptr);
        lines.push_back(std::move(shown));
    }
    return lines;
}

// Every text here is escaped printable ASCII or the canonical layout, but a
// byte that is not UTF-8 must never make the answer invalid.
std::string dumped(const Json& json) { return json.dump(-1, ' ', false, Json::error_handler_t::replace); }

std::string failureJson(const char* what) {
    const Json error{{"line", 1},
                     {"column", 1},
                     {"offset", 0},
                     {"length", 0},
                     {"message", std::string("the analysis failed: ") + what}};
    return dumped(Json{{"ok", false}, {"modelError", nullptr}, {"error", error}});
}

}  // namespace

std::string analyseToJson(std::string_view text, std::string_view additionCost, std::string_view multiplicationCost) {
    try {
        const ModelValue add = readModelValue(additionCost, "+");
        const ModelValue mul = readModelValue(multiplicationCost, "*");
        const bool modelReads = add.value && mul.value;
        // a model that does not read leaves nothing to cost, but the program
        // is still read, so that its errors show all the same
        const analysis::Analysis result(
            text, modelReads ? analysis::CostModel{*add.value, *mul.value} : analysis::CostModel{},
            analysis::Detail::statements);
        Json json{{"ok", modelReads && result.ok()}, {"modelError", nullptr}, {"error", nullptr}};
        if (!modelReads)
            json["modelError"] =
                Json{{"field", add.value ? "mul" : "add"}, {"message", add.value ? mul.message : add.message}};
        if (result.error())
            json["error"] = errorOf(*result.error());
        Json errors = Json::array();
        for (const analysis::Diagnostic& d : result.diagnostics())
            errors.push_back(errorOf(d));
        json["errors"] = std::move(errors);
        json["lines"] = modelReads ? linesOf(result) : Json::array();
        if (modelReads && result.ok())
            addResult(json, result);
        return dumped(json);
    } catch (const std::bad_alloc&) {
        return failureJson("out of memory");
    } catch (const std::exception& e) {
        return failureJson(e.what());
    }
}

}  // namespace web
