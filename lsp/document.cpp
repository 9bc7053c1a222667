#include "document.h"

#include <utility>

namespace lsp {

Document::Document(std::string uri, std::string text, std::int64_t version)
    : version(version), name(std::move(uri)), content(std::move(text)) {}

void Document::changed() {
    forgetAnalysis();
    map.reset();
    published = false;
}

void Document::replaceAll(std::string text) {
    changed();
    content = std::move(text);
}

void Document::replace(Position start, Position end, std::string_view with, Encoding encoding) {
    std::size_t from = positions().offsetOf(start, encoding);
    std::size_t to = positions().offsetOf(end, encoding);
    if (to < from)
        std::swap(from, to);
    changed();
    content.replace(from, to - from, with);
}

const PositionMap& Document::positions() {
    if (!map)
        map = std::make_unique<PositionMap>(content);
    return *map;
}

const analysis::Analysis& Document::analysis(const analysis::CostModel& model, analysis::Detail detail) {
    if (full)
        return *full;
    if (detail == analysis::Detail::total || (quick && !quick->ok())) {  // a text that does not read tells no more
        if (!quick)
            quick = std::make_unique<analysis::Analysis>(content, model, analysis::Detail::total);
        return *quick;
    }
    quick.reset();
    full = std::make_unique<analysis::Analysis>(content, model, analysis::Detail::statements);
    return *full;
}

}  // namespace lsp
