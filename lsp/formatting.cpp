// The requests for the canonical layout, of the whole document or a range
// of it (handlers of the table in requests.cpp).
#include <optional>
#include <vector>

#include "loopcost/analysis/format.h"
#include "loopcost/lsp/requests.h"

namespace lsp {

namespace {

std::vector<TextEdit> editsOf(const Subject& subject, const std::optional<analysis::Edit>& edit) {
    std::vector<TextEdit> edits;
    if (edit)
        edits.push_back(TextEdit{subject.range(edit->offset, edit->offset + edit->length), edit->text});
    return edits;
}

}  // namespace

Json formatting(const Subject& subject, const Json&) {
    return editsOf(subject, analysis::formatOf(subject.analysis()));
}

Json rangeFormatting(const Subject& subject, const Json& params) {
    const analysis::Span range = subject.span(params.get<TextDocumentRangeParams>().range);
    return editsOf(subject, analysis::layoutOf(subject.analysis(), range.begin, range.end));
}

}  // namespace lsp
