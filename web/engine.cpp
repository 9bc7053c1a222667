#include "loopcost/web/engine.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <deque>
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
#include "loopcost/analysis/derive.h"
#include "loopcost/analysis/exercise.h"
#include "loopcost/analysis/explain.h"
#include "loopcost/analysis/syntax.h"
#include "loopcost/analysis/trace.h"

// The question, one JSON object; every field may be left out:
//   programs     per program, null for one that is not asked about, else
//                {lines: [FIRST, LAST], cursor: OFFSET | null, canonical: BOOL,
//                expect: TEXT}: the lines in view (from 1), the cursor's byte
//                offset in the UTF-8 text, whether its canonical layout is
//                wanted, and an answer to check its cost against;
//                also derive: BOOL, whether its derivation is wanted, and
//                stepping: {n: TEXT, actions: [{seq, kind}]}, a run stepped
//                through for that n: the page's actions not yet answered,
//                numbered from 1 up, each kind "step", "back", "over" (a
//                statement, or a loop about to begin, run whole) or "end";
//                each is taken once, in order, however often it is asked
//   n            the text of a whole number: each program's cost there
//   compare      true: which of programs 0 and 1 is cheaper for each n
//   exercise     {level: TEXT, seed: TEXT}: the exercise that they make, each
//                read as a whole number is read
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
//     derivation   when asked for: null unless the program is costed, else
//                  {tooLong: true, statements} for one too long to show, or
//                  {lines: [{text, latex, sums}], loops: [{line, column,
//                  offset, end}]}: the lines of analysis/derive.h, the LaTeX
//                  without the "\\" that ends all but the last, and for each
//                  Σ of a line, in order, its loop as an index into `loops`
//     stepping     when asked for: {applied: the last action taken, nError:
//                  null or why n does not read, run}; run null unless the
//                  program is costed and n reads, else {n: its value,
//                  current: what runs next, {kind: "statement" | "loop",
//                  text, line, column, offset, end}, or null at the end;
//                  loops: the loops under way, outermost first, {index:
//                  "i", text, line, column, offset, end, counter, count};
//                  steps, additions, multiplications and cost so far; at:
//                  the cost at n, or null where it has too many digits;
//                  atEnd; back: whether an action can be taken back}
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
//   exercise     when asked for: {level, seed, program, addCost, mulCost},
//                the seed and the costs as exact decimal texts, the same as
//                loopcost --exercise makes; or {error: MESSAGE} for a level
//                or seed that does not read
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

// A derivation is worked out for the page up to so many statements, and
// shown when its lines are at most so many bytes: beyond that no one reads
// it in a panel, typesetting it on every edit would hold the page up, and
// the command line writes it.
const std::size_t mostDerived = 400;
const std::size_t mostDerivationBytes = std::size_t(1) << 15;

// A run is stepped through for an n of at most so many digits: the counts
// of its loops are shown on every answer.
const std::size_t mostSteppedDigits = 12;
// The positions kept to go back to, the oldest given up first, and the
// loops under way they may hold in all.
const std::size_t mostSaved = 1000;
const std::size_t mostSavedLoops = 100000;

// A loop's span also says where its head ("LOOP n") ends, for what the page
// shows beside it.
Json spanOf(const analysis::Analysis& result, const analysis::StatementInfo& part) {
    Json span{{"line", part.line}, {"column", part.column}, {"offset", part.begin}, {"end", part.end}};
    if (part.isLoop())
        span["headEnd"] = analysis::headerOf(result, part).end;
    return span;
}

Json derivationJson(const analysis::Analysis& result) {
    const analysis::Analysis::Statements& parts = result.statements();
    if (parts.size() > mostDerived)
        return Json{{"tooLong", true}, {"statements", parts.size()}};
    analysis::Derivation derivation = analysis::deriveCost(result);
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < derivation.text.size(); ++i)
        bytes += derivation.text[i].size() + derivation.latex[i].size();
    if (bytes > mostDerivationBytes)
        return Json{{"tooLong", true}, {"statements", parts.size()}};
    Json lines = Json::array();
    for (std::size_t i = 0; i < derivation.text.size(); ++i) {
        std::string& latex = derivation.latex[i];
        if (latex.size() >= 3 && latex.compare(latex.size() - 3, 3, " \\\\") == 0)
            latex.resize(latex.size() - 3);
        lines.push_back(
            Json{{"text", std::move(derivation.text[i])}, {"latex", std::move(latex)}, {"sums", derivation.sums[i]}});
    }
    Json loops = Json::array();
    for (const analysis::StatementInfo& part : parts)
        if (part.isLoop())
            loops.push_back(spanOf(result, part));
    return Json{{"lines", std::move(lines)}, {"loops", std::move(loops)}};
}

// A run of one analysis for one n, stepped through as the page asks.
struct Stepping {
    std::uint64_t generation;  // of the analysis it runs
    std::string nText;         // n as typed
    std::string n;             // its value
    analysis::Tracer tracer;
    std::deque<analysis::Tracer> saved;  // where each action kept started, the newest last
    std::size_t savedLoops = 0;          // the loops under way in `saved`, in all
    Json at;                             // the cost at n

    Stepping(const analysis::Analysis& result, std::uint64_t generation, std::string nText, const analysis::Integer& n)
        : generation(generation), nText(std::move(nText)), n(integerText(n)), tracer(result, n) {
        at = analysis::valueFits(result.total(), n) ? Json(analysis::valueAt(result.total(), n).text()) : Json(nullptr);
    }

    void take(const std::string& kind) {
        if (kind == "back") {
            if (saved.empty())
                return;
            savedLoops -= saved.back().openLoops().size();
            tracer = std::move(saved.back());
            saved.pop_back();
            return;
        }
        if (tracer.atEnd() || (kind != "step" && kind != "over" && kind != "end"))
            return;
        saved.push_back(tracer);
        savedLoops += tracer.openLoops().size();
        while (saved.size() > mostSaved || savedLoops > mostSavedLoops) {
            savedLoops -= saved.front().openLoops().size();
            saved.pop_front();
        }
        if (kind == "step")
            tracer.step();
        else if (kind == "over")
            tracer.stepOver();
        else
            tracer.toEnd();
    }

    Json json(const analysis::Analysis& result) const {
        const analysis::StatementInfo* next = tracer.current();
        Json current = nullptr;
        if (next) {
            current = spanOf(result, *next);
            current["kind"] = next->isLoop() ? "loop" : "statement";
            current["text"] = result.canonicalText(*next);
        }
        Json loops = Json::array();
        for (const analysis::OpenLoop& open : tracer.openLoops()) {
            Json loop = spanOf(result, *open.loop);
            loop["index"] = analysis::indexName(open.loop->depth);
            loop["text"] = result.canonicalText(*open.loop);
            loop["counter"] = integerText(open.counter);
            loop["count"] = integerText(open.count);
            loops.push_back(std::move(loop));
        }
        const analysis::Progress& done = tracer.progress();
        return Json{{"n", n},
                    {"current", std::move(current)},
                    {"loops", std::move(loops)},
                    {"steps", integerText(done.steps)},
                    {"additions", integerText(done.additions)},
                    {"multiplications", integerText(done.multiplications)},
                    {"cost", done.cost.text()},
                    {"at", at},
                    {"atEnd", tracer.atEnd()},
                    {"back", !saved.empty()}};
    }
};

// A field as text: a string as it is, a number as JSON writes it.
std::string fieldText(const Json& asked, const char* field, const char* absent) {
    if (!asked.contains(field))
        return absent;
    const Json& value = asked[field];
    return value.is_string() ? value.get<std::string>() : value.dump();
}

// The exercise of a level and a seed as typed (in a link, say); level 1
// where none is given.
Json exerciseOf(const Json& asked) {
    const std::string levelText = fieldText(asked, "level", "1");
    const std::string seedText = fieldText(asked, "seed", "");
    const std::optional<int> level = analysis::parseLevel(levelText);
    if (!level)
        return Json{{"error", "the level must be a whole number from " + std::to_string(analysis::firstLevel) + " to " +
                                  std::to_string(analysis::lastLevel) + ", not '" + analysis::printable(levelText) +
                                  "'"}};
    const std::optional<std::uint64_t> seed = analysis::parseSeed(seedText);
    if (!seed)
        return Json{{"error", "the seed must be a whole number from 0 to 18446744073709551615, not '" +
                                  analysis::printable(seedText) + "'"}};
    const analysis::Exercise e = analysis::makeExercise(*level, *seed);
    return Json{{"level", e.level},
                {"seed", std::to_string(e.seed)},
                {"program", e.program},
                {"addCost", e.addCost.text()},
                {"mulCost", e.mulCost.text()}};
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
    std::optional<Json> derivation;
    std::unique_ptr<Stepping> stepping;     // holds on to `result`
    std::int64_t applied = 0;               // the page's last action taken, whatever it ran
    std::optional<std::string> expectText;  // the answer that `expect` and `expectError` are of
    Json expect;
    Json expectError;

    void forget() {
        stepping.reset();
        result.reset();
        summary.reset();
        nText.clear();
        at = nullptr;
        derivation.reset();
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

    const Json& derivationOf() {
        if (!derivation)
            derivation = costed() ? derivationJson(*result) : Json(nullptr);
        return *derivation;
    }

    // The run for the n asked about, started again whenever the analysis or
    // n changes, after the actions not taken yet.
    Json steppingOf(const Json& asked) {
        const std::string n = asked.contains("n") && asked["n"].is_string() ? asked["n"].get<std::string>() : "";
        std::string message;
        std::optional<analysis::Integer> value = readWhole(n, message);
        if (value && integerText(*value).size() > mostSteppedDigits) {
            message = "n must have at most " + std::to_string(mostSteppedDigits) + " digits to step through, not '" +
                      analysis::printable(n) + "'";
            value.reset();
        }
        if (!value || !costed())
            stepping.reset();
        else if (!stepping || stepping->generation != generation || stepping->nText != n)
            stepping = std::make_unique<Stepping>(*result, generation, n, *value);
        const Json none = Json::array();
        const Json& actions = asked.contains("actions") && asked["actions"].is_array() ? asked["actions"] : none;
        for (const Json& action : actions) {
            const std::int64_t seq = action.value("seq", std::int64_t(0));
            if (seq <= applied)
                continue;
            applied = seq;
            if (stepping)
                stepping->take(action.value("kind", std::string()));
        }
        return Json{{"applied", applied},
                    {"nError", value ? Json(nullptr) : Json(message)},
                    {"run", stepping ? stepping->json(*result) : Json(nullptr)}};
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
            if (about.value("derive", false))
                one["derivation"] = program.derivationOf();
            if (about.contains("stepping") && about["stepping"].is_object())
                one["stepping"] = program.steppingOf(about["stepping"]);
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
        if (asked.contains("exercise") && asked["exercise"].is_object())
            json["exercise"] = exerciseOf(asked["exercise"]);
        return dumped(json);
    } catch (const std::bad_alloc&) {
        return dumped(Json{{"failure", "the analysis failed: out of memory"}});
    } catch (const std::exception& e) {
        return dumped(Json{{"failure", std::string("the analysis failed: ") + e.what()}});
    }
}

}  // namespace web
