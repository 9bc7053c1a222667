#include <cstdint>
#include <iostream>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "loopcost/analysis/exercise.h"
#include "loopcost/analysis/text.h"
#include "loopcost/cli/analyse.h"
#include "loopcost/cli/diagnostic.h"
#include "loopcost/cli/exercise.h"
#include "loopcost/cli/options.h"
#include "loopcost/lsp/languageserver.h"

namespace {

// A fault no check foresaw (memory ran out, say) ends that file, not the run.
bool analyseGuarded(const std::string& path, const Options& options, Output& output) {
    try {
        return analyse(path, options, output);
    } catch (const UsageError&) {
        throw;
    } catch (const std::bad_alloc&) {
        output.err << "loopcost: " << printableName(path) << ": out of memory\n";
    } catch (const std::exception& e) {
        output.err << "loopcost: " << printableName(path) << ": " << analysis::printable(e.what()) << '\n';
    }
    return false;
}

bool compareGuarded(const Options& options, Output& output) {
    try {
        return compareFiles(options, output);
    } catch (const std::bad_alloc&) {
        output.err << "loopcost: out of memory\n";
    } catch (const std::exception& e) {
        output.err << "loopcost: " << analysis::printable(e.what()) << '\n';
    }
    return false;
}

// Output that could not be written is a failure, not a success.
int finish(int status) {
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "loopcost: cannot write to standard output\n";
        return status == 0 ? 1 : status;
    }
    return status;
}

}  // namespace

int main(int argc, char* argv[]) {
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    Options options;
    try {
        options = parseOptions(arguments);
    } catch (const UsageError& e) {
        std::cerr << "loopcost: " << e.what() << "; try 'loopcost --help'\n";
        return 2;
    }
    if (options.help) {
        std::cout << helpText();
        return finish(0);
    }
    if (options.version) {
        std::cout << "loopcost " LOOPCOST_VERSION "\n";
        return finish(0);
    }
    if (options.languageServer)  // --lsp, with --stdio before or after it
        return runLanguageServer(std::cin, std::cout);
    if (options.exercise) {
        const std::uint64_t seed = options.seed ? *options.seed : freshSeed();
        const analysis::Exercise exercise = analysis::makeExercise(options.level, seed);
        writeExercise(std::cout, std::cerr, exercise, options.mode == Mode::json);
        return finish(0);
    }
    Output output{std::cout, std::cerr, options.files.size() > 1, 0};
    if (options.compare)
        return finish(compareGuarded(options, output) ? 0 : 1);
    bool allGood = true;
    try {
        for (const std::string& path : options.files)
            allGood = analyseGuarded(path, options, output) && allGood;
    } catch (const UsageError& e) {  // an --at too large for one of the programs: the run ends there
        std::cerr << "loopcost: " << e.what() << "; try 'loopcost --help'\n";
        return finish(2);
    }
    return finish(allGood ? 0 : 1);
}
