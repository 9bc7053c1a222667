#include "analyse.h"

#include <cstring>
#include <iostream>
#include <memory>
#include <new>
#include <sstream>
#include <stdexcept>

#include "annotate.h"
#include "cpucontext.h"
#include "diagnostic.h"
#include "growth.h"
#include "json.h"
#include "polynomial.h"
#include "program.h"
#include "source.h"
#include "syntaxerror.h"

namespace {

// The library writes its error line to std::cerr before it throws; the tool
// shows that line inside its own diagnostic, so it is kept from the terminal.
class CerrCapture {
public:
    CerrCapture() : saved(std::cerr.rdbuf(sink.rdbuf())) {}
    ~CerrCapture() { std::cerr.rdbuf(saved); }
    CerrCapture(const CerrCapture&) = delete;
    CerrCapture& operator=(const CerrCapture&) = delete;

private:
    std::ostringstream sink;
    std::streambuf* saved;
};

std::unique_ptr<Program> readProgram(Source& source) {
    CerrCapture capture;
    return std::make_unique<Program>(source.stream());
}

bool failed(Output& output, const std::string& name, const std::string& reason) {
    output.err << "loopcost: " << printableName(name) << ": " << reason << '\n';
    return false;
}

bool readFailed(Output& output, const Source& source) {
    return failed(output, source.name(), std::strerror(source.readError()));
}

bool costFailed(Output& output, const Source& source, const char* reason) {
    output.err << printableName(source.name()) << ": error: " << reason << '\n';
    return false;
}

// A result of several lines begins with its file's name on a line of its own,
// set apart from the result before it by an empty line.
void beginBlock(Output& output, const Source& source) {
    if (!output.prefixed)
        return;
    if (output.blocksWritten++ > 0)
        output.out << '\n';
    output.out << printableName(source.name()) << ":\n";
}

// The library reads nothing behind the closing END; text there would be lost
// without a word, so it is an error.
bool readCompletely(Source& source, Output& output, std::unique_ptr<Program>& program) {
    try {
        program = readProgram(source);
    } catch (const SyntaxError& e) {
        if (source.readError())  // the input ended early because it could not be read
            return readFailed(output, source);
        writeDiagnostic(output.err, source, e.offset(), e.what());
        return false;
    }
    const std::streamoff trailing = source.offsetOfTrailingText();
    if (source.readError())
        return readFailed(output, source);
    if (trailing >= 0) {
        writeDiagnostic(output.err, source, trailing, "unexpected text after the closing END");
        return false;
    }
    return true;
}

bool cost(const Program& program, const CPUContext& context, Source& source, Output& output, Polynomial& total) {
    try {
        total = program.computeComplexity(context);
    } catch (const std::overflow_error&) {
        return costFailed(output, source, "cost degree exceeds 19 (loops over n nested too deeply)");
    }
    if (!isFinite(total))
        return costFailed(output, source, "cost exceeds the range of a float (about 3.4e38)");
    return true;
}

}  // namespace

bool analyse(const std::string& path, const Options& options, Output& output) {
    std::unique_ptr<Source> source;
    try {
        source = std::make_unique<Source>(path);
    } catch (const SourceError& e) {
        return failed(output, path == "-" ? "<stdin>" : path, e.what());
    }
    std::unique_ptr<Program> program;
    if (!readCompletely(*source, output, program))
        return false;
    if (options.mode == Mode::format) {
        beginBlock(output, *source);
        program->print(output.out);
        return true;
    }
    const CPUContext context(options.addCost, options.multiplyCost);
    Polynomial total;
    if (!cost(*program, context, *source, output, total))
        return false;
    switch (options.mode) {
    case Mode::cost:
        if (output.prefixed)
            output.out << printableName(source->name()) << ": ";
        total.print(output.out);
        break;
    case Mode::annotate:
        beginBlock(output, *source);
        writeAnnotated(output.out, *program, context, total);
        break;
    case Mode::json: writeJson(output.out, source->name(), total); break;
    case Mode::format:
    case Mode::check: break;
    }
    return true;
}
