#ifndef LOOPCOST_CLI_ANNOTATE_H
#define LOOPCOST_CLI_ANNOTATE_H

#include <iosfwd>

namespace analysis {
class Analysis;
}

// The program's own lines, trailing white space dropped, each line on which
// statements begin followed by a "# COST" comment: the cost of what begins
// there and is not inside something else that begins there. The line of the
// closing END also carries the total and its order of growth.
void writeAnnotated(std::ostream& out, const analysis::Analysis& program);

#endif
