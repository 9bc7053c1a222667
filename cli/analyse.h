#ifndef LOOPCOST_CLI_ANALYSE_H
#define LOOPCOST_CLI_ANALYSE_H

#include <iosfwd>
#include <string>

#include "loopcost/cli/options.h"

// Where results and failures go, and how results are told apart.
struct Output {
    std::ostream& out;
    std::ostream& err;
    bool prefixed;      // several files: each result names its file
    int blocksWritten;  // results of several lines written so far
};

// Reads the program of one file ("-" for standard input), checks it, costs it
// and writes what the options ask for; a failure is written to output.err
// (and, for --json, as an object to output.out). False when the file failed.
bool analyse(const std::string& path, const Options& options, Output& output);

// Reads and costs the two files of --compare and writes both costs, which
// grows faster and for which n each is cheaper (or all of it in JSON). False
// when either file failed.
bool compareFiles(const Options& options, Output& output);

#endif
