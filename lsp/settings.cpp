#include "settings.h"

#include "text.h"

namespace lsp {

namespace {

using Json = nlohmann::json;

std::optional<analysis::Decimal> decimalOf(const Json& value) {
    if (value.is_number())
        return analysis::Decimal::parse(value.dump());  // 0.1 as "0.1", 1e-07 as "1e-07"
    if (value.is_string()) {
        std::string_view text = value.get_ref<const std::string&>();
        while (!text.empty() && analysis::isBlank(text.front()))
            text.remove_prefix(1);
        while (!text.empty() && analysis::isBlank(text.back()))
            text.remove_suffix(1);
        return analysis::Decimal::parse(text);
    }
    return std::nullopt;
}

void readCost(const Json& settings, const char* key, analysis::Decimal& cost, std::vector<std::string>& warnings) {
    const auto found = settings.find(key);
    if (found == settings.end())
        return;
    if (found->is_null()) {
        cost = analysis::Decimal::whole(1);
        return;
    }
    if (const std::optional<analysis::Decimal> value = decimalOf(*found)) {
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

std::vector<std::string> readCostModel(const Json& settings, analysis::CostModel& model) {
    std::vector<std::string> warnings;
    if (!settings.is_object())
        return warnings;
    readCost(settings, "addCost", model.addition, warnings);
    readCost(settings, "mulCost", model.multiplication, warnings);
    return warnings;
}

bool sameModel(const analysis::CostModel& a, const analysis::CostModel& b) {
    return a.addition.text() == b.addition.text() && a.multiplication.text() == b.multiplication.text();
}

}  // namespace lsp
