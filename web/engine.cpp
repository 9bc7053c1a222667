#include "loopcost/web/engine.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "loopcost/analysis/analysis.h"
#include "loopcost/analysis/answer.h"
#include "loopcost/analysis/check.h"
#include "loopcost/analysis/checkjson.h"
#include "loopcost/analysis/compare.h"
#include "loopcost/analysis/explain.h"

// The question, one JSON object; every field may be left out:
//   programs     per program, null for one that is not asked about, else
//                {lines: [FIRST, LAST], cursor: OFFSET | null, canonical: BOOL,
//                expect: TEXT}: the lines in view (from 1), the cursor's byte
//                offset in the UTF-8 text, whether its canonical layout is
//                wanted, and an answer to check its cost against
//   n            the text of a whole number: each program's cost there
//   compare      true: which of programs 0 and 1 is cheaper for each n
//
// The answer, one JSON object:
//   modelError   null, or {field: "add" | "mul", message}
//   failure      only when the analysis itself failed: its message
//   nError       null, or why the text of n is not a whole number >= 0
//   programs     per program asked about (else null):
//     ok           true when the text is a program and the model reads
//     error        null, or {line, column, offset, length, message}; offsets
//                  and lengths count bytes of the UTF-8 text
//     errors       every error, the first of them `error`
//     lines        where costs are shown, for the lines asked for: {line,
//                  cost, share, shareText, text} for each line on which
//                  statements begin, also while the text has errors (then
//                  without shares)
//     total        "15 * n^2 + 9 * n^1 + 2";  order "O(n^2)";  power 2
//     coefficients exact decimal texts from the constant up
//     contributions  what the loops outside any loop that grow with n add,
//                  when there are several: {label, coefficients}, the six
//                  that grow fastest, fastest first
//     explanation  null, or what is under the cursor: {kind: "loop" |
//                  "statement", text, line, column, offset, end, costed,
//                  runs, loops, operations, oneRun, product, cost, share}
//                  (see analysis/explain.h)
//     at           the exact cost at n, or null
//     canonical    the program in its canonical layout, when asked for
//     expect       when an answer was given and both it and the program
//                  read: the check, the command line's "expect" object
//                  (analysis/checkjson.h) with its numbers as exact decimal
//                  texts and each statement's and the slip's span in bytes,
//                  "from" and "to"; else null
//     expectError  null, or why the answer does not read: {column (in
//                  characters, from 1), offset (in bytes), message}
//   comparison   when asked for: null unless both programs are costed, else
//                {text, runs: [{from, to, which: "A" | "B" | "equal"}]},
//                `to` null for the last run, which has no end
namespace web {

namespace {

using Json = nlohmann::ordered_json;

// The names of the two programs in every text that compares them.
const char* const names[Playground::programs] = {"A", "B"};
const std::size_t mostContributions = 6;

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

// n as typed, read as every front-end reads it ("1000", "1e30", blanks
// around it left out).
std::optional<analysis::Integer> readWhole(std::string_view text, std::string& message) {
    analysis::Whole value = analysis::parseWhole(text);
    if (value.ok())
        return std::move(value.value);
    while (!text.empty() && analysis::isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && analysis::isBlank(text.back()))
        text.remove_suffix(1);
    const std::string shown = analysis::printable(text);
    if (value.fault == analysis::WholeFault::tooLarge)
        message = "n must have at most " + std::to_string(analysis::mostDigits) + " digits, not '" + shown + "'";
    else
        message = "n must be a whole number, 0 or more, such as 10, 123456789 or 1e30, not '" + shown + "'";
    return std::nullopt;
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

// The loops outside any loop that grow with n, when there are several: what
// each of them adds to the total, the fastest growing first.
Json contributionsOf(const analysis::Analysis& result) {
    struct Part {
        const analysis::StatementInfo* statement;
        analysis::Cost cost;
        double share;
    };
    std::vector<Part> parts;
    for (const analysis::StatementInfo& part : result.statements()) {
        if (part.parent >= 0)
            continue;
        analysis::Cost cost = result.costOf(part);
        if (cost.order() > 0)
            parts.push_back(Part{&part, std::move(cost), shareForColour(result.shareOf(part))});
    }
    Json contributions = Json::array();
    if (parts.size() < 2)
        return contributions;
    const auto faster = [](const Part& a, const Part& b) {
        if (a.cost.order() != b.cost.order())
            return a.cost.order() > b.cost.order();
        if (a.share != b.share)
            return a.share > b.share;
        return a.statement < b.statement;
    };
    const std::size_t shown = std::min(parts.size(), mostContributions);
    std::partial_sort(parts.begin(), parts.begin() + static_cast<std::ptrdiff_t>(shown), parts.end(), faster);
    for (std::size_t i = 0; i < shown; ++i) {
        const analysis::StatementInfo& part = *parts[i].statement;
        std::string label = result.canonicalText(part);
        if (label.size() > 2 && label.compare(label.size() - 2, 2, " ;") == 0)
            label.resize(label.size() - 2);
        label += " at " + std::to_string(part.line) + ":" + std::to_string(part.column);
        contributions.push_back(Json{{"label", label}, {"coefficients", coefficientsOf(parts[i].cost)}});
    }
    return contributions;
}

Json explanationJson(const analysis::Analysis& result, const analysis::StatementInfo& part) {
    const analysis::Explanation e = analysis::explanationOf(result, part);
    return Json{{"kind", e.loop ? "loop" : "statement"},
                {"text", e.text},
                {"line", e.place.line},
                {"column", e.place.column},
                {"offset", part.begin},
                {"end", part.end},
                {"costed", e.costed},
                {"runs", e.runs},
                {"loops", e.loops},
                {"operations", e.operations},
                {"oneRun", e.oneRun},
                {"product", e.product},
                {"cost", e.cost},
                {"share", e.share ? Json(*e.share) : Json(nullptr)}};
}

const char* whichName(analysis::Cheaper which) {
    switch (which) {
    case analysis::Cheaper::first: return names[0];
    case analysis::Cheaper::second: return names[1];
    case analysis::Cheaper::equal: break;
    }
    return "equal";
}

std::string integerText(const analysis::Integer& value) {
    std::string text;
    analysis::appendInteger(text, value);
    return text;
}

// Every text here is escaped printable ASCII or the canonical layout, but a
// byte that is not UTF-8 must never make the answer invalid.
std::string dumped(const Json& json) { return json.dump(-1, ' ', false, Json::error_handler_t::replace); }

struct Model {
    std::string add = "1";
    std::string mul = "1";
    ModelValue addition = readModelValue("1", "+");
    ModelValue multiplication = readModelValue("1", "*");

    bool reads() const { return addition.value && multiplication.value; }
    analysis::CostModel costModel() const {
        // a model that does not read leaves nothing to cost, but a program is
        // still read, so that its errors show all the same
        return reads() ? analysis::CostModel{*addition.value, *multiplication.value} : analysis::CostModel{};
    }
};

// NOLINTNEXTLINE(bugprone-exception-escape): json's destructor allocates while it frees nested values
struct Program {
    std::string text;
    std::unique_ptr<analysis::Analysis> result;  // of `text`; null until asked about
    bool modelReads = false;
    std::uint64_t generation = 0;  // counts the analyses made, for what is kept about them
    // made on first use, each for this analysis
    std::optional<Json> summary;
    std::string nText;
    Json at;
    std::optional<std::string> expectText;  // the answer that `expect` and `expectError` are of
    Json expect;
    Json expectError;

    void forget() {
        result.reset();
        summary.reset();
        nText.clear();
        at = nullptr;
        expectText.reset();
    }

    const analysis::Analysis& analysed(const Model& model) {
        if (!result) {
            result = std::make_unique<analysis::Analysis>(text, model.costModel(), analysis::Detail::statements);
            modelReads = model.reads();
            ++generation;
        }
        return *result;
    }

    bool costed() const { return result && modelReads && result->ok(); }

    const Json& summaryOf() {
        if (summary)
            return *summary;
        const analysis::Analysis& r = *result;
        Json json{{"ok", costed()}, {"error", r.error() ? errorOf(*r.error()) : Json(nullptr)}};
        Json errors = Json::array();
        for (const analysis::Diagnostic& d : r.diagnostics())
            errors.push_back(errorOf(d));
        json["errors"] = std::move(errors);
        if (costed()) {
            const analysis::Cost& total = r.total();
            json["total"] = total.text();
            json["order"] = total.orderText();
            json["power"] = total.order();
            json["coefficients"] = coefficientsOf(total);
            json["contributions"] = contributionsOf(r);
        }
        summary = std::move(json);
        return *summary;
    }

    // The lines from `first` to `last` on which costs are shown.
    Json linesOf(std::size_t first, std::size_t last) {
        Json lines = Json::array();
        if (!modelReads)
            return lines;
        const analysis::Analysis::Statements& parts = result->statements();
        const std::vector<analysis::Analysis::LineCost> lineCosts = result->lineCosts(first, last);
        for (const analysis::Analysis::LineCost& line : lineCosts) {
            if (!parts[line.first].costed)
                continue;
            Json shown{
                {"line", line.line}, {"cost", line.cost.text()}, {"text", result->canonicalText(parts[line.first])}};
            shown["share"] = result->ok() ? Json(shareForColour(line.share)) : Json(nullptr);
            shown["shareText"] = result->ok() ? Json(analysis::shareText(line.share)) : Json(nullptr);
            lines.push_back(std::move(shown));
        }
        return lines;
    }

    // The answer read and checked against the cost, once for each answer
    // and analysis: the cursor moves and the view scrolls without it.
    void check(const std::string& answer) {
        if (expectText == answer)
            return;
        expectText = answer;
        expect = nullptr;
        expectError = nullptr;
        const analysis::AnswerRead read = analysis::readAnswer(answer);
        if (!read.ok()) {
            expectError = Json{{"column", read.fault.column},
                               {"offset", read.fault.offset},
                               {"message", analysis::answerFaultText(answer, read.fault)}};
            return;
        }
        if (!costed())
            return;
        const analysis::Check checked = analysis::checkAnswer(*result, read.answer);
        // the texts are exact decimals and the offsets small: the JSON reads back as it is
        expect = Json::parse(analysis::checkJson(checked, dumped(Json(answer)), {true, true}));
    }

    Json valueAt(const std::string& n, const analysis::Integer& value) {
        if (!costed())
            return nullptr;
        if (nText != n || at.is_null()) {
            nText = n;
            // null too when its digits would be too many to show
            at = analysis::valueFits(result->total(), value) ? Json(analysis::valueAt(result->total(), value).text())
                                                             : Json(nullptr);
        }
        return at;
    }
};

}  // namespace

struct Playground::State {
    Model model;
    Program held[programs];
    // the comparison of the analyses of these generations
    std::optional<std::pair<std::uint64_t, std::uint64_t>> compared;
    Json comparison;

    Json compare();
};

Json Playground::State::compare() {
    if (compared && compared->first == held[0].generation && compared->second == held[1].generation)
        return comparison;
    const analysis::Comparison c = analysis::compareCosts(held[0].result->total(), held[1].result->total());
    Json runs = Json::array();
    for (const analysis::Run& run : c.runs)
        runs.push_back(Json{{"from", integerText(run.from)},
                            {"to", run.to ? Json(integerText(*run.to)) : Json(nullptr)},
                            {"which", whichName(run.which)}});
    comparison = Json{{"text", analysis::comparisonText(c, names[0], names[1])}, {"runs", std::move(runs)}};
    compared = std::make_pair(held[0].generation, held[1].generation);
    return comparison;
}

Playground::Playground() : state(std::make_unique<State>()) {}

Playground::~Playground() = default;

void Playground::setModel(std::string_view additionCost, std::string_view multiplicationCost) {
    Model& model = state->model;
    if (additionCost == model.add && multiplicationCost == model.mul)
        return;
    model.add = std::string(additionCost);
    model.mul = std::string(multiplicationCost);
    model.addition = readModelValue(additionCost, "+");
    model.multiplication = readModelValue(multiplicationCost, "*");
    for (Program& program : state->held)
        program.forget();
}

void Playground::setProgram(std::size_t index, std::string_view text) {
    if (index >= programs)
        return;
    Program& program = state->held[index];
    if (program.result && text == program.text)
        return;
    // the analysis looks into the text: it goes first
    program.forget();
    program.text = std::string(text);
}

std::string Playground::answer(std::string_view question) {
    try {
        const Json asked = Json::parse(question);
        const Model& model = state->model;
        Json json{{"modelError", nullptr}, {"nError", nullptr}};
        if (!model.reads()) {
            const bool add = !model.addition.value;
            json["modelError"] = Json{{"field", add ? "add" : "mul"},
                                      {"message", add ? model.addition.message : model.multiplication.message}};
        }
        std::optional<analysis::Integer> n;
        std::string nText;
        if (asked.contains("n") && asked["n"].is_string()) {
            nText = asked["n"].get<std::string>();
            std::string message;
            n = readWhole(nText, message);
            if (!n)
                json["nError"] = message;
        }
        const Json none;
        const Json& questions = asked.contains("programs") ? asked["programs"] : none;
        Json answers = Json::array();
        for (std::size_t i = 0; i < programs; ++i) {
            const Json& about = questions.is_array() && i < questions.size() ? questions[i] : none;
            if (!about.is_object()) {
                answers.push_back(nullptr);
                continue;
            }
            Program& program = state->held[i];
            const analysis::Analysis& result = program.analysed(model);
            Json one = program.summaryOf();
            const Json lines = about.value("lines", Json::array());
            one["lines"] = lines.size() == 2 ? program.linesOf(lines[0].get<std::size_t>(), lines[1].get<std::size_t>())
                                             : Json::array();
            one["explanation"] = nullptr;
            if (program.modelReads && about.contains("cursor") && about["cursor"].is_number_unsigned())
                if (const analysis::StatementInfo* part =
                        analysis::statementUnderCursor(result, about["cursor"].get<std::size_t>()))
                    one["explanation"] = explanationJson(result, *part);
            one["at"] = n ? program.valueAt(nText, *n) : Json(nullptr);
            if (n && program.costed() && one["at"].is_null() && json["nError"].is_null())
                json["nError"] = std::string("the cost of ") + names[i] + " at this n would have more than " +
                                 std::to_string(analysis::mostDigits) + " digits, the most shown";
            if (about.value("canonical", false) && program.costed())
                one["canonical"] = result.canonicalProgram();
            one["expect"] = nullptr;
            one["expectError"] = nullptr;
            if (about.contains("expect") && about["expect"].is_string()) {
                program.check(about["expect"].get<std::string>());
                one["expect"] = program.expect;
                one["expectError"] = program.expectError;
            }
            answers.push_back(std::move(one));
        }
        json["programs"] = std::move(answers);
        json["comparison"] = nullptr;
        if (asked.value("compare", false) && state->held[0].costed() && state->held[1].costed())
            json["comparison"] = state->compare();
        return dumped(json);
    } catch (const std::bad_alloc&) {
        return dumped(Json{{"failure", "the analysis failed: out of memory"}});
    } catch (const std::exception& e) {
        return dumped(Json{{"failure", std::string("the analysis failed: ") + e.what()}});
    }
}

}  // namespace web
