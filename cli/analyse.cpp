#include "loopcost/cli/analyse.h"

#include <iostream>
#include <memory>
#include <stdexcept>
#include <streambuf>
#include <vector>

#include "loopcost/analysis/analysis.h"
#include "loopcost/analysis/check.h"
#include "loopcost/analysis/compare.h"
#include "loopcost/cli/annotate.h"
#include "loopcost/cli/derivation.h"
#include "loopcost/cli/diagnostic.h"
#include "loopcost/cli/expect.h"
#include "loopcost/cli/explain.h"
#include "loopcost/cli/floatcost.h"
#include "loopcost/cli/hot.h"
#include "loopcost/cli/json.h"
#include "loopcost/cli/source.h"
#include "loopcost/cli/tracing.h"
#include "loopcost/model/cpucontext.h"
#include "loopcost/model/polynomial.h"
#include "loopcost/model/program.h"

namespace {

bool failed(Output& output, const std::string& name, const std::string& reason) {
    output.err << "loopcost: " << printableName(name) << ": " << reason << '\n';
    return false;
}

bool costFailed(Output& output, const Source& source, const char* reason) {
    output.err << printableName(source.name()) << ": error: " << reason << '\n';
    return false;
}

// A result of several lines begins with its file's name on a line of its own,
// set apart from the result before it by an empty line.
void beginBlock(Output& output, const std::string& name) {
    if (!output.prefixed)
        return;
    if (output.blocksWritten++ > 0)
        output.out << '\n';
    output.out << printableName(name) << ":\n";
}

void beginLine(Output& output, const std::string& name) {
    if (output.prefixed)
        output.out << printableName(name) << ": ";
}

// Reads a text in memory where it stands.
class TextBuffer : public std::streambuf {
public:
    explicit TextBuffer(std::string_view text) {
        char* const begin = const_cast<char*>(text.data());  // read only: nothing here writes
        setg(begin, begin, begin + text.size());
    }
};

// The library's own tree of a text that the analysis has read: the two
// readers take the same programs, so this one meets no error.
std::unique_ptr<Program> libraryTree(std::string_view text) {
    TextBuffer buffer(text.substr(analysis::byteOrderMarkLength(text)));
    std::istream in(&buffer);
    return std::make_unique<Program>(in);
}

// The library's own float cost, as the tool printed it before costs were
// exact; its limits are errors of their own.
bool writeFloatCost(const Program& program, const Options& options, const Source& source, Output& output) {
    const CPUContext context(floatCost(options.addCost, "--add-cost"), floatCost(options.multiplyCost, "--mul-cost"));
    Polynomial total;
    try {
        total = program.computeComplexity(context);
    } catch (const std::overflow_error&) {
        return costFailed(output, source, "cost degree exceeds 19 (loops over n nested too deeply)");
    }
    if (!isFinite(total))
        return costFailed(output, source, "cost exceeds the range of a float (about 3.4e38)");
    beginLine(output, source.name());
    total.print(output.out);
    return true;
}

void writeCounts(const analysis::Counts& counts, const std::string& name, Output& output) {
    beginBlock(output, name);
    output.out << "additions: " << analysis::countText(counts.additions) << '\n'
               << "multiplications: " << analysis::countText(counts.multiplications) << '\n';
}

void writeDiagnostics(const std::vector<analysis::Diagnostic>& diagnostics, const std::string& name,
                      const Options& options, Output& output) {
    if (options.mode == Mode::json)
        writeJsonFailure(output.out, name, &diagnostics.front(), diagnostics.front().message);
    for (const analysis::Diagnostic& diagnostic : diagnostics)
        writeDiagnostic(output.err, name, diagnostic);
}

// An --at or --trace whose value would have too many digits to write out is
// refused before anything of the file is written, and before the value is
// worked out.
void checkValue(const analysis::Cost& total, const analysis::Integer& n, const char* option, const std::string& name) {
    if (analysis::valueFits(total, n))
        return;
    const std::size_t digits = analysis::digitsOf(n);
    std::string at = "n = ";
    if (digits <= 40)
        analysis::appendInteger(at, n);
    else
        at = "an n of " + std::to_string(digits) + " digits";
    throw UsageError(printableName(name) + ": the cost at " + at + " would have more than " +
                     std::to_string(analysis::mostDigits) + " digits, the most that " + option + " gives");
}

void checkValues(const analysis::Cost& total, const Options& options, const std::string& name) {
    for (const analysis::Integer& n : options.at)
        checkValue(total, n, "--at", name);
    if (options.trace)
        checkValue(total, *options.trace, "--trace", name);
}

// "cost at n = 1000: 15009002", a line for each --at.
void writeValues(const analysis::Cost& total, const Options& options, const std::string& name, Output& output) {
    for (const analysis::Integer& n : options.at) {
        beginLine(output, name);
        std::string line = "cost at n = ";
        analysis::appendInteger(line, n);
        output.out << line << ": " << analysis::valueAt(total, n).text() << '\n';
    }
}

// The total needs no more than the reader's stack: the input goes by a
// block at a time.
bool analyseStreamed(const std::string& path, const std::string& name, const Options& options, Output& output) {
    std::unique_ptr<FileBytes> input;
    try {
        input = std::make_unique<FileBytes>(path);
    } catch (const SourceError& e) {
        return failed(output, name, e.what());
    }
    analysis::StreamedCost result;
    try {
        result = analysis::costStream(*input, analysis::CostModel{options.addCost, options.multiplyCost});
    } catch (const SourceError& e) {
        return failed(output, name, e.what());
    }
    if (!result.diagnostics.empty()) {
        writeDiagnostics(result.diagnostics, name, options, output);
        return false;
    }
    if (options.mode == Mode::cost) {
        checkValues(result.total, options, name);
        beginLine(output, name);
        output.out << result.total.text() << '\n';
        writeValues(result.total, options, name, output);
    } else if (options.mode == Mode::counts) {
        writeCounts(result.counts, name, output);
    }
    return true;
}

// The sums, the run and the check need every statement; the total alone
// does not.
bool asksStatements(const Options& options) {
    return options.derive || options.trace.has_value() || options.expect.has_value();
}
bool isStreamed(const Options& options) {
    const Mode mode = options.mode;
    return (mode == Mode::cost && !asksStatements(options)) || mode == Mode::counts || mode == Mode::check;
}
bool needsStatements(const Options& options) {
    const Mode mode = options.mode;
    return mode == Mode::annotate || mode == Mode::json || mode == Mode::hot || mode == Mode::explain ||
           asksStatements(options);
}

// The cost asked with --derive or --trace: the sums, or the run, in place of
// the total (whose value the last line of each gives).
void writeQuestion(const analysis::Analysis& program, const Options& options, const std::string& name, Output& output) {
    beginBlock(output, name);
    if (options.trace) {
        writeTrace(output.out, program, *options.trace, options.steps.value_or(defaultSteps));
        return;
    }
    writeDerivation(output.out, program, options.latex);
    writeValues(program.total(), options, name, output);
}

void writeJsonResult(const analysis::Analysis& program, const Options& options, const std::string& name,
                     Output& output) {
    if (options.trace)
        writeTraceJson(output.out, program, *options.trace, options.steps.value_or(defaultSteps));
    else if (options.derive)
        writeJson(output.out, name, program, options.at, ", \"derivation\": " + derivationJson(program));
    else
        writeJson(output.out, name, program, options.at);
}

// --expect: the check of the answer, in lines or as a member of the JSON
// object; a wrong answer fails the file.
bool writeCheck(const analysis::Analysis& program, const Options& options, const std::string& name, Output& output) {
    const analysis::Check check = analysis::checkAnswer(program, *options.expect);
    if (options.mode == Mode::json) {
        writeJson(output.out, name, program, options.at, ", \"expect\": " + expectJson(options.expectText, check));
    } else {
        beginBlock(output, name);
        writeExpect(output.out, printableName(name), program.total().text(), analysis::answerText(*options.expect),
                    check);
    }
    return check.right;
}

bool writeResult(const analysis::Analysis& program, const Options& options, const Source& source, Output& output) {
    switch (options.mode) {
    case Mode::floatCost: return writeFloatCost(*libraryTree(program.text()), options, source, output);
    case Mode::format:
        beginBlock(output, source.name());
        libraryTree(program.text())->print(output.out);
        break;
    case Mode::annotate:
        beginBlock(output, source.name());
        writeAnnotated(output.out, program);
        break;
    case Mode::cost: writeQuestion(program, options, source.name(), output); break;
    case Mode::json: writeJsonResult(program, options, source.name(), output); break;
    case Mode::explain: writeExplanation(output.out, printableName(source.name()), program); break;
    case Mode::hot: writeHottest(output.out, printableName(source.name()), program, options.hotCount); break;
    default: break;
    }
    return true;
}

}  // namespace

bool analyse(const std::string& path, const Options& options, Output& output) {
    const std::string name = path == "-" ? "<stdin>" : path;
    if (isStreamed(options))
        return analyseStreamed(path, name, options, output);
    std::unique_ptr<Source> source;
    try {
        source = std::make_unique<Source>(path);
    } catch (const SourceError& e) {
        if (options.mode == Mode::json)
            writeJsonFailure(output.out, name, nullptr, e.what());
        return failed(output, name, e.what());
    }
    const analysis::CostModel model{options.addCost, options.multiplyCost};
    const analysis::Analysis program(source->text(), model,
                                     needsStatements(options) ? analysis::Detail::statements : analysis::Detail::total);
    if (!program.ok()) {
        writeDiagnostics(program.diagnostics(), name, options, output);
        return false;
    }
    if (options.mode == Mode::json || asksStatements(options))
        checkValues(program.total(), options, name);
    if (options.expect)
        return writeCheck(program, options, name, output);
    return writeResult(program, options, *source, output);
}

namespace {

// One side of a comparison, read and costed, or why it failed: what a
// failure says goes to standard error as for any file.
struct Side {
    std::string name;
    std::unique_ptr<Source> source;
    std::unique_ptr<analysis::Analysis> program;
    std::string failure;

    bool ok() const { return program && program->ok(); }
};

Side readSide(const std::string& path, const Options& options, Output& output) {
    Side side;
    side.name = path == "-" ? "<stdin>" : path;
    try {
        side.source = std::make_unique<Source>(path);
    } catch (const SourceError& e) {
        side.failure = e.what();
        failed(output, side.name, side.failure);
        return side;
    }
    side.program = std::make_unique<analysis::Analysis>(
        side.source->text(), analysis::CostModel{options.addCost, options.multiplyCost},
        options.mode == Mode::json ? analysis::Detail::statements : analysis::Detail::total);
    if (!side.program->ok()) {
        side.failure = side.program->error()->message;
        for (const analysis::Diagnostic& diagnostic : side.program->diagnostics())
            writeDiagnostic(output.err, side.name, diagnostic);
    }
    return side;
}

ComparedFile compared(const Side& side) {
    return ComparedFile{side.name, side.program.get(), side.program ? side.program->error() : nullptr, side.failure};
}

}  // namespace

bool compareFiles(const Options& options, Output& output) {
    const Side first = readSide(options.files[0], options, output);
    const Side second = readSide(options.files[1], options, output);
    const bool ok = first.ok() && second.ok();
    analysis::Comparison comparison;
    if (ok)
        comparison = analysis::compareCosts(first.program->total(), second.program->total());
    if (options.mode == Mode::json) {
        writeJsonComparison(output.out, compared(first), compared(second), ok ? &comparison : nullptr);
        return ok;
    }
    if (!ok)
        return false;
    const std::string a = printableName(first.name);
    const std::string b = printableName(second.name);
    for (const Side* side : {&first, &second})
        output.out << printableName(side->name) << ": " << side->program->total().text() << ", "
                   << side->program->total().orderText() << '\n';
    output.out << analysis::growthText(comparison, a, b) << '\n' << analysis::comparisonText(comparison, a, b) << '\n';
    return true;
}
