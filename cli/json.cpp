#include "loopcost/cli/json.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "loopcost/analysis/analysis.h"
#include "loopcost/analysis/canonical.h"
#include "loopcost/analysis/compare.h"
#include "loopcost/cli/outputbuffer.h"

namespace {

// A program may have millions of statements: each object is written in place
// into one buffer, since it has some thirty pieces; what the analysis writes
// into a string goes through a scratch string that keeps its room.
class JsonLine {
public:
    explicit JsonLine(std::ostream& out) : buffer(out) {}

    template <std::size_t size>
    JsonLine& raw(const char (&literal)[size]) {
        return bytes(literal, size - 1);
    }
    JsonLine& bytes(const char* from, std::size_t count) {
        buffer.append(from, count);
        return *this;
    }
    JsonLine& number(std::size_t value) {
        char* const begin = at(24);
        return done(std::to_chars(begin, begin + 24, value).ptr);
    }
    // The shortest text that reads back as the same double.
    JsonLine& number(double value) {
        char* const begin = at(32);
        return done(std::to_chars(begin, begin + 32, value).ptr);
    }
    JsonLine& string(const std::string& text) {
        if (!isPlain(text))
            return put(jsonString(text));
        raw("\"");
        put(text);
        return raw("\"");
    }
    JsonLine& put(const std::string& text) { return bytes(text.data(), text.size()); }
    // Exact decimals are valid JSON numbers as they stand: all digits, no
    // exponent. A double could not hold them, so they are written as text.
    JsonLine& coefficients(const analysis::Cost& cost) {
        std::string& digits = scratch();
        digits += '[';
        for (int i = 0; i <= cost.degree(); ++i) {
            if (i)
                digits.append(", ", 2);
            cost.appendCoefficient(digits, i);
        }
        digits += ']';
        return put(digits);
    }
    JsonLine& integers(const std::vector<analysis::Integer>& values) {
        std::string& digits = scratch();
        digits += '[';
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (i)
                digits.append(", ", 2);
            analysis::appendInteger(digits, values[i]);
        }
        digits += ']';
        return put(digits);
    }
    // A string to append to and then put(): it keeps its room between uses.
    std::string& scratch() {
        spare.clear();
        return spare;
    }
    // Room for `count` bytes written in place, up to the end given to done().
    char* at(std::size_t count) { return buffer.at(count); }
    JsonLine& done(const char* end) {
        buffer.done(end);
        return *this;
    }
    void flushIfFull() { buffer.flushIfFull(); }

private:
    // Canonical statement texts and costs need no escaping, and a program has
    // many: only a string that does goes through the JSON library.
    static bool isPlain(const std::string& bytes) {
        return std::all_of(bytes.begin(), bytes.end(),
                           [](char c) { return c >= 0x20 && c < 0x7f && c != '"' && c != '\\'; });
    }

    OutputBuffer buffer;
    std::string spare;
};

void writeCost(JsonLine& json, const analysis::Analysis& program, const analysis::StatementInfo& statement) {
    const analysis::Cost cost = program.costOf(statement);
    json.raw(", \"degree\": ").number(static_cast<std::size_t>(cost.degree())).raw(", \"coefficients\": ");
    json.coefficients(cost).raw(R"(, "cost": ")");
    std::string& text = json.scratch();
    cost.appendText(text);  // the cost at hand: made once, written twice
    json.put(text).raw(R"(", "share": )").number(cost.shareOf(program.total()));
}

template <std::size_t size>
char* put(char* at, const char (&literal)[size]) {
    return std::copy_n(literal, size - 1, at);
}

// "0, " for each power of n below the term's
char* zerosBelow(char* at, int power) {
    for (int i = 0; i < power; ++i)
        at = put(at, "0, ");
    return at;
}

// Most statements: one term in machine words, written in place without
// making its cost or its runs.
void writeTerm(JsonLine& json, const analysis::Analysis::Term& term, double share) {
    // two lists of zeros, two numbers as long as a term, and the rest
    const std::size_t room = 6 * static_cast<std::size_t>(term.power) + 2 * analysis::Cost::termRoom(term.scale) + 160;
    char* at = json.at(room);
    char* const limit = at + room;
    at = std::to_chars(put(at, ", \"degree\": "), limit, term.power).ptr;
    at = analysis::Decimal::writeDecimal(zerosBelow(put(at, ", \"coefficients\": ["), term.power), term.units,
                                         term.scale);
    at = put(at, R"(], "cost": ")");
    at = term.units == 0 ? put(at, "0") : analysis::Cost::writeTerm(at, term.power, term.units, term.scale, true);
    at = std::to_chars(put(at, R"(", "share": )"), limit, share).ptr;
    at = std::to_chars(zerosBelow(put(at, ", \"runs\": ["), term.power), limit, term.runs).ptr;
    json.done(put(at, "]"));
}

void writeStatement(JsonLine& json, const analysis::Analysis& program, const analysis::StatementInfo& statement,
                    analysis::Place place) {
    if (statement.isLoop())
        json.raw(R"({"kind": "loop", "line": )");
    else
        json.raw(R"({"kind": "statement", "line": )");
    json.number(place.line).raw(", \"column\": ").number(place.column).raw(R"(, "text": ")");
    // canonical texts are letters, blanks, operators and digits: nothing to escape
    json.done(analysis::writeCanonicalText(json.at(analysis::canonicalRoom), program.text(), statement)).raw("\"");
    // how many times it runs and its own operations; a loop's are its body's
    // runs and none of its own
    if (const std::optional<analysis::Analysis::Term> term = program.termOf(statement)) {
        // a statement's one term counts only at the order of the total
        const analysis::Cost& total = program.total();
        const double share = term->power == total.order()
                                 ? analysis::Cost::ratio(analysis::Integer(term->units), total.unitsOf(total.order()))
                                 : 0.0;
        writeTerm(json, *term, share);
    } else {
        writeCost(json, program, statement);
        json.raw(", \"runs\": ").integers(program.runsOf(statement));
    }
    json.raw(R"(, "own": {"additions": )").number(static_cast<std::size_t>(statement.additions));
    json.raw(", \"multiplications\": ").number(static_cast<std::size_t>(statement.multiplications)).raw("}}");
}

void writeProgram(JsonLine& json, const std::string& file, const analysis::Analysis& program,
                  const std::vector<analysis::Integer>& at, const std::string& members) {
    const analysis::Cost& total = program.total();
    json.raw("{\"file\": ").string(file).raw(", \"degree\": ").number(static_cast<std::size_t>(total.degree()));
    json.raw(", \"coefficients\": ").coefficients(total);
    json.raw(", \"text\": ").string(total.text()).raw(", \"order\": ").string(total.orderText());
    if (!at.empty()) {
        json.raw(", \"at\": {");
        for (std::size_t i = 0; i < at.size(); ++i) {
            std::string& digits = json.scratch();
            digits += i ? ", \"" : "\"";
            analysis::appendInteger(digits, at[i]);
            digits += "\": ";
            digits += analysis::valueAt(total, at[i]).text();
            json.put(digits);
        }
        json.raw("}");
    }
    json.raw(", \"additions\": ").integers(program.counts().additions);
    json.raw(", \"multiplications\": ").integers(program.counts().multiplications);
    json.raw(", \"statements\": [");
    bool first = true;
    for (const analysis::StatementInfo& statement : program.statements()) {
        if (!first)
            json.raw(", ");
        writeStatement(json, program, statement, program.placeOf(statement));
        json.flushIfFull();
        first = false;
    }
    json.raw("]").put(members).raw("}");
}

std::string failureObject(const std::string& file, const analysis::Diagnostic* where, const std::string& message) {
    const std::string line = where ? std::to_string(where->place.line) : "null";
    const std::string column = where ? std::to_string(where->place.column) : "null";
    return "{\"file\": " + jsonString(file) + R"(, "error": {"line": )" + line + ", \"column\": " + column +
           ", \"message\": " + jsonString(message) + "}}";
}

const char* cheaperName(analysis::Cheaper which) {
    switch (which) {
    case analysis::Cheaper::first: return "first";
    case analysis::Cheaper::second: return "second";
    default: return "equal";
    }
}

}  // namespace

std::string jsonString(const std::string& bytes) {
    return nlohmann::json(bytes).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void writeJson(std::ostream& out, const std::string& file, const analysis::Analysis& program,
               const std::vector<analysis::Integer>& at, const std::string& members) {
    JsonLine json(out);
    writeProgram(json, file, program, at, members);
    json.raw("\n");
}

void writeJsonFailure(std::ostream& out, const std::string& file, const analysis::Diagnostic* where,
                      const std::string& message) {
    out << failureObject(file, where, message) << '\n';
}

void writeJsonComparison(std::ostream& out, const ComparedFile& first, const ComparedFile& second,
                         const analysis::Comparison* comparison) {
    JsonLine json(out);
    const auto side = [&json](const ComparedFile& file) {
        if (file.program && file.program->ok())
            writeProgram(json, file.name, *file.program, {}, {});
        else
            json.put(failureObject(file.name, file.where, file.failure));
    };
    json.raw("{\"first\": ");
    side(first);
    json.raw(", \"second\": ");
    side(second);
    json.raw(", \"runs\": ");
    if (!comparison) {
        json.raw("null}\n");
        return;
    }
    std::string& runs = json.scratch();
    runs += '[';
    for (const analysis::Run& run : comparison->runs) {
        runs += runs.size() > 1 ? ", {\"from\": " : "{\"from\": ";
        analysis::appendInteger(runs, run.from);
        runs += ", \"to\": ";
        if (run.to)
            analysis::appendInteger(runs, *run.to);
        else
            runs += "null";
        runs.append(R"(, "cheaper": ")").append(cheaperName(run.which)).append("\"}");
    }
    runs += ']';
    json.put(runs);
    const int a = comparison->firstOrder;
    const int b = comparison->secondOrder;
    json.raw(", \"faster\": ").put(a > b ? "\"first\"" : a < b ? "\"second\"" : "null");
    json.raw(", \"text\": ").string(analysis::comparisonText(*comparison, first.name, second.name));
    json.raw("}\n");
}
