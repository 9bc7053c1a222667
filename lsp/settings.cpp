#include "loopcost/lsp/settings.h"

#include "loopcost/analysis/analysis.h"
#include "loopcost/analysis/text.h"

namespace lsp {

namespace {

using Json = nlohmann::json;

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

std::vector<std::string> readSwitches(const Json& settings, Switches& switches) {
    std::vector<std::string> warnings;
    if (!settings.is_object())
        return warnings;
    readSwitch(settings, "codeLens", switches.codeLens, warnings);
    readSwitch(settings, "inlayHints", switches.inlayHints, warnings);
    return warnings;
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
