#include "loopcost/fuzz/editorcheck.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "loopcost/analysis/analysis.h"
#include "loopcost/analysis/completion.h"
#include "loopcost/analysis/fixes.h"
#include "loopcost/analysis/folds.h"
#include "loopcost/analysis/format.h"
#include "loopcost/analysis/selection.h"
#include "loopcost/analysis/tokens.h"

namespace {

using analysis::Analysis;
using analysis::Span;

[[noreturn]] void fail(const char* what, const std::string& input) {
    std::fprintf(stderr, "editor check broken: %s\ninput (%zu bytes): %s\n", what, input.size(),
                 analysis::printable(input.substr(0, 2000)).c_str());
    std::abort();
}

void checkFixes(const Analysis& a, const std::string& input) {
    for (const analysis::Diagnostic& d : a.diagnostics()) {
        for (const analysis::Fix& fix : analysis::fixesOf(a, d)) {
            std::size_t at = 0;
            for (const analysis::Edit& e : fix.edits) {
                if (e.offset < at || e.offset + e.length > input.size())
                    fail("a fix's edits overlap or leave the text", input);
                at = e.offset + e.length;
            }
            const std::string mended = analysis::applied(input, fix.edits);
            const Analysis after(mended, a.model(), analysis::Detail::total);
            if (after.diagnostics().size() >= a.diagnostics().size() &&
                a.diagnostics().size() < analysis::Reader::maxDiagnostics)
                fail("a fix applied leaves as many errors", input);
        }
    }
}

void checkSpans(const Analysis& a, const std::string& input) {
    for (const Span& fold : analysis::loopFolds(a))
        if (fold.begin > fold.end || fold.end > input.size())
            fail("a fold lies outside the text", input);
    const std::vector<analysis::Token> all = analysis::tokens(a, 0, input.size());
    std::size_t at = 0;
    for (const analysis::Token& t : all) {
        if (t.offset < at || t.length == 0 || t.offset + t.length > input.size())
            fail("the tokens overlap, are empty or leave the text", input);
        at = t.offset + t.length;
    }
    for (std::size_t offset = 0; offset <= input.size(); offset += 1 + input.size() / 64) {
        const std::vector<Span> spans = analysis::enclosingSpans(a, offset);
        if (spans.empty() || spans.front().begin > offset || spans.front().end < offset)
            fail("the innermost enclosing span does not hold its offset", input);
        for (std::size_t i = 0; i < spans.size(); ++i)
            if (spans[i].end > input.size() ||
                (i > 0 && (spans[i].begin > spans[i - 1].begin || spans[i].end < spans[i - 1].end)))
                fail("an enclosing span does not hold the one before", input);
        for (const Span& keyword : analysis::pairedKeywords(a, offset))
            if (keyword.begin >= keyword.end || keyword.end > input.size())
                fail("a paired keyword lies outside the text", input);
        const analysis::Completion c = analysis::completionAt(a, offset);
        if (c.word.begin > c.word.end || c.word.end > input.size())
            fail("the word to complete lies outside the text", input);
        const std::size_t to = std::min(input.size(), offset + 16);
        std::size_t expected = 0;
        for (const analysis::Token& t : all)
            expected += t.offset >= offset && t.offset < to ? 1 : 0;
        if (analysis::tokens(a, offset, to).size() != expected)
            fail("the tokens of a range are not those of the whole text that begin in it", input);
    }
}

// Laid out, the whole program or a part of it reads with the same cost; the
// whole program formatted has nothing more to format.
void checkLayout(const Analysis& a, const std::string& input) {
    if (!a.ok())
        return;
    const std::string total = a.total().text();
    std::vector<Span> ranges{Span{0, input.size()}};
    for (const analysis::StatementInfo& s : a.statements())
        if (ranges.size() < 32)
            ranges.push_back(Span{static_cast<std::size_t>(s.begin), static_cast<std::size_t>(s.end)});
    if (const std::optional<analysis::Edit> edit = analysis::formatOf(a)) {
        const std::string laid = analysis::applied(input, {*edit});
        const Analysis after(laid, a.model());
        if (!after.ok() || after.total().text() != total || analysis::formatOf(after))
            fail("formatting changes what the program costs, or leaves more to format", input);
    }
    for (const Span& range : ranges) {
        const std::optional<analysis::Edit> edit = analysis::layoutOf(a, range.begin, range.end);
        if (!edit)
            continue;
        const std::string laid = analysis::applied(input, {*edit});
        const Analysis after(laid, a.model(), analysis::Detail::total);
        if (!after.ok() || after.total().text() != total)
            fail("a layout changes what the program costs", input);
    }
}

}  // namespace

void checkEditor(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const Analysis a(input, analysis::CostModel{});
    checkFixes(a, input);
    checkSpans(a, input);
    checkLayout(a, input);
}
