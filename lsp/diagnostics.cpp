// The requests about the program's errors: pulled diagnostics and their
// quick fixes (handlers of the table in requests.cpp), and the diagnostics
// that the server pushes.
#include <vector>

#include "loopcost/analysis/fixes.h"
#include "loopcost/lsp/requests.h"

namespace lsp {

namespace {

Diagnostic diagnosticOf(const Subject& subject, const analysis::Diagnostic& d) {
    return Diagnostic{subject.range(d.offset, d.offset + d.length), d.message};
}

std::vector<TextEdit> textEdits(const Subject& subject, const std::vector<analysis::Edit>& edits) {
    std::vector<TextEdit> list;
    list.reserve(edits.size());
    for (const analysis::Edit& e : edits)
        list.push_back(TextEdit{subject.range(e.offset, e.offset + e.length), e.text});
    return list;
}

}  // namespace

std::vector<Diagnostic> diagnosticsOf(const Subject& subject) {
    const std::vector<analysis::Diagnostic>& diagnostics = subject.analysis().diagnostics();
    std::vector<Diagnostic> list;
    list.reserve(diagnostics.size());
    for (const analysis::Diagnostic& d : diagnostics)
        list.push_back(diagnosticOf(subject, d));
    return list;
}

Json pulledDiagnostics(const Subject& subject, const Json&) {
    return FullDocumentDiagnosticReport{diagnosticsOf(subject)};
}

// The fixes of the errors that touch the range.
Json codeActions(const Subject& subject, const Json& params) {
    std::vector<CodeAction> actions;
    const auto p = params.get<CodeActionParams>();
    if (!p.quickFixes)
        return actions;
    const analysis::Span range = subject.span(p.range);
    const analysis::Analysis& a = subject.analysis();
    for (const analysis::Diagnostic& d : a.diagnostics()) {
        if (d.offset > range.end || d.offset + d.length < range.begin)
            continue;
        for (const analysis::Fix& fix : analysis::fixesOf(a, d))
            actions.push_back(CodeAction{fix.title, diagnosticOf(subject, d), fix.preferred, subject.document.uri(),
                                         textEdits(subject, fix.edits)});
    }
    return actions;
}

}  // namespace lsp
