#ifndef LOOPCOST_CLI_OPTIONS_H
#define LOOPCOST_CLI_OPTIONS_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "loopcost/analysis/number.h"

// What the tool prints for each program.
enum class Mode { cost, floatCost, counts, format, annotate, json, hot, check, explain };

struct Options {
    Mode mode = Mode::cost;
    analysis::Decimal addCost = analysis::Decimal::whole(1);       // cost of one '+'
    analysis::Decimal multiplyCost = analysis::Decimal::whole(1);  // cost of one '*'
    std::size_t hotCount = 10;                                     // statements that --hot lists
    std::vector<std::string> files;                                // "-" stands for standard input; never empty
    std::vector<analysis::Integer> at;       // --at: the n to cost each program at, each once, in the order given
    bool compare = false;                    // --compare: the two files, side by side (with the cost or --json)
    bool derive = false;                     // --derive: the cost as nested sums, solved step by step
    bool latex = false;                      // --latex: --derive's steps for LaTeX
    std::optional<analysis::Integer> trace;  // --trace: the n to run each program for, step by step
    std::optional<std::size_t> steps;        // --steps: the steps that --trace shows at most, defaultSteps if not given
    bool exercise = false;                   // --exercise: a program to practise on, made in place of reading one
    int level = 1;                           // --level: the exercise's
    std::optional<std::uint64_t> seed;       // --seed: the exercise's, a fresh one if not given
    bool help = false;
    bool version = false;
    bool languageServer = false;  // --lsp (with or without --stdio): no mode, cost or file beside it
};

// The steps that --trace shows without --steps.
constexpr std::size_t defaultSteps = 50;

// The largest count that --hot and --steps take.
constexpr std::size_t maxHotCount = 1000000000;

// A command line the tool cannot follow; what() is the one-line reason.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the arguments after the program name. Throws UsageError, also for an
// option beside --lsp that the server would not follow (--help and --version
// win over --lsp).
Options parseOptions(const std::vector<std::string>& args);

// The cost model as the library's floats, for --float. Throws UsageError for
// a cost beyond the range of a float.
float floatCost(const analysis::Decimal& cost, const char* option);

// The text of --help.
const char* helpText();

#endif
