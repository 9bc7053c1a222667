#ifndef LOOPCOST_LSP_PROTOCOL_H
#define LOOPCOST_LSP_PROTOCOL_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "loopcost/lsp/position.h"

// The protocol's structures that the server reads and writes, each with its
// from_json or to_json, so that nlohmann's get<T>() and Json(value) convert
// them. A from_json throws a JSON exception for what the protocol does not
// allow, which the server answers with invalid params.
namespace lsp {

using Json = nlohmann::json;

// JSON-RPC and LSP error codes.
namespace code {
const int parseError = -32700;
const int invalidRequest = -32600;
const int methodNotFound = -32601;
const int invalidParams = -32602;
const int internalError = -32603;
const int serverNotInitialized = -32002;
}  // namespace code

// The member `key` of an object; null for anything else or a key not there.
const Json& member(const Json& object, const char* key);

// Position is in position.h. Its line and character are the protocol's
// unsigned integers: a negative or fractional one is refused, and so is a
// float beyond 2^53, which may stand for many integers; JSON's -0 and 2.0
// are whole numbers all the same.
void from_json(const Json& json, Position& position);
void to_json(Json& json, const Position& position);

struct Range {
    Position start;
    Position end;
};
void from_json(const Json& json, Range& range);
void to_json(Json& json, const Range& range);

struct TextDocumentIdentifier {
    std::string uri;
};
void from_json(const Json& json, TextDocumentIdentifier& document);

// The params of hover, documentHighlight and completion.
struct TextDocumentPositionParams {
    TextDocumentIdentifier textDocument;
    Position position;
};
void from_json(const Json& json, TextDocumentPositionParams& params);

// The params of inlayHint, semanticTokens/range and rangeFormatting.
struct TextDocumentRangeParams {
    TextDocumentIdentifier textDocument;
    Range range;
};
void from_json(const Json& json, TextDocumentRangeParams& params);

struct CodeActionParams {
    TextDocumentIdentifier textDocument;
    Range range;
    bool quickFixes = true;  // context.only admits quick fixes: it is not there, or it names them
};
void from_json(const Json& json, CodeActionParams& params);

struct SelectionRangeParams {
    TextDocumentIdentifier textDocument;
    std::vector<Position> positions;
};
void from_json(const Json& json, SelectionRangeParams& params);

// The text views the message it was read from, which must outlive it.
struct TextDocumentItem {
    std::string uri;
    std::string_view text;
    std::int64_t version = 0;  // 0 when it is not an integer
};
void from_json(const Json& json, TextDocumentItem& item);

struct DidOpenTextDocumentParams {
    TextDocumentItem textDocument;
};
void from_json(const Json& json, DidOpenTextDocumentParams& params);

// A change of a range, or of the whole text when it has none. The text views
// the message, as a TextDocumentItem's does.
struct TextDocumentContentChangeEvent {
    std::optional<Range> range;
    std::string_view text;
};
void from_json(const Json& json, TextDocumentContentChangeEvent& change);

struct DidChangeTextDocumentParams {
    TextDocumentIdentifier textDocument;
    std::optional<std::int64_t> version;  // of textDocument: none when it is not an integer
    std::vector<TextDocumentContentChangeEvent> contentChanges;
};
void from_json(const Json& json, DidChangeTextDocumentParams& params);

// What the server asks of the client's capabilities. Read leniently: what is
// not there, or not of the protocol's type, is not offered.
struct ClientCapabilities {
    Encoding encoding = Encoding::utf16;  // the first of general.positionEncodings that the server knows
    bool hierarchicalSymbols = false;     // document symbols may nest
    bool snippets = false;                // completions may be snippets
    bool pullsDiagnostics = false;        // the client asks for diagnostics: none are pushed to it
    bool refreshHints = false;            // the client may be asked to fetch the inlay hints again
    bool refreshLenses = false;           // likewise the code lenses
    bool refreshTokens = false;           // likewise the semantic tokens
};
void from_json(const Json& json, ClientCapabilities& capabilities);
const char* encodingName(Encoding encoding);

// The results.

struct TextEdit {
    Range range;
    std::string newText;
};
void to_json(Json& json, const TextEdit& edit);

// An error of the text, from the server.
struct Diagnostic {
    Range range;
    std::string message;
};
void to_json(Json& json, const Diagnostic& diagnostic);

struct FullDocumentDiagnosticReport {
    std::vector<Diagnostic> items;
};
void to_json(Json& json, const FullDocumentDiagnosticReport& report);

// Markdown about a range.
struct Hover {
    std::string markdown;
    Range range;
};
void to_json(Json& json, const Hover& hover);

struct InlayHint {
    Position position;
    std::string label;
    std::string tooltip;
};
void to_json(Json& json, const InlayHint& hint);

struct FoldingRange {
    std::size_t startLine;
    std::size_t endLine;
};
void to_json(Json& json, const FoldingRange& fold);

// A text highlight.
struct DocumentHighlight {
    Range range;
};
void to_json(Json& json, const DocumentHighlight& highlight);

// A title that runs no command.
struct CodeLens {
    Range range;
    std::string title;
};
void to_json(Json& json, const CodeLens& lens);

struct CompletionItem {
    std::string label;
    bool snippet = false;        // a snippet of the protocol's kind, not a keyword
    bool snippetFormat = false;  // its text is in the snippet syntax
    TextEdit textEdit;
};
void to_json(Json& json, const CompletionItem& item);

// A quick fix of one diagnostic: edits of one document.
struct CodeAction {
    std::string title;
    Diagnostic diagnostic;
    bool isPreferred = false;
    std::string uri;
    std::vector<TextEdit> edits;
};
void to_json(Json& json, const CodeAction& action);

struct SemanticTokens {
    std::vector<std::size_t> data;
};
void to_json(Json& json, const SemanticTokens& tokens);

}  // namespace lsp

#endif
