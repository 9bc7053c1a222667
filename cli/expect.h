#ifndef LOOPCOST_CLI_EXPECT_H
#define LOOPCOST_CLI_EXPECT_H

#include <iosfwd>
#include <string>

namespace analysis {
struct Check;
}

// --expect: the check of an answer, in lines. The first says whether it is
// right and what the cost is:
//   right: the cost is 15 * n^2 + 9 * n^1 + 2
//   wrong: the cost is 15 * n^2 + 9 * n^1 + 2, not 15 * n^2 + 3 * n^1 + 2
//   right, but loose: the cost 15 * n^2 + 9 * n^1 + 2 is Θ(n^2), not only O(n^3)
// then, when it is wrong, a line for each power of n, highest first
//   n^2: 15, right
//   n^1: 3 answered, the cost has 9:
// each wrong one followed by its statements, as --hot writes them
//     nested.lc:3:9: 2 * n^1 a + b * c ;
// and last the slip it matches, if any:
//   slip (loop-left-out): the answer leaves out the count of LOOP 3 at 4:9: ...
// `name` is the file's name as messages show it, `cost` the cost's text.
void writeExpect(std::ostream& out, const std::string& name, const std::string& cost, const std::string& answer,
                 const analysis::Check& check);

// The "expect" member of --json: the JSON text of analysis/checkjson.h.
std::string expectJson(const std::string& answer, const analysis::Check& check);

#endif
