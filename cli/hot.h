#ifndef LOOPCOST_CLI_HOT_H
#define LOOPCOST_CLI_HOT_H

#include <cstddef>
#include <iosfwd>
#include <string>

namespace analysis {
class Analysis;
}

// The `count` costliest statements, costliest first, one a line:
// "NAME:LINE:COL: COST (SHARE%) TEXT".
void writeHottest(std::ostream& out, const std::string& name, const analysis::Analysis& program, std::size_t count);

#endif
