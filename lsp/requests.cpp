// The one table of the requests about a document: each method once, with
// the capability that offers it and its handler. A new request is a row here
// and a handler in the feature file where it belongs.
#include "loopcost/lsp/requests.h"

#include <utility>
#include <vector>

namespace lsp {

// The handlers, by feature file.
// costs.cpp: what the program costs, where it is shown
Json hover(const Subject& subject, const Json& params);
Json inlayHints(const Subject& subject, const Json& params);
Json codeLenses(const Subject& subject, const Json& params);
Json documentSymbols(const Subject& subject, const Json& params);
// diagnostics.cpp: the errors and their fixes
Json pulledDiagnostics(const Subject& subject, const Json& params);
Json codeActions(const Subject& subject, const Json& params);
// structure.cpp: the program's blocks and words
Json foldingRanges(const Subject& subject, const Json& params);
Json highlights(const Subject& subject, const Json& params);
Json selectionRanges(const Subject& subject, const Json& params);
Json semanticTokens(const Subject& subject, const Json& params);
Json semanticTokensInRange(const Subject& subject, const Json& params);
Json completions(const Subject& subject, const Json& params);
// formatting.cpp: the canonical layout
Json formatting(const Subject& subject, const Json& params);
Json rangeFormatting(const Subject& subject, const Json& params);

namespace {

const std::vector<Feature>& table() {
    static const std::vector<Feature> features = {
        {"textDocument/hover", "hoverProvider", true, hover, nullptr},
        {"textDocument/inlayHint", "inlayHintProvider", true, inlayHints, Json::array()},
        {"textDocument/codeLens", "codeLensProvider", Json{{"resolveProvider", false}}, codeLenses, Json::array()},
        {"textDocument/documentSymbol", "documentSymbolProvider", true, documentSymbols, Json::array()},
        {"textDocument/diagnostic", "diagnosticProvider",
         Json{{"interFileDependencies", false}, {"workspaceDiagnostics", false}}, pulledDiagnostics,
         FullDocumentDiagnosticReport{}},
        {"textDocument/codeAction", "codeActionProvider", Json{{"codeActionKinds", {"quickfix"}}}, codeActions,
         Json::array()},
        {"textDocument/foldingRange", "foldingRangeProvider", true, foldingRanges, Json::array()},
        {"textDocument/documentHighlight", "documentHighlightProvider", true, highlights, Json::array()},
        {"textDocument/selectionRange", "selectionRangeProvider", true, selectionRanges, Json::array()},
        // the token types in the order of analysis::TokenKind
        {"textDocument/semanticTokens/full", "semanticTokensProvider",
         Json{{"legend",
               {{"tokenTypes", {"keyword", "number", "variable", "operator"}}, {"tokenModifiers", {"costliest"}}}},
              {"full", true},
              {"range", true}},
         semanticTokens, SemanticTokens{}},
        {"textDocument/semanticTokens/range", nullptr, nullptr, semanticTokensInRange, SemanticTokens{}},
        {"textDocument/completion", "completionProvider", Json{{"resolveProvider", false}}, completions, Json::array()},
        {"textDocument/formatting", "documentFormattingProvider", true, formatting, Json::array()},
        {"textDocument/rangeFormatting", "documentRangeFormattingProvider", true, rangeFormatting, Json::array()},
    };
    return features;
}

}  // namespace

const Feature* featureFor(std::string_view method) {
    for (const Feature& feature : table())
        if (feature.method == method)
            return &feature;
    return nullptr;
}

Json featureCapabilities() {
    Json capabilities = Json::object();
    for (const Feature& feature : table())
        if (feature.capability)
            capabilities[feature.capability] = feature.offered;
    return capabilities;
}

Position Subject::position(std::size_t offset, bool roundUp) const {
    return document.positions().positionOf(offset, client.encoding, roundUp);
}

Range Subject::range(std::size_t begin, std::size_t end) const { return Range{position(begin), position(end, true)}; }

std::size_t Subject::offset(const Position& position) const {
    return document.positions().offsetOf(position, client.encoding);
}

analysis::Span Subject::span(const Range& range) const {
    const std::size_t start = offset(range.start);
    const std::size_t end = offset(range.end);
    return start <= end ? analysis::Span{start, end} : analysis::Span{end, start};
}

}  // namespace lsp
