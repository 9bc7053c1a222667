#ifndef LOOPCOST_LSP_SETTINGS_H
#define LOOPCOST_LSP_SETTINGS_H

#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "loopcost/analysis/analysis.h"

namespace lsp {

// Reads "addCost" and "mulCost" of `settings` (an object) into `model`: each a
// JSON number or a decimal string ("2", "0.1", "1e-3"); null sets the cost
// back to 1, and a key that is not there leaves its cost as it is. A value
// that is not a decimal number leaves its cost as it is too, and is named in
// the warnings returned.
// `pointer` is where `settings` stands in the message, and `texts` the
// numbers of the message under a cost's key as they were written (see
// Body), so that a cost is exactly what the user wrote: 0.1 is one
// tenth, not the double nearest it.
using NumberTexts = std::map<std::string, std::string>;
std::vector<std::string> readCostModel(const nlohmann::json& settings, const std::string& pointer,
                                       const NumberTexts& texts, analysis::CostModel& model);

// The features that the settings turn on and off.
struct Switches {
    bool codeLens = true;    // loopcost.codeLens
    bool inlayHints = true;  // loopcost.inlayHints
};
// Reads the booleans "codeLens" and "inlayHints" of `settings` (an object):
// null sets one back to true, a key that is not there leaves it as it is,
// and any other value leaves it too and is named in the warnings returned.
std::vector<std::string> readSwitches(const nlohmann::json& settings, Switches& switches);

bool sameModel(const analysis::CostModel& a, const analysis::CostModel& b);

}  // namespace lsp

#endif
