#ifndef LOOPCOST_LSP_REQUESTS_H
#define LOOPCOST_LSP_REQUESTS_H

#include <cstddef>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "loopcost/analysis/analysis.h"
#include "loopcost/analysis/text.h"
#include "loopcost/lsp/document.h"
#include "loopcost/lsp/protocol.h"
#include "loopcost/lsp/settings.h"

namespace lsp {

// What every request about a document works on: the document, costed under
// a model, its positions counted in the client's encoding, and what the
// client takes and the settings allow.
struct Subject {
    Document& document;
    const analysis::CostModel& model;
    const ClientCapabilities& client;
    const Switches& switches;

    const analysis::Analysis& analysis() const { return document.analysis(model); }
    // An offset inside a character maps to its start, or with `roundUp` to
    // its end (see EditableText::positionOf).
    Position position(std::size_t offset, bool roundUp = false) const;
    // From the start of the character at `begin` to the end of the one
    // before `end`.
    Range range(std::size_t begin, std::size_t end) const;
    Range range(analysis::Span span) const { return range(span.begin, span.end); }
    std::size_t offset(const Position& position) const;
    // A range's offsets, in source order.
    analysis::Span span(const Range& range) const;
};

// A request about an open document: its method, the key of the server's
// capabilities that offers it with its value there, the handler that answers
// it (decodes the params, asks the analysis, encodes what it says), and the
// answer about a document that is not open.
struct Feature {
    std::string_view method;
    const char* capability;  // null: offered with the feature before it
    Json offered;
    Json (*answer)(const Subject& subject, const Json& params);
    Json unopened;
};

// The feature of a method; null when the method is none of them.
const Feature* featureFor(std::string_view method);
// The server's capabilities that offer the features.
Json featureCapabilities();

// The diagnostics of a document, pushed and pulled: none when it reads,
// else every error.
std::vector<Diagnostic> diagnosticsOf(const Subject& subject);

// "77.8%", "0.5%", "0%".
std::string percent(double share);
// A cost's text for a hint, a symbol or a lens; a cost whose numbers run to
// more than about 1200 digits (counts of loops nested deep) shows its order
// alone, and hover tells it whole.
std::string shortText(const analysis::Cost& cost);

}  // namespace lsp

#endif
