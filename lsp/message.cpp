#include "loopcost/lsp/message.h"

#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "loopcost/lsp/protocol.h"

namespace lsp {

namespace {

// Builds the message as the JSON library's own reader does (a key given
// twice keeps its last value), and beside it keeps the text of each number
// under a cost's key, by its JSON pointer; stops at the first array or
// object nested deeper than the limit.
class Reader {
public:
    using number_integer_t = Json::number_integer_t;
    using number_unsigned_t = Json::number_unsigned_t;
    using number_float_t = Json::number_float_t;
    using string_t = Json::string_t;
    using binary_t = Json::binary_t;

    Reader(Json& root, NumberTexts& costs, int maxNesting) : root(root), costs(costs), maxNesting(maxNesting) {}

    bool null() { return value(nullptr); }
    bool boolean(bool b) { return value(b); }
    bool number_integer(number_integer_t number) {
        if (underCostKey())
            keep(std::to_string(number));
        return value(number);
    }
    bool number_unsigned(number_unsigned_t number) {
        if (underCostKey())
            keep(std::to_string(number));
        return value(number);
    }
    bool number_float(number_float_t number, const string_t& text) {
        if (underCostKey())
            keep(text);
        return value(number);
    }
    bool string(string_t& text) { return value(std::move(text)); }
    bool binary(binary_t& bytes) { return value(Json::binary(bytes)); }  // not in JSON text
    bool start_object(std::size_t) { return enter(Json::object()); }
    bool key(string_t& name) {
        lastKey = name;
        slot = &(*open.back())[name];
        return true;
    }
    bool end_object() { return leave(); }
    bool start_array(std::size_t) { return enter(Json::array()); }
    bool end_array() { return leave(); }
    template <class Exception>
    bool parse_error(std::size_t, const std::string&, const Exception& e) {
        huge = std::is_base_of<Json::out_of_range, Exception>::value;
        what = e.what();
        return false;
    }

    bool tooDeep = false;
    bool huge = false;  // a number beyond a double's range
    std::string what;   // the parse error

private:
    // Where a value read goes: the root, the end of the array open, or the
    // member of the object open whose key came last.
    template <class Value>
    Json* place(Value&& v) {
        if (open.empty()) {
            root = Json(std::forward<Value>(v));
            return &root;
        }
        if (open.back()->is_array()) {
            open.back()->push_back(Json(std::forward<Value>(v)));
            return &open.back()->back();
        }
        *slot = Json(std::forward<Value>(v));
        return slot;
    }
    template <class Value>
    bool value(Value&& v) {
        place(std::forward<Value>(v));
        return true;
    }
    bool underCostKey() const {
        return !open.empty() && open.back()->is_object() && (lastKey == "addCost" || lastKey == "mulCost");
    }
    void keep(std::string text) {
        std::string at = pointer;
        appendStep(at);
        costs[std::move(at)] = std::move(text);
    }
    // "/name" in an object, "/-" in an array, "~" and "/" in a name as a
    // JSON pointer writes them
    void appendStep(std::string& to) const {
        if (open.empty())
            return;
        to += '/';
        if (open.back()->is_array()) {
            to += '-';
            return;
        }
        for (const char c : lastKey)
            to += c == '~' ? "~0" : c == '/' ? "~1" : std::string(1, c);
    }
    bool enter(Json empty) {
        if (static_cast<int>(open.size()) >= maxNesting) {
            tooDeep = true;
            return false;
        }
        lengths.push_back(pointer.size());
        appendStep(pointer);
        open.push_back(place(std::move(empty)));
        return true;
    }
    bool leave() {
        pointer.resize(lengths.back());
        lengths.pop_back();
        open.pop_back();
        return true;
    }

    Json& root;
    NumberTexts& costs;
    int maxNesting;
    std::vector<Json*> open;           // the arrays and objects open, outermost first
    Json* slot = nullptr;              // the member of the innermost object whose key came last
    std::string pointer;               // where the innermost one open stands
    std::vector<std::size_t> lengths;  // the pointer's length outside each one open
    std::string lastKey;               // the key whose value comes next, in an object
};

// Whether a JSON number's text is beyond the range of a double.
bool beyondDouble(std::string_view number) {
    // without an exponent, only a number of more than 308 digits is
    if (number.find_first_of("eE") == std::string_view::npos && number.size() <= 300)
        return false;
    try {
        [[maybe_unused]] const Json value = Json::parse(number);
    } catch (const Json::out_of_range&) {
        return true;
    } catch (const Json::exception&) {  // not a number at all: left as it is
    }
    return false;
}

// The JSON text with every number beyond a double's range written as
// `replacement`; strings are left as they are.
std::string withHugeNumbersAs(std::string_view text, std::string_view replacement) {
    const std::string_view numberCharacters = "0123456789+-.eE";
    std::string out;
    out.reserve(text.size());
    bool inString = false;
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (inString) {
            const std::size_t length = c == '\\' && i + 1 < text.size() ? 2 : 1;
            out.append(text.substr(i, length));
            inString = c != '"';
            i += length;
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            std::size_t end = i + 1;
            while (end < text.size() && numberCharacters.find(text[end]) != std::string_view::npos)
                ++end;
            const std::string_view number = text.substr(i, end - i);
            out.append(beyondDouble(number) ? replacement : number);
            i = end;
        } else {
            out += c;
            inString = c == '"';
            ++i;
        }
    }
    return out;
}

BodyFault parseError(const std::string& what, bool json) {
    return BodyFault{code::parseError, "Parse error: " + what, json};
}

// A body with numbers beyond a double's range, read with each of them as
// null; and with each as 0, to tell whether they all lie inside its params.
void readHugeNumbers(std::string_view text, int maxNesting, Body& body) {
    if (nestingOf(text, maxNesting) > maxNesting) {
        body.fault = parseError("JSON nested deeper than " + std::to_string(maxNesting), true);
        return;
    }
    Json asNull = Json::parse(withHugeNumbersAs(text, "null"), nullptr, false);
    Json asZero = Json::parse(withHugeNumbersAs(text, "0"), nullptr, false);
    if (asNull.is_discarded() || asZero.is_discarded()) {
        body.fault = parseError(std::string(hugeNumber) + ", and not JSON", false);
        return;
    }
    bool onlyInParams = false;
    if (asNull.is_object() && asZero.is_object()) {
        Json envelope = asNull;
        envelope.erase("params");
        asZero.erase("params");
        onlyInParams = envelope == asZero;
    }
    if (!onlyInParams && !isResponse(asNull)) {
        body.fault = parseError(hugeNumber, true);
        return;
    }
    body.message = std::move(asNull);
    body.hugeParams = true;
}

}  // namespace

Body::Body(std::string_view text, int maxNesting) {
    try {
        Reader reader(message, costs, maxNesting);
        if (Json::sax_parse(text, &reader))
            return;
        message = nullptr;
        costs.clear();
        if (reader.tooDeep)
            fault = parseError("JSON nested deeper than " + std::to_string(maxNesting), true);
        else if (reader.huge)
            readHugeNumbers(text, maxNesting, *this);  // JSON all the same, to be answered as it deserves
        else
            fault = parseError(reader.what, false);
    } catch (const std::bad_alloc&) {
        message = nullptr;
        fault = BodyFault{code::internalError, "out of memory", true};
    }
}

bool isResponse(const Json& message) {
    return member(message, "method").is_null() && message.contains("id") &&
           (message.contains("result") || message.contains("error"));
}

int nestingOf(std::string_view text, int limit) {
    int depth = 0;
    int deepest = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > deepest && (deepest = depth) > limit)
                return deepest;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return deepest;
}

}  // namespace lsp
