#include "settings.h"

#include "analysis.h"
#include "text.h"

namespace lsp {

namespace {

using Json = nlohmann::json;

bool isCostKey(const std::string& key) { return key == "addCost" || key == "mulCost"; }

// Walks a message as the JSON library reads it and keeps the text of each
// number that stands under a cost's key, by its JSON pointer: a double holds
// neither 0.1 nor 12345678901234567890123 as the user wrote it.
class CostTexts : public nlohmann::json_sax<Json> {
public:
    explicit CostTexts(NumberTexts& texts) : texts(texts) {}

    bool null() override { return value(); }
    bool boolean(bool) override { return value(); }
    bool number_integer(number_integer_t number) override { return number_text(std::to_string(number)); }
    bool number_unsigned(number_unsigned_t number) override { return number_text(std::to_string(number)); }
    bool number_float(number_float_t, const string_t& text) override { return number_text(text); }
    bool string(string_t&) override { return value(); }
    bool binary(binary_t&) override { return value(); }
    bool start_object(std::size_t) override {
        path.push_back(pending);
        pending.clear();
        return true;
    }
    bool key(string_t& name) override {
        pending = "/" + escaped(name);
        return true;
    }
    bool end_object() override { return leave(); }
    bool start_array(std::size_t) override {
        path.push_back(pending);
        pending = "/-";
        return true;
    }
    bool end_array() override { return leave(); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return false; }

private:
    // "~" and "/" in a key, as a JSON pointer writes them
    static std::string escaped(const std::string& name) {
        std::string out;
        for (const char c : name)
            out += c == '~' ? "~0" : c == '/' ? "~1" : std::string(1, c);
        return out;
    }
    bool value() { return true; }
    bool number_text(const std::string& text) {
        if (pending.size() > 1 && isCostKey(pending.substr(1)))
            texts[joined() + pending] = text;
        return true;
    }
    bool leave() {
        if (!path.empty())
            path.pop_back();
        pending.clear();
        return true;
    }
    std::string joined() const {
        std::string pointer;
        for (const std::string& part : path)
            pointer += part;
        return pointer;
    }

    NumberTexts& texts;
    std::vector<std::string> path;  // the keys of the objects open, each "/name"
    std::string pending;            // the key whose value comes next
};

// A number as the user wrote it, where the message's text is known; a
// string's text as it stands. Both go through the one reader of costs.
std::optional<analysis::Decimal> decimalOf(const Json& value, const std::string* written) {
    if (value.is_number())
        return analysis::parseCost(written ? *written : value.dump());
    if (value.is_string())
        return analysis::parseCost(value.get_ref<const std::string&>());
    return std::nullopt;
}

void readCost(const Json& settings, const char* key, const std::string& pointer, const NumberTexts& texts,
              analysis::Decimal& cost, std::vector<std::string>& warnings) {
    const auto found = settings.find(key);
    if (found == settings.end())
        return;
    if (found->is_null()) {
        cost = analysis::Decimal::whole(1);
        return;
    }
    const auto written = texts.find(pointer + "/" + key);
    if (const std::optional<analysis::Decimal> value =
            decimalOf(*found, written == texts.end() ? nullptr : &written->second)) {
        cost = *value;
        return;
    }
    std::string shown = found->dump(-1, ' ', false, Json::error_handler_t::replace);
    if (shown.size() > 60)
        shown = shown.substr(0, 57) + "...";
    warnings.push_back(std::string("loopcost: ") + key + " must be a decimal number such as 2 or 0.5, not " +
                       analysis::printable(shown) + "; it stays " + cost.text());
}

void readSwitch(const Json& settings, const char* key, bool& on, std::vector<std::string>& warnings) {
    const auto found = settings.find(key);
    if (found == settings.end())
        return;
    if (found->is_null() || found->is_boolean()) {
        on = found->is_null() || found->get<bool>();
        return;
    }
    std::string shown = found->dump(-1, ' ', false, Json::error_handler_t::replace);
    if (shown.size() > 60)
        shown = shown.substr(0, 57) + "...";
    warnings.push_back(std::string("loopcost: ") + key + " must be true or false, not " + analysis::printable(shown) +
                       "; it stays " + (on ? "true" : "false"));
}

}  // namespace

std::vector<std::string> readSwitches(const Json& settings, bool& codeLens, bool& inlayHints) {
    std::vector<std::string> warnings;
    if (!settings.is_object())
        return warnings;
    readSwitch(settings, "codeLens", codeLens, warnings);
    readSwitch(settings, "inlayHints", inlayHints, warnings);
    return warnings;
}

NumberTexts costTexts(std::string_view body) {
    NumberTexts texts;
    if (body.find("Cost") == std::string_view::npos)
        return texts;
    CostTexts collector(texts);
    Json::sax_parse(body, &collector);
    return texts;
}

std::vector<std::string> readCostModel(const Json& settings, const std::string& pointer, const NumberTexts& texts,
                                       analysis::CostModel& model) {
    std::vector<std::string> warnings;
    if (!settings.is_object())
        return warnings;
    readCost(settings, "addCost", pointer, texts, model.addition, warnings);
    readCost(settings, "mulCost", pointer, texts, model.multiplication, warnings);
    return warnings;
}

bool sameModel(const analysis::CostModel& a, const analysis::CostModel& b) {
    return a.addition.text() == b.addition.text() && a.multiplication.text() == b.multiplication.text();
}

}  // namespace lsp
