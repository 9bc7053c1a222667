#ifndef LOOPCOST_TESTS_SUPPORT_H
#define LOOPCOST_TESTS_SUPPORT_H

#include <iosfwd>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "loopcost/model/cpucontext.h"
#include "loopcost/model/polynomial.h"
#include "loopcost/tests/support/errorline.h"

class Complexity;
class Expression;
class Statement;
class Statementlist;
class Term;

// Routes std::cerr into a string for as long as it lives.
using CerrCapture = testsupport::ErrorLineCapture;

// The readers that take a stream.
enum class Reader { statement, loop, list, program };

// The node `reader` builds from `in`; the caller owns it.
Complexity* readNode(Reader reader, std::istream& in);
// readNode over `text`, insisting that nothing goes to std::cerr.
std::unique_ptr<Complexity> readQuietly(Reader reader, const std::string& text);
// The text form of a node read by readNode; `indent` is for statements and lists.
std::string printed(const Complexity& node, int indent);
// Whether two nodes read by the same reader are equal (1) or not (0).
int equalNodes(const Complexity& a, const Complexity& b);

// What is left unread in a stream.
std::string unread(std::istream& in);

// Trees built by hand from parts, leaning left as the readers build them:
// "abc" is the term a*b*c, {"a", "bc"} the expression a+b*c.
Term* handTerm(const std::string& variables);
Expression* handExpression(const std::vector<std::string>& terms);

// A statement as the tests describe it: an expression statement when `body`
// is empty, else a loop of `count` (negative for n) over `body`.
struct Shape {
    std::string expression;  // blank-free, e.g. "a+b*c"
    int count = 0;
    std::vector<Shape> body;
};
using Shapes = std::vector<Shape>;

// A pseudo-random but reproducible statement list: `statements` at the top,
// loops nested at most `depth` deep, expressions of up to five terms.
Shapes randomShapes(unsigned seed, int statements, int depth);
// Source text of a program over `list`, with varied white space.
std::string programText(const Shapes& list);
// The tree the readers should build for `list`, built by hand.
Statementlist* handList(const Shapes& list);
// The cost of `list` computed by the recursive definitions, term by term,
// sum by sum and statement by statement (statement + (rest)).
Polynomial referenceCost(const Shapes& list, const CPUContext& context);

// The polynomial of degree coefs.size() - 1 with these coefficients, n^0 first.
Polynomial polynomial(const std::vector<float>& coefs);
// Same degree and the same bits in every coefficient in use.
bool sameBits(const Polynomial& a, const Polynomial& b);
// Every coefficient in use, exactly ("2: 0x1p+2 0 ..."), for failure messages.
std::string describe(const Polynomial& p);

#endif
