#include "engine.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <utility>

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

class JsonWriter {
public:
    JsonWriter& raw(std::string_view text) {
        out += text;
        return *this;
    }
    JsonWriter& key(std::string_view name) {
        string(name);
        out += ':';
        fresh = true;
        return *this;
    }
    JsonWriter& string(std::string_view bytes) {
        separate();
        out += '"';
        for (const char ch : bytes)
            escaped(ch);
        out += '"';
        return *this;
    }
    JsonWriter& number(long long value) {
        separate();
        out += std::to_string(value);
        return *this;
    }
    JsonWriter& number(double value);
    JsonWriter& boolean(bool value) {
        separate();
        out += value ? "true" : "false";
        return *this;
    }
    JsonWriter& null() {
        separate();
        out += "null";
        return *this;
    }
    JsonWriter& open(char bracket) {
        separate();
        out += bracket;
        fresh = true;
        return *this;
    }
    JsonWriter& close(char bracket) {
        out += bracket;
        fresh = false;
        return *this;
    }
    std::string take() { return std::move(out); }

private:
    // A comma before every value but the first of an object or array, and
    // none between a key and its value.
    void separate() {
        if (!fresh)
            out += ',';
        fresh = false;
    }
    void escaped(char ch) {
        static const char hex[] = "0123456789abcdef";
        const auto c = static_cast<unsigned char>(ch);
        if (ch == '"' || ch == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20) {
            out += "\\u00";
            out += hex[c >> 4];
            out += hex[c & 0xf];
        } else {
            out += ch;
        }
    }

    std::string out;
    bool fresh = true;
};

JsonWriter& JsonWriter::number(double value) {
    separate();
    // shares are for colours: four digits are plenty, and JSON has no inf
    if (!(value == value) || value > 1e300 || value < -1e300)
        value = 0;
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", value);
    out += text;
    return *this;
}

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

void writeCoefficients(JsonWriter& json, const analysis::Cost& cost) {
    json.key("coefficients").open('[');
    for (int power = 0; power <= cost.degree(); ++power)
        json.string(cost.coefficient(power));
    json.close(']');
}

void writeError(JsonWriter& json, const analysis::Diagnostic& error) {
    json.key("error").open('{');
    json.key("line").number(static_cast<long long>(error.place.line));
    json.key("column").number(static_cast<long long>(error.place.column));
    json.key("offset").number(static_cast<long long>(error.offset));
    json.key("length").number(static_cast<long long>(error.length));
    json.key("message").string(error.message);
    json.close('}');
}

void writeStatement(JsonWriter& json, const analysis::Analysis& result, const analysis::StatementInfo& part) {
    const analysis::Cost cost = result.costOf(part);
    const analysis::Place place = result.placeOf(part);
    json.open('{');
    json.key("kind").string(part.isLoop() ? "loop" : "statement");
    json.key("offset").number(static_cast<long long>(part.begin));
    json.key("end").number(static_cast<long long>(part.end));
    json.key("line").number(static_cast<long long>(place.line));
    json.key("column").number(static_cast<long long>(place.column));
    json.key("depth").number(static_cast<long long>(part.depth));
    json.key("parent").number(static_cast<long long>(part.parent));
    json.key("text").string(analysis::Analysis::canonicalText(part));
    json.key("cost").string(cost.text());
    json.key("share").number(cost.shareOf(result.total()));
    json.key("order").number(static_cast<long long>(cost.order()));
    if (part.parent < 0)
        writeCoefficients(json, cost);
    json.close('}');
}

void writeResult(JsonWriter& json, const analysis::Analysis& result) {
    const analysis::Cost& total = result.total();
    json.key("total").string(total.text());
    json.key("order").string(total.orderText());
    json.key("power").number(static_cast<long long>(total.order()));
    writeCoefficients(json, total);
    json.key("canonical").string(result.canonicalText());
    json.key("statements").open('[');
    for (const analysis::StatementInfo& part : result.statements())
        writeStatement(json, result, part);
    json.close(']');
}

std::string failureJson(const char* what) {
    JsonWriter json;
    json.open('{').key("ok").boolean(false).key("modelError").null();
    json.key("error").open('{');
    json.key("line").number(1LL).key("column").number(1LL).key("offset").number(0LL).key("length").number(0LL);
    json.key("message").string(std::string("the analysis failed: ") + what);
    json.close('}').close('}');
    return json.take();
}

}  // namespace

std::string analyseToJson(std::string_view text, std::string_view additionCost, std::string_view multiplicationCost) {
    try {
        JsonWriter json;
        json.open('{');
        const ModelValue add = readModelValue(additionCost, "+");
        const ModelValue mul = readModelValue(multiplicationCost, "*");
        const bool modelReads = add.value && mul.value;
        // a model that does not read leaves nothing to cost, but the program
        // is still read, so that its errors show all the same
        const analysis::Analysis result(
            text, modelReads ? analysis::CostModel{*add.value, *mul.value} : analysis::CostModel{},
            modelReads ? analysis::Detail::statements : analysis::Detail::total);
        json.key("ok").boolean(modelReads && result.ok());
        if (modelReads) {
            json.key("modelError").null();
        } else {
            json.key("modelError").open('{');
            json.key("field").string(add.value ? "mul" : "add");
            json.key("message").string(add.value ? mul.message : add.message);
            json.close('}');
        }
        if (result.error())
            writeError(json, *result.error());
        else
            json.key("error").null();
        if (modelReads && result.ok())
            writeResult(json, result);
        return json.close('}').take();
    } catch (const std::bad_alloc&) {
        return failureJson("out of memory");
    } catch (const std::exception& e) {
        return failureJson(e.what());
    }
}

}  // namespace web
