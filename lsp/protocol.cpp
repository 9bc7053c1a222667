#include "loopcost/lsp/protocol.h"

#include <cmath>

namespace lsp {

namespace {

const int severityError = 1;
const int highlightText = 1;
const int completionKeyword = 14;
const int completionSnippet = 15;
const int insertSnippet = 2;

bool flag(const Json& value) { return value.is_boolean() && value.get<bool>(); }

// A path of keys into nested objects; null where any is missing.
const Json& path(const Json& object, std::initializer_list<const char*> keys) {
    const Json* at = &object;
    for (const char* key : keys)
        at = &member(*at, key);
    return *at;
}

// The first encoding of the client's list that the server knows; UTF-16,
// which every client must offer, when none is.
Encoding negotiate(const Json& offered) {
    if (!offered.is_array())
        return Encoding::utf16;
    for (const Json& name : offered) {
        if (name == "utf-8")
            return Encoding::utf8;
        if (name == "utf-16")
            return Encoding::utf16;
        if (name == "utf-32")
            return Encoding::utf32;
    }
    return Encoding::utf16;
}

}  // namespace

const Json& member(const Json& object, const char* key) {
    static const Json none;
    if (!object.is_object())
        return none;
    const auto found = object.find(key);
    return found == object.end() ? none : *found;
}

void from_json(const Json& json, Position& position) {
    const auto index = [&](const char* key) -> std::size_t {
        const Json& value = json.at(key);
        if (value.is_number_unsigned())
            return static_cast<std::size_t>(value.get<std::uint64_t>());
        const double number = value.is_number() ? value.get<double>() : -1.0;
        if (number >= 0 && number <= 9007199254740992.0 && std::floor(number) == number)
            return static_cast<std::size_t>(number);
        throw Json::type_error::create(302, std::string("position.") + key + " is not a whole number from 0 up",
                                       &value);
    };
    position = Position{index("line"), index("character")};
}

void to_json(Json& json, const Position& position) {
    json = Json{{"line", position.line}, {"character", position.character}};
}

void from_json(const Json& json, Range& range) {
    range = Range{json.at("start").get<Position>(), json.at("end").get<Position>()};
}

void to_json(Json& json, const Range& range) { json = Json{{"start", range.start}, {"end", range.end}}; }

void from_json(const Json& json, TextDocumentIdentifier& document) {
    const Json& uri = member(json, "uri");
    if (!uri.is_string())
        throw Json::type_error::create(302, "textDocument.uri is missing", &json);
    document.uri = uri.get<std::string>();
}

void from_json(const Json& json, TextDocumentPositionParams& params) {
    params.textDocument = json.at("textDocument").get<TextDocumentIdentifier>();
    params.position = json.at("position").get<Position>();
}

void from_json(const Json& json, TextDocumentRangeParams& params) {
    params.textDocument = json.at("textDocument").get<TextDocumentIdentifier>();
    params.range = json.at("range").get<Range>();
}

void from_json(const Json& json, CodeActionParams& params) {
    params.textDocument = json.at("textDocument").get<TextDocumentIdentifier>();
    params.range = json.at("range").get<Range>();
    // kinds other than quick fixes only: a client that asks for those gets none
    const Json& only = path(json, {"context", "only"});
    params.quickFixes = !only.is_array();
    for (const Json& kind : only)
        params.quickFixes = params.quickFixes || kind == "quickfix" || kind == "";
}

void from_json(const Json& json, SelectionRangeParams& params) {
    params.textDocument = json.at("textDocument").get<TextDocumentIdentifier>();
    params.positions = json.at("positions").get<std::vector<Position>>();
}

void from_json(const Json& json, TextDocumentItem& item) {
    item.uri = json.at("uri").get<std::string>();
    item.text = json.at("text").get_ref<const std::string&>();
    const Json& version = member(json, "version");
    item.version = version.is_number_integer() ? version.get<std::int64_t>() : 0;
}

void from_json(const Json& json, DidOpenTextDocumentParams& params) {
    params.textDocument = json.at("textDocument").get<TextDocumentItem>();
}

void from_json(const Json& json, TextDocumentContentChangeEvent& change) {
    change.text = json.at("text").get_ref<const std::string&>();
    const Json& range = member(json, "range");
    if (!range.is_null())
        change.range = range.get<Range>();
}

void from_json(const Json& json, DidChangeTextDocumentParams& params) {
    params.textDocument = json.at("textDocument").get<TextDocumentIdentifier>();
    const Json& version = path(json, {"textDocument", "version"});
    if (version.is_number_integer())
        params.version = version.get<std::int64_t>();
    const Json& changes = json.at("contentChanges");
    if (!changes.is_array())
        throw Json::type_error::create(302, "contentChanges is not an array", &changes);
    params.contentChanges.clear();
    params.contentChanges.reserve(changes.size());
    for (const Json& change : changes)
        params.contentChanges.push_back(change.get<TextDocumentContentChangeEvent>());
}

void from_json(const Json& json, ClientCapabilities& capabilities) {
    const Json& text = member(json, "textDocument");
    const Json& workspace = member(json, "workspace");
    capabilities.encoding = negotiate(path(json, {"general", "positionEncodings"}));
    capabilities.hierarchicalSymbols = flag(path(text, {"documentSymbol", "hierarchicalDocumentSymbolSupport"}));
    capabilities.snippets = flag(path(text, {"completion", "completionItem", "snippetSupport"}));
    // a client that pulls diagnostics would show pushed ones twice
    capabilities.pullsDiagnostics = member(text, "diagnostic").is_object();
    capabilities.refreshHints = flag(path(workspace, {"inlayHint", "refreshSupport"}));
    capabilities.refreshLenses = flag(path(workspace, {"codeLens", "refreshSupport"}));
    capabilities.refreshTokens = flag(path(workspace, {"semanticTokens", "refreshSupport"}));
}

const char* encodingName(Encoding encoding) {
    switch (encoding) {
    case Encoding::utf8: return "utf-8";
    case Encoding::utf16: return "utf-16";
    case Encoding::utf32: return "utf-32";
    }
    return "utf-16";
}

void to_json(Json& json, const TextEdit& edit) { json = Json{{"range", edit.range}, {"newText", edit.newText}}; }

void to_json(Json& json, const Diagnostic& diagnostic) {
    json = Json{{"range", diagnostic.range},
                {"severity", severityError},
                {"source", "loopcost"},
                {"message", diagnostic.message}};
}

void to_json(Json& json, const FullDocumentDiagnosticReport& report) {
    json = Json{{"kind", "full"}, {"items", report.items}};
}

void to_json(Json& json, const Hover& hover) {
    json = Json{{"contents", {{"kind", "markdown"}, {"value", hover.markdown}}}, {"range", hover.range}};
}

void to_json(Json& json, const InlayHint& hint) {
    json = Json{{"position", hint.position}, {"label", hint.label}, {"paddingLeft", true}, {"tooltip", hint.tooltip}};
}

void to_json(Json& json, const FoldingRange& fold) {
    json = Json{{"startLine", fold.startLine}, {"endLine", fold.endLine}};
}

void to_json(Json& json, const DocumentHighlight& highlight) {
    json = Json{{"range", highlight.range}, {"kind", highlightText}};
}

void to_json(Json& json, const CodeLens& lens) {
    json = Json{{"range", lens.range}, {"command", {{"title", lens.title}, {"command", ""}}}};
}

void to_json(Json& json, const CompletionItem& item) {
    json = Json{{"label", item.label},
                {"kind", item.snippet ? completionSnippet : completionKeyword},
                {"textEdit", item.textEdit}};
    if (item.snippetFormat)
        json["insertTextFormat"] = insertSnippet;
}

void to_json(Json& json, const CodeAction& action) {
    json = Json{{"title", action.title},
                {"kind", "quickfix"},
                {"diagnostics", Json::array({action.diagnostic})},
                {"isPreferred", action.isPreferred},
                {"edit", {{"changes", {{action.uri, action.edits}}}}}};
}

void to_json(Json& json, const SemanticTokens& tokens) { json = Json{{"data", tokens.data}}; }

}  // namespace lsp
