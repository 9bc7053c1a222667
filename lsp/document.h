#ifndef LOOPCOST_LSP_DOCUMENT_H
#define LOOPCOST_LSP_DOCUMENT_H

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "loopcost/analysis/analysis.h"
#include "loopcost/lsp/editabletext.h"
#include "loopcost/lsp/position.h"

namespace lsp {

// An open text document, its positions and its analysis. A change is made
// in place and costs what it changes (see EditableText); the analysis is of
// one version of the text, made when it is first asked for (by diagnostics
// or a request) and dropped when the text or the model changes, so that a
// burst of changes is analysed once, for its last version. The analysis
// views the text: neither copied nor moved.
class Document {
public:
    Document(std::string uri, std::string text, std::int64_t version);
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    const std::string& uri() const { return name; }
    // The whole text, valid until the next change.
    std::string_view text() { return content.contiguous(); }
    std::int64_t version = 0;

    void replaceAll(std::string text);
    // Replaces the text between two positions (in either order); positions
    // outside the text are clamped to it.
    void replace(Position start, Position end, std::string_view with, Encoding encoding);

    const EditableText& positions() const { return content; }
    // The analysis of the present text under `model`, every statement costed.
    const analysis::Analysis& analysis(const analysis::CostModel& model);
    // The model changed: the next analysis is a new one.
    void forgetAnalysis() { analysed.reset(); }
    // How many analyses were made: one per version of the text and model
    // that was asked about.
    std::size_t analyses() const { return made; }

    // Whether the diagnostics of the present text and model were sent.
    bool published = false;

private:
    std::string name;
    EditableText content;
    std::unique_ptr<analysis::Analysis> analysed;
    std::size_t made = 0;
};

}  // namespace lsp

#endif
