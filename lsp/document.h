#ifndef LOOPCOST_LSP_DOCUMENT_H
#define LOOPCOST_LSP_DOCUMENT_H

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "analysis.h"
#include "position.h"

namespace lsp {

// An open text document, its positions and its analysis. Both of those view
// the text, so each is dropped before the text changes and made again when it
// is next asked for. Neither copied nor moved: the views would dangle.
class Document {
public:
    Document(std::string uri, std::string text, std::int64_t version);
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    const std::string& uri() const { return name; }
    const std::string& text() const { return content; }
    std::int64_t version = 0;

    void replaceAll(std::string text);
    // Replaces the text between two positions (in either order); positions
    // outside the text are clamped to it.
    void replace(Position start, Position end, std::string_view with, Encoding encoding);

    const PositionMap& positions();
    // The text's analysis under `model`, with at least `detail`. Diagnostics
    // need only the total, which takes a fraction of the time of every
    // statement's cost; the statements are costed when a request needs them.
    const analysis::Analysis& analysis(const analysis::CostModel& model,
                                       analysis::Detail detail = analysis::Detail::statements);
    // The model changed: the next analysis is a new one.
    void forgetAnalysis() {
        full.reset();
        quick.reset();
    }

    // Whether the diagnostics of the present text and model were sent.
    bool published = false;

private:
    void changed();

    std::string name;
    std::string content;
    std::unique_ptr<PositionMap> map;
    std::unique_ptr<analysis::Analysis> quick;  // the total alone
    std::unique_ptr<analysis::Analysis> full;   // every statement too
};

}  // namespace lsp

#endif
