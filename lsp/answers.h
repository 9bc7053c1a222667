#ifndef LOOPCOST_LSP_ANSWERS_H
#define LOOPCOST_LSP_ANSWERS_H

#include <cstddef>

#include <nlohmann/json.hpp>

#include "analysis.h"
#include "document.h"
#include "position.h"

namespace lsp {

using Json = nlohmann::json;

// What every feature works on: a document, costed under a model, its
// positions counted in an encoding.
struct Subject {
    Document& document;
    const analysis::CostModel& model;
    Encoding encoding;

    const analysis::Analysis& analysis() const { return document.analysis(model); }
    Json position(std::size_t offset, bool roundUp = false) const;
    Json range(std::size_t begin, std::size_t end) const;
    std::size_t offset(const Json& position) const;
};

// The member `key` of an object; null for anything else or a key not there.
const Json& member(const Json& object, const char* key);

Position positionFrom(const Json& position);

// The diagnostics of a document: none when it reads, else every error.
Json diagnosticsOf(const Subject& subject);
// Markdown on the statement, loop, BEGIN or END at `offset`; null elsewhere.
Json hoverAt(const Subject& subject, std::size_t offset);
// A cost hint at the end of each line on which statements begin, for the
// lines whose end lies in [from, to]: what the analysis shows on that line.
Json inlayHints(const Subject& subject, std::size_t from, std::size_t to);
// One symbol per loop, nested as the loops are, or flat with container names.
Json documentSymbols(const Subject& subject, bool hierarchical);
// The edits that give the canonical layout; none for a text that does not read.
Json formattingEdits(const Subject& subject);

// "77.8%", "0.5%", "0%".
std::string percent(double share);
// A cost's text for a hint, a symbol or a lens; a cost whose numbers run to
// more than about 1200 digits (counts of loops nested deep) shows its order
// alone, and hover tells it whole.
std::string shortText(const analysis::Cost& cost);
// One of the analysis's errors as a protocol diagnostic.
Json diagnosticOf(const Subject& subject, const analysis::Diagnostic& diagnostic);

}  // namespace lsp

#endif
