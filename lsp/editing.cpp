#include "editing.h"

#include <utility>
#include <vector>

#include "editor.h"
#include "format.h"

namespace lsp {

namespace {

using analysis::Analysis;
using analysis::Span;
using analysis::StatementInfo;

const int highlightText = 1;
const int completionKeyword = 14;
const int completionSnippet = 15;
const int insertSnippet = 2;

const char* const tokenTypes[] = {"keyword", "number", "variable", "operator"};
const char* const costliestModifier = "costliest";

bool flag(const Json& value) { return value.is_boolean() && value.get<bool>(); }

std::size_t lineOf(const Subject& subject, std::size_t offset) {
    return subject.position(offset).at("line").get<std::size_t>();
}

Json rangeOf(const Subject& subject, Span span) { return subject.range(span.begin, span.end); }

// A range of the parameters, in offsets, in source order.
Span offsets(const Subject& subject, const Json& range) {
    const std::size_t start = subject.offset(range.at("start"));
    const std::size_t end = subject.offset(range.at("end"));
    return start <= end ? Span{start, end} : Span{end, start};
}

Json textEdits(const Subject& subject, const std::vector<analysis::Edit>& edits) {
    Json list = Json::array();
    for (const analysis::Edit& e : edits)
        list.push_back(Json{{"range", subject.range(e.offset, e.offset + e.length)}, {"newText", e.text}});
    return list;
}

// Quick fixes only: a client that asks only for other kinds gets none.
bool wantsQuickFixes(const Json& only) {
    if (!only.is_array())
        return true;
    for (const Json& kind : only)
        if (kind == "quickfix" || kind == "")
            return true;
    return false;
}

Json codeActions(const Subject& subject, const Json& params) {
    Json actions = Json::array();
    if (!wantsQuickFixes(member(member(params, "context"), "only")))
        return actions;
    const Span range = offsets(subject, params.at("range"));
    const Analysis& a = subject.analysis();
    for (const analysis::Diagnostic& d : a.diagnostics()) {
        if (d.offset > range.end || d.offset + d.length < range.begin)
            continue;
        for (const analysis::Fix& fix : analysis::fixesOf(a, d))
            actions.push_back(Json{{"title", fix.title},
                                   {"kind", "quickfix"},
                                   {"diagnostics", Json::array({diagnosticOf(subject, d)})},
                                   {"isPreferred", fix.preferred},
                                   {"edit", {{"changes", {{subject.document.uri(), textEdits(subject, fix.edits)}}}}}});
    }
    return actions;
}

Json foldingRanges(const Subject& subject) {
    Json folds = Json::array();
    for (const Span& fold : analysis::loopFolds(subject.analysis())) {
        const std::size_t first = lineOf(subject, fold.begin);
        const std::size_t last = lineOf(subject, fold.end);
        if (first < last)
            folds.push_back(Json{{"startLine", first}, {"endLine", last}});
    }
    return folds;
}

Json highlights(const Subject& subject, const Json& params) {
    Json list = Json::array();
    for (const Span& keyword : analysis::pairedKeywords(subject.analysis(), subject.offset(params.at("position"))))
        list.push_back(Json{{"range", rangeOf(subject, keyword)}, {"kind", highlightText}});
    return list;
}

Json selectionRanges(const Subject& subject, const Json& params) {
    Json list = Json::array();
    for (const Json& position : params.at("positions")) {
        const std::vector<Span> spans = analysis::enclosingSpans(subject.analysis(), subject.offset(position));
        Json range;
        for (auto span = spans.rbegin(); span != spans.rend(); ++span) {
            Json inner{{"range", rangeOf(subject, *span)}};
            if (!range.is_null())
                inner["parent"] = std::move(range);
            range = std::move(inner);
        }
        list.push_back(std::move(range));
    }
    return list;
}

Json codeLenses(const Subject& subject, const Features& features) {
    Json lenses = Json::array();
    if (!features.codeLens)
        return lenses;
    const Analysis& a = subject.analysis();
    for (const StatementInfo& s : a.statements()) {
        if (!s.isLoop() || !s.costed)
            continue;
        std::string title = shortText(a.costOf(s));
        if (a.ok())
            title += " \u00b7 " + percent(a.shareOf(s));
        lenses.push_back(Json{{"range", rangeOf(subject, analysis::headerOf(a, s))},
                              {"command", {{"title", std::move(title)}, {"command", ""}}}});
    }
    return lenses;
}

// Five numbers a token: its line and start, each from the token before, its
// length, its type and its modifiers.
Json semanticTokens(const Subject& subject, Span range) {
    std::vector<std::size_t> data;
    std::size_t line = 0;
    std::size_t character = 0;
    for (const analysis::Token& t : analysis::tokens(subject.analysis(), range.begin, range.end)) {
        const Json start = subject.position(t.offset);
        const Json end = subject.position(t.offset + t.length, true);
        const auto l = start.at("line").get<std::size_t>();
        const auto c = start.at("character").get<std::size_t>();
        data.insert(data.end(), {l - line, l == line ? c - character : c, end.at("character").get<std::size_t>() - c,
                                 static_cast<std::size_t>(t.kind), t.costliest ? 1U : 0U});
        line = l;
        character = c;
    }
    return Json{{"data", data}};
}

Json completions(const Subject& subject, const Json& params, const Features& features) {
    Json items = Json::array();
    const analysis::Completion c = analysis::completionAt(subject.analysis(), subject.offset(params.at("position")));
    const Json word = rangeOf(subject, c.word);
    const auto keyword = [&](const char* name) {
        items.push_back(
            Json{{"label", name}, {"kind", completionKeyword}, {"textEdit", {{"range", word}, {"newText", name}}}});
    };
    const auto snippet = [&](const char* label, const char* body, const char* plain) {
        Json item{{"label", label}, {"kind", completionSnippet}};
        if (features.snippets) {
            item["insertTextFormat"] = insertSnippet;
            item["textEdit"] = Json{{"range", word}, {"newText", body}};
        } else {
            item["textEdit"] = Json{{"range", word}, {"newText", plain}};
        }
        items.push_back(std::move(item));
    };
    if (c.program) {
        keyword("BEGIN");
        snippet("BEGIN \u2026 END", "BEGIN\n\t$0\nEND", "BEGIN\nEND");
    }
    if (c.statement) {
        keyword("LOOP");
        keyword("END");
        snippet("LOOP n \u2026 END", "LOOP ${1:n}\n\t$0\nEND", "LOOP n\nEND");
    }
    return items;
}

Json rangeFormatting(const Subject& subject, const Json& params) {
    const Span range = offsets(subject, params.at("range"));
    const std::optional<analysis::Edit> edit = analysis::layoutOf(subject.analysis(), range.begin, range.end);
    return edit ? textEdits(subject, {*edit}) : Json::array();
}

Json pulledDiagnostics(Json items) { return Json{{"kind", "full"}, {"items", std::move(items)}}; }

}  // namespace

void readClientCapabilities(const Json& capabilities, Features& features) {
    const Json& text = member(capabilities, "textDocument");
    features.snippets = flag(member(member(member(text, "completion"), "completionItem"), "snippetSupport"));
    // a client that pulls diagnostics would show pushed ones twice
    features.pullsDiagnostics = member(text, "diagnostic").is_object();
    const Json& workspace = member(capabilities, "workspace");
    features.refreshLenses = flag(member(member(workspace, "codeLens"), "refreshSupport"));
    features.refreshTokens = flag(member(member(workspace, "semanticTokens"), "refreshSupport"));
}

Json featureCapabilities() {
    return Json{{"codeActionProvider", {{"codeActionKinds", {"quickfix"}}}},
                {"foldingRangeProvider", true},
                {"documentHighlightProvider", true},
                {"selectionRangeProvider", true},
                {"codeLensProvider", {{"resolveProvider", false}}},
                {"semanticTokensProvider",
                 {{"legend", {{"tokenTypes", tokenTypes}, {"tokenModifiers", {costliestModifier}}}},
                  {"full", true},
                  {"range", true}}},
                {"completionProvider", {{"resolveProvider", false}}},
                {"documentRangeFormattingProvider", true},
                {"diagnosticProvider", {{"interFileDependencies", false}, {"workspaceDiagnostics", false}}}};
}

bool isFeatureRequest(const std::string& method) {
    for (const char* name : {"textDocument/codeAction", "textDocument/foldingRange", "textDocument/documentHighlight",
                             "textDocument/selectionRange", "textDocument/codeLens", "textDocument/semanticTokens/full",
                             "textDocument/semanticTokens/range", "textDocument/completion",
                             "textDocument/rangeFormatting", "textDocument/diagnostic"})
        if (method == name)
            return true;
    return false;
}

Json noFeature(const std::string& method) {
    if (method == "textDocument/semanticTokens/full" || method == "textDocument/semanticTokens/range")
        return Json{{"data", Json::array()}};
    if (method == "textDocument/diagnostic")
        return pulledDiagnostics(Json::array());
    return Json::array();
}

Json answerFeature(const std::string& method, const Subject& subject, const Json& params, const Features& features) {
    if (method == "textDocument/codeAction")
        return codeActions(subject, params);
    if (method == "textDocument/foldingRange")
        return foldingRanges(subject);
    if (method == "textDocument/documentHighlight")
        return highlights(subject, params);
    if (method == "textDocument/selectionRange")
        return selectionRanges(subject, params);
    if (method == "textDocument/codeLens")
        return codeLenses(subject, features);
    if (method == "textDocument/semanticTokens/full")
        return semanticTokens(subject, Span{0, subject.document.text().size()});
    if (method == "textDocument/semanticTokens/range")
        return semanticTokens(subject, offsets(subject, params.at("range")));
    if (method == "textDocument/completion")
        return completions(subject, params, features);
    if (method == "textDocument/rangeFormatting")
        return rangeFormatting(subject, params);
    return pulledDiagnostics(diagnosticsOf(subject));
}

}  // namespace lsp
