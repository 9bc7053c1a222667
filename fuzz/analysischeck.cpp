#include "loopcost/fuzz/analysischeck.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include <memory>
#include <sstream>

#include "loopcost/analysis/analysis.h"
#include "loopcost/analysis/syntax.h"
#include "loopcost/model/cpucontext.h"
#include "loopcost/model/polynomial.h"
#include "loopcost/model/program.h"
#include "loopcost/model/syntaxerror.h"
#include "loopcost/tests/support/blocks.h"
#include "loopcost/tests/support/errorline.h"

namespace {

[[noreturn]] void fail(const char* what, const std::string& input) {
    std::fprintf(stderr, "analysis check broken: %s\ninput (%zu bytes): %s\n", what, input.size(),
                 analysis::printable(input.substr(0, 2000)).c_str());
    std::abort();
}

void checkDiagnostic(const analysis::Diagnostic& d, const analysis::Analysis& a, const std::string& input) {
    if (d.offset > input.size() || d.offset + d.length > input.size())
        fail("the diagnostic lies outside the input", input);
    const analysis::Place p = a.lines().placeOf(d.offset);
    if (p.line != d.place.line || p.column != d.place.column)
        fail("the diagnostic's line and column are not those of its offset", input);
    if (d.message.empty())
        fail("the diagnostic has no message", input);
    for (const char c : d.message)
        if (c < 0x20 || c > 0x7e)
            fail("the message is not one line of printable text", input);
}

void checkPositions(const analysis::Analysis& a, const std::string& input) {
    const auto& statements = a.statements();
    for (std::size_t i = 0; i < statements.size(); ++i) {
        const analysis::StatementInfo& s = statements[i];
        if (s.begin < 0 || s.end > static_cast<std::int64_t>(input.size()) || s.begin >= s.end)
            fail("a statement lies outside the input", input);
        if (i > 0 && statements[i - 1].begin >= s.begin)
            fail("statements are not in source order", input);
        const char first = input[static_cast<std::size_t>(s.begin)];
        const char last = input[static_cast<std::size_t>(s.end) - 1];
        if (s.isLoop() ? (first != 'L' || last != 'D') : (first < 'a' || first > 'z' || last != ';'))
            fail("a statement's span does not hold its first and last characters", input);
        if (s.parent >= 0) {
            const analysis::StatementInfo& loop = statements[static_cast<std::size_t>(s.parent)];
            if (!loop.isLoop() || s.begin <= loop.begin || s.end > loop.end)
                fail("a statement lies outside the loop around it", input);
        }
        if (a.statementAt(static_cast<std::size_t>(s.begin)) != &s)
            fail("the statement at a statement's first byte is another one", input);
    }
}

void checkTotals(const analysis::Analysis& a, const std::string& input) {
    analysis::Cost sum(std::vector<analysis::Integer>(), a.total().scale());
    for (const analysis::StatementInfo& s : a.statements())
        if (s.parent < 0)
            sum.add(a.costOf(s));
    if (sum.compare(a.total()) != 0)
        fail("the top-level statements do not add up to the total", input);
    const std::string canonical = a.canonicalProgram();
    const analysis::Analysis again(canonical, a.model(), analysis::Detail::total);
    if (!again.ok() || again.total().text() != a.total().text() || again.counts().additions != a.counts().additions ||
        again.counts().multiplications != a.counts().multiplications)
        fail("the canonical text costs differently", input);
}

// Whole numbers below 2^24 are exact in a float, and so is every sum and
// product on the way to them, since no cost here is negative.
void checkAgainstFloat(const analysis::Analysis& a, const Program& program, const std::string& input) {
    const analysis::Cost& total = a.total();
    if (total.degree() >= Polynomial::capacity)
        return;
    for (int i = 0; i <= total.degree(); ++i)
        if (total.unitsOf(i) >= (1 << 24))
            return;
    Polynomial cost;
    try {
        cost = program.computeComplexity(CPUContext(2.0f, 4.0f));
    } catch (const std::overflow_error&) {
        fail("the float cost overflows below its capacity", input);
    }
    if (cost.getDegree() != total.degree())
        fail("the float cost has another degree", input);
    for (int i = 0; i <= total.degree(); ++i)
        if (cost.getCoefficient(i) != total.unitsOf(i).convert_to<float>())
            fail("the float cost differs where floats are exact", input);
}

// The library's reading of the same bytes: its tree, or where it stopped.
struct LibraryReading {
    std::unique_ptr<Program> tree;
    std::size_t errorOffset = 0;
    std::size_t end = 0;  // one past the closing END
};

LibraryReading readWithLibrary(const std::string& input) {
    const std::size_t start = analysis::byteOrderMarkLength(input);
    std::istringstream in(input.substr(start));
    LibraryReading reading;
    const testsupport::ErrorLineCapture quiet;
    try {
        reading.tree = std::make_unique<Program>(in);
        reading.end =
            start + static_cast<std::size_t>(in.eof() ? input.size() - start : static_cast<std::size_t>(in.tellg()));
    } catch (const SyntaxError& e) {
        reading.errorOffset = e.offset() < 0 ? input.size() : start + static_cast<std::size_t>(e.offset());
    }
    return reading;
}

// Both readers take the same programs; where the library stops, the first
// diagnostic stands: on the token, or for a fault of an expression, in the
// statement that the library names.
void checkAgainstLibrary(const analysis::Analysis& a, const LibraryReading& library, const std::string& input) {
    if (library.tree) {
        if (a.ok()) {
            std::ostringstream printed;
            library.tree->print(printed);
            if (printed.str() != a.canonicalProgram())
                fail("the readers print different canonical texts", input);
            return;
        }
        if (a.error()->kind != analysis::Fault::textAfterEnd || a.error()->offset < library.end)
            fail("the library reads a program that the analysis refuses", input);
        return;
    }
    if (a.ok())
        fail("the analysis reads a program that the library refuses", input);
    const analysis::Diagnostic& d = *a.error();
    const bool inExpression = d.kind == analysis::Fault::missingOperator || d.kind == analysis::Fault::missingVariable;
    if (inExpression ? (d.offset < library.errorOffset || input.find(';', library.errorOffset) < d.offset)
                     : d.offset != library.errorOffset)
        fail("the first diagnostic is not where the library stops", input);
}

}  // namespace

// Read a block at a time, the input gives the same total and diagnostics.
void checkStreamed(const analysis::Analysis& a, const analysis::CostModel& model, const std::string& input) {
    testsupport::Blocks blocks(input, {1 + input.size() % 7});
    const analysis::StreamedCost streamed = analysis::costStream(blocks, model);
    if (streamed.diagnostics.size() != a.diagnostics().size())
        fail("read in blocks, the input has another number of diagnostics", input);
    for (std::size_t i = 0; i < streamed.diagnostics.size(); ++i) {
        const analysis::Diagnostic& x = streamed.diagnostics[i];
        const analysis::Diagnostic& y = a.diagnostics()[i];
        if (x.offset != y.offset || x.length != y.length || x.message != y.message ||
            x.excerpt.after != y.excerpt.after)
            fail("read in blocks, a diagnostic differs", input);
    }
    if (a.ok() && streamed.total.text() != a.total().text())
        fail("read in blocks, the input costs differently", input);
}

// The reader's lexemes cover the text: every byte but white space and the
// byte-order mark lies in exactly one, in source order; keywords are the
// BEGIN, LOOP and END that the reader read, a statement's lexemes lie in it,
// and the statements' and loops' keywords are among them.
void checkLexemes(const analysis::Analysis& a, const std::string& input) {
    const std::vector<analysis::Lexeme> all = analysis::lexemesOf(input, 0, input.size());
    std::size_t at = analysis::byteOrderMarkLength(input);
    for (const analysis::Lexeme& l : all) {
        if (l.length == 0 || l.offset < at || l.offset + l.length > input.size())
            fail("the lexemes are empty, overlap, or leave the text", input);
        for (; at < l.offset; ++at)
            if (!analysis::isBlank(input[at]))
                fail("a byte that is not white space lies in no lexeme", input);
        const std::string_view word = std::string_view(input).substr(l.offset, l.length);
        for (const char c : word)
            if (analysis::isBlank(c))
                fail("a lexeme holds white space", input);
        const bool keyword = word == "BEGIN" || word == "LOOP" || word == "END";
        if ((l.kind == analysis::LexemeKind::keyword) != keyword && l.kind != analysis::LexemeKind::stray)
            fail("a keyword is not BEGIN, LOOP or END, or one of them is read as something else", input);
        if (l.length != 1 && (l.kind == analysis::LexemeKind::variable || l.kind == analysis::LexemeKind::operation ||
                              l.kind == analysis::LexemeKind::semicolon))
            fail("a variable, an operation or a ';' is not one byte", input);
        at = l.offset + l.length;
    }
    for (; at < input.size(); ++at)
        if (!analysis::isBlank(input[at]))
            fail("a byte after the last lexeme is not white space", input);
    const analysis::Syntax& syntax = a.syntax();
    if (a.programEnd() > 0 && (syntax.end.end != a.programEnd() || input.compare(syntax.end.begin, 3, "END") != 0))
        fail("the closing END is not where the program ends", input);
    for (const analysis::StatementInfo& s : a.statements()) {
        if (!s.isLoop())
            continue;
        const analysis::LoopSyntax& loop = syntax.loops[static_cast<std::size_t>(s.loop)];
        if (loop.keyword.begin != static_cast<std::size_t>(s.begin) || loop.header.end < loop.keyword.end)
            fail("a loop's keyword is not where it begins", input);
        if (s.ended &&
            (loop.end.end != static_cast<std::size_t>(s.end) || input.compare(loop.end.begin, 3, "END") != 0))
            fail("a loop's END is not where it ends", input);
    }
}

void checkAnalysis(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const analysis::CostModel model{analysis::Decimal::whole(2), analysis::Decimal::whole(4)};
    const analysis::Analysis a(input, model, analysis::Detail::statements);
    const LibraryReading library = readWithLibrary(input);
    checkAgainstLibrary(a, library, input);
    checkStreamed(a, model, input);
    for (const analysis::Diagnostic& d : a.diagnostics())
        checkDiagnostic(d, a, input);
    checkLexemes(a, input);
    if (!a.ok())
        return;
    checkPositions(a, input);
    checkTotals(a, input);
    checkAgainstFloat(a, *library.tree, input);
}
