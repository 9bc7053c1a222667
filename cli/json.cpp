#include "json.h"

#include <algorithm>
#include <charconv>
#include <ostream>
#include <vector>

#include <nlohmann/json.hpp>

#include "analysis.h"

namespace {

// A program may have millions of statements: each object is put together in
// one buffer, which goes out in large pieces.
class JsonLine {
public:
    explicit JsonLine(std::ostream& out) : out(out) { text.reserve(flushAt + 4096); }
    ~JsonLine() { flush(); }
    JsonLine(const JsonLine&) = delete;
    JsonLine& operator=(const JsonLine&) = delete;

    template <std::size_t size>
    JsonLine& raw(const char (&literal)[size]) {
        text.append(literal, size - 1);
        return *this;
    }
    JsonLine& number(std::size_t value) {
        char digits[24];
        const std::to_chars_result r = std::to_chars(digits, digits + sizeof digits, value);
        text.append(digits, static_cast<std::size_t>(r.ptr - digits));
        return *this;
    }
    // The shortest text that reads back as the same double.
    JsonLine& number(double value) {
        char digits[32];
        const std::to_chars_result r = std::to_chars(digits, digits + sizeof digits, value);
        text.append(digits, static_cast<std::size_t>(r.ptr - digits));
        return *this;
    }
    JsonLine& string(const std::string& bytes) {
        if (isPlain(bytes)) {
            text += '"';
            text += bytes;
            text += '"';
        } else {
            text += jsonString(bytes);
        }
        return *this;
    }
    // Exact decimals are valid JSON numbers as they stand: all digits, no
    // exponent. A double could not hold them, so they are written as text.
    JsonLine& coefficients(const analysis::Cost& cost) {
        text += '[';
        for (int i = 0; i <= cost.degree(); ++i) {
            text += i ? ", " : "";
            cost.appendCoefficient(text, i);
        }
        text += ']';
        return *this;
    }
    JsonLine& integers(const std::vector<analysis::Integer>& values) {
        text += '[';
        for (std::size_t i = 0; i < values.size(); ++i) {
            text += i ? ", " : "";
            analysis::appendInteger(text, values[i]);
        }
        text += ']';
        return *this;
    }
    std::string& buffer() { return text; }

    void flushIfFull() {
        if (text.size() >= flushAt)
            flush();
    }

private:
    static const std::size_t flushAt = 1 << 16;

    // Canonical statement texts and costs need no escaping, and a program has
    // many: only a string that does goes through the JSON library.
    static bool isPlain(const std::string& bytes) {
        return std::all_of(bytes.begin(), bytes.end(),
                           [](char c) { return c >= 0x20 && c < 0x7f && c != '"' && c != '\\'; });
    }

    void flush() {
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        text.clear();
    }

    std::ostream& out;
    std::string text;
};

void writeLoop(JsonLine& json, const analysis::Analysis& program, const analysis::StatementInfo& loop) {
    const analysis::Cost& cost = program.loopCostOf(loop);
    json.raw(", \"degree\": ").number(static_cast<std::size_t>(cost.degree())).raw(", \"coefficients\": ");
    json.coefficients(cost).raw(R"(, "cost": ")");
    cost.appendText(json.buffer());
    json.raw(R"(", "share": )").number(cost.shareOf(program.total()));
}

// A statement's cost is one term, so it is written without being made.
void writeExpressionStatement(JsonLine& json, const analysis::Analysis& program,
                              const analysis::StatementInfo& statement) {
    const analysis::Integer units = program.statementUnits(statement);
    const analysis::Cost& total = program.total();
    json.raw(", \"degree\": ").number(static_cast<std::size_t>(statement.power)).raw(", \"coefficients\": [");
    std::string& text = json.buffer();
    for (int i = 0; i < statement.power; ++i)
        text.append("0, ", 3);
    analysis::Decimal::appendDecimal(text, units, total.scale());
    json.raw(R"(], "cost": ")");
    if (units.is_zero())
        text += '0';
    else
        analysis::Cost::appendTerm(text, statement.power, units, total.scale(), true);
    const int order = total.order();
    const bool counts = statement.power == order && total.unitsOf(order) != 0;
    const double share = counts ? analysis::Cost::ratio(units, total.unitsOf(order)) : 0.0;
    json.raw(R"(", "share": )").number(share);
}

void writeStatement(JsonLine& json, const analysis::Analysis& program, const analysis::StatementInfo& statement,
                    analysis::Place place) {
    if (statement.isLoop())
        json.raw(R"({"kind": "loop", "line": )");
    else
        json.raw(R"({"kind": "statement", "line": )");
    json.number(place.line).raw(", \"column\": ").number(place.column).raw(R"(, "text": ")");
    // canonical texts are letters, blanks, operators and digits: nothing to escape
    analysis::Analysis::appendCanonicalText(json.buffer(), statement);
    json.raw("\"");
    if (statement.isLoop())
        writeLoop(json, program, statement);
    else
        writeExpressionStatement(json, program, statement);
    json.raw("}");
}

}  // namespace

std::string jsonString(const std::string& bytes) {
    return nlohmann::json(bytes).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void writeJson(std::ostream& out, const std::string& file, const analysis::Analysis& program) {
    const analysis::Cost& total = program.total();
    JsonLine json(out);
    json.raw("{\"file\": ").string(file).raw(", \"degree\": ").number(static_cast<std::size_t>(total.degree()));
    json.raw(", \"coefficients\": ").coefficients(total);
    json.raw(", \"text\": ").string(total.text()).raw(", \"order\": ").string(total.orderText());
    json.raw(", \"additions\": ").integers(program.counts().additions);
    json.raw(", \"multiplications\": ").integers(program.counts().multiplications);
    json.raw(", \"statements\": [");
    const analysis::LineIndex& lines = program.lines();
    std::size_t line = 1;  // statements come in source order: their lines are found going forward
    bool first = true;
    for (const analysis::StatementInfo& statement : program.statements()) {
        const auto begin = static_cast<std::size_t>(statement.begin);
        while (line < lines.lineCount() && lines.lineStart(line + 1) <= begin)
            ++line;
        if (!first)
            json.raw(", ");
        writeStatement(json, program, statement, analysis::Place{line, begin - lines.lineStart(line) + 1});
        json.flushIfFull();
        first = false;
    }
    json.raw("]}\n");
}

void writeJsonFailure(std::ostream& out, const std::string& file, const analysis::Diagnostic* where,
                      const std::string& message) {
    const std::string line = where ? std::to_string(where->place.line) : "null";
    const std::string column = where ? std::to_string(where->place.column) : "null";
    out << "{\"file\": " << jsonString(file) << R"(, "error": {"line": )" << line << ", \"column\": " << column
        << ", \"message\": " << jsonString(message) << "}}\n";
}
