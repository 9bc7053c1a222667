#include "loopcost/lsp/document.h"

#include <algorithm>
#include <utility>

namespace lsp {

Document::Document(std::string uri, std::string text, std::int64_t version)
    : version(version), name(std::move(uri)), content(std::move(text)) {}

void Document::replaceAll(std::string text) {
    forgetAnalysis();  // it views the text
    published = false;
    content.assign(std::move(text));
}

void Document::replace(Position start, Position end, std::string_view with, Encoding encoding) {
    const std::size_t from = content.offsetOf(start, encoding);
    const std::size_t to = content.offsetOf(end, encoding);
    forgetAnalysis();
    published = false;
    content.replace(std::min(from, to), std::max(from, to), with);
}

const analysis::Analysis& Document::analysis(const analysis::CostModel& model) {
    if (!analysed) {
        analysed = std::make_unique<analysis::Analysis>(content.contiguous(), model, analysis::Detail::statements);
        ++made;
    }
    return *analysed;
}

}  // namespace lsp
