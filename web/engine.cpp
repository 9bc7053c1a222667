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

// Longer model values are no cost anyone means, and reading a number of
// thousands of digits would only make the page wait.
const std::size_t longestModelValue = 64;

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
    if (text.size() > longestModelValue)
        return {std::nullopt, what + " is too long: at most " + std::to_string(longestModelValue) + " characters"};
    std::optional<analysis::Decimal> value = analysis::Decimal::parse(text);
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
                   {"text", analysis::Analysis::canonicalText(part)},
                   {"cost", cost.text()},
                   {"share", shareForColour(cost.shareOf(result.total()))},
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
    json["canonical"] = result.canonicalText();
    Json statements = Json::array();
    for (const analysis::StatementInfo& part : result.statements())
        statements.push_back(statementOf(result, part));
    json["statements"] = std::move(statements);
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
            modelReads ? analysis::Detail::statements : analysis::Detail::total);
        Json json{{"ok", modelReads && result.ok()}, {"modelError", nullptr}, {"error", nullptr}};
        if (!modelReads)
            json["modelError"] =
                Json{{"field", add.value ? "mul" : "add"}, {"message", add.value ? mul.message : add.message}};
        if (result.error())
            json["error"] = errorOf(*result.error());
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
