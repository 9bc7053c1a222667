#ifndef LOOPCOST_LSP_EDITING_H
#define LOOPCOST_LSP_EDITING_H

#include <string>

#include <nlohmann/json.hpp>

#include "answers.h"

namespace lsp {

// What the client takes and the settings allow of the features below.
struct Features {
    bool snippets = false;          // completions may be snippets
    bool refreshLenses = false;     // the client may be asked to fetch the code lenses again
    bool refreshTokens = false;     // likewise the semantic tokens
    bool pullsDiagnostics = false;  // the client asks for diagnostics: none are pushed to it
    bool codeLens = true;           // settings: loopcost.codeLens
    bool inlayHints = true;         // settings: loopcost.inlayHints
};

// Reads what `capabilities` (of initialize) offer.
void readClientCapabilities(const Json& capabilities, Features& features);
// The server's capabilities for the requests that answerFeature() takes.
Json featureCapabilities();

// Quick fixes, folding ranges, highlights, selection ranges, code lenses,
// semantic tokens, completion, range formatting and pulled diagnostics.
bool isFeatureRequest(const std::string& method);
// The answer to such a request about an open document; each decodes its
// parameters, asks the analysis and encodes what it says.
Json answerFeature(const std::string& method, const Subject& subject, const Json& params, const Features& features);
// The answer for a document that is not open.
Json noFeature(const std::string& method);

}  // namespace lsp

#endif
