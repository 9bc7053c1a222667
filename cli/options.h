#ifndef LOOPCOST_CLI_OPTIONS_H
#define LOOPCOST_CLI_OPTIONS_H

#include <stdexcept>
#include <string>
#include <vector>

// What the tool prints for each program.
enum class Mode { cost, format, annotate, json, check };

struct Options {
    Mode mode = Mode::cost;
    float addCost = 1.0f;            // cost of one '+'
    float multiplyCost = 1.0f;       // cost of one '*'
    std::vector<std::string> files;  // "-" stands for standard input; never empty
    bool help = false;
    bool version = false;
};

// A command line the tool cannot follow; what() is the one-line reason.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the arguments after the program name. Throws UsageError.
Options parseOptions(const std::vector<std::string>& args);

// The text of --help.
const char* helpText();

#endif
