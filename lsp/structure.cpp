// The requests about the program's blocks and words: folding ranges,
// highlights, selection ranges, semantic tokens and completion (handlers of
// the table in requests.cpp).
#include <string>
#include <utility>
#include <vector>

#include "loopcost/analysis/completion.h"
#include "loopcost/analysis/folds.h"
#include "loopcost/analysis/selection.h"
#include "loopcost/analysis/tokens.h"
#include "loopcost/lsp/requests.h"

namespace lsp {

namespace {

using analysis::Span;

// Five numbers a token: its line and start, each from the token before, its
// length, its type and its modifiers.
SemanticTokens tokensIn(const Subject& subject, Span range) {
    SemanticTokens encoded;
    std::vector<std::size_t>& data = encoded.data;
    std::size_t line = 0;
    std::size_t character = 0;
    for (const analysis::Token& t : analysis::tokens(subject.analysis(), range.begin, range.end)) {
        const Position start = subject.position(t.offset);
        const Position end = subject.position(t.offset + t.length, true);
        data.insert(data.end(),
                    {start.line - line, start.line == line ? start.character - character : start.character,
                     end.character - start.character, static_cast<std::size_t>(t.kind), t.costliest ? 1U : 0U});
        line = start.line;
        character = start.character;
    }
    return encoded;
}

}  // namespace

// One fold per loop that spans lines.
Json foldingRanges(const Subject& subject, const Json&) {
    std::vector<FoldingRange> folds;
    for (const Span& fold : analysis::loopFolds(subject.analysis())) {
        const std::size_t first = subject.position(fold.begin).line;
        const std::size_t last = subject.position(fold.end).line;
        if (first < last)
            folds.push_back(FoldingRange{first, last});
    }
    return folds;
}

// A LOOP and its END, or BEGIN and the closing END.
Json highlights(const Subject& subject, const Json& params) {
    const auto p = params.get<TextDocumentPositionParams>();
    std::vector<DocumentHighlight> list;
    for (const Span& keyword : analysis::pairedKeywords(subject.analysis(), subject.offset(p.position)))
        list.push_back(DocumentHighlight{subject.range(keyword)});
    return list;
}

// For each position, what holds it, innermost first, each range with the
// one around it as its parent.
Json selectionRanges(const Subject& subject, const Json& params) {
    const auto p = params.get<SelectionRangeParams>();
    Json list = Json::array();
    for (const Position& position : p.positions) {
        const std::vector<Span> spans = analysis::enclosingSpans(subject.analysis(), subject.offset(position));
        Json range;
        for (auto span = spans.rbegin(); span != spans.rend(); ++span) {
            Json inner{{"range", subject.range(*span)}};
            if (!range.is_null())
                inner["parent"] = std::move(range);
            range = std::move(inner);
        }
        list.push_back(std::move(range));
    }
    return list;
}

Json semanticTokens(const Subject& subject, const Json&) {
    return tokensIn(subject, Span{0, subject.document.text().size()});
}

Json semanticTokensInRange(const Subject& subject, const Json& params) {
    return tokensIn(subject, subject.span(params.get<TextDocumentRangeParams>().range));
}

// The keywords, and the blocks as snippets, that may be typed at the
// position.
Json completions(const Subject& subject, const Json& params) {
    const auto p = params.get<TextDocumentPositionParams>();
    std::vector<CompletionItem> items;
    const analysis::Completion c = analysis::completionAt(subject.analysis(), subject.offset(p.position));
    const Range word = subject.range(c.word);
    const auto keyword = [&](const char* name) { items.push_back(CompletionItem{name, false, false, {word, name}}); };
    const auto snippet = [&](const char* label, const char* body, const char* plain) {
        const bool snippets = subject.client.snippets;
        items.push_back(CompletionItem{label, true, snippets, {word, snippets ? body : plain}});
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

}  // namespace lsp
