#include "analyse.h"

#include <iostream>
#include <memory>
#include <stdexcept>

#include "analysis.h"
#include "annotate.h"
#include "cpucontext.h"
#include "diagnostic.h"
#include "floatcost.h"
#include "hot.h"
#include "json.h"
#include "polynomial.h"
#include "program.h"
#include "source.h"

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

analysis::Detail detailFor(Mode mode) {
    return mode == Mode::annotate || mode == Mode::json || mode == Mode::hot ? analysis::Detail::statements
                                                                             : analysis::Detail::total;
}

// The library's own float cost, as the tool printed it before costs were
// exact; its limits are errors of their own.
bool writeFloatCost(const analysis::Analysis& program, const Options& options, const Source& source, Output& output) {
    const CPUContext context(floatCost(options.addCost, "--add-cost"), floatCost(options.multiplyCost, "--mul-cost"));
    Polynomial total;
    try {
        total = program.program().computeComplexity(context);
    } catch (const std::overflow_error&) {
        return costFailed(output, source, "cost degree exceeds 19 (loops over n nested too deeply)");
    }
    if (!isFinite(total))
        return costFailed(output, source, "cost exceeds the range of a float (about 3.4e38)");
    beginLine(output, source.name());
    total.print(output.out);
    return true;
}

void writeCounts(const analysis::Analysis& program, const Source& source, Output& output) {
    beginBlock(output, source.name());
    const analysis::Counts& counts = program.counts();
    output.out << "additions: " << analysis::countText(counts.additions) << '\n'
               << "multiplications: " << analysis::countText(counts.multiplications) << '\n';
}

bool writeResult(const analysis::Analysis& program, const Options& options, const Source& source, Output& output) {
    switch (options.mode) {
    case Mode::cost:
        beginLine(output, source.name());
        output.out << program.total().text() << '\n';
        break;
    case Mode::floatCost: return writeFloatCost(program, options, source, output);
    case Mode::counts: writeCounts(program, source, output); break;
    case Mode::format:
        beginBlock(output, source.name());
        program.program().print(output.out);
        break;
    case Mode::annotate:
        beginBlock(output, source.name());
        writeAnnotated(output.out, program);
        break;
    case Mode::json: writeJson(output.out, source.name(), program); break;
    case Mode::hot: writeHottest(output.out, printableName(source.name()), program, options.hotCount); break;
    case Mode::check: break;
    }
    return true;
}

}  // namespace

bool analyse(const std::string& path, const Options& options, Output& output) {
    const std::string name = path == "-" ? "<stdin>" : path;
    std::unique_ptr<Source> source;
    try {
        source = std::make_unique<Source>(path);
    } catch (const SourceError& e) {
        if (options.mode == Mode::json)
            writeJsonFailure(output.out, name, nullptr, e.what());
        return failed(output, name, e.what());
    }
    analysis::CostModel model{options.addCost, options.multiplyCost};
    const analysis::Analysis program(source->text(), model, detailFor(options.mode));
    if (!program.ok()) {
        if (options.mode == Mode::json)
            writeJsonFailure(output.out, name, &*program.error(), program.error()->message);
        writeDiagnostic(output.err, source->name(), source->text(), program.lines(), *program.error());
        return false;
    }
    return writeResult(program, options, *source, output);
}
