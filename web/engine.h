#ifndef LOOPCOST_WEB_ENGINE_H
#define LOOPCOST_WEB_ENGINE_H

#include <string>
#include <string_view>

namespace web {

// The playground's one question to the analysis: a program text and the two
// costs of the model, as typed, answered by one JSON object (see engine.cpp
// for its fields). Never throws: whatever goes wrong comes back as an error
// the page can show.
std::string analyseToJson(std::string_view text, std::string_view additionCost, std::string_view multiplicationCost);

}  // namespace web

#endif
