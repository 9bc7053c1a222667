#include "annotate.h"

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "expressionstatement.h"
#include "growth.h"
#include "polynomial.h"
#include "program.h"

namespace {

// The comment column begins this far right of the longest line.
const std::size_t gap = 2;

struct Line {
    std::string code;
    bool annotated = false;
    Polynomial cost;
};

// A loop, or the program itself at the bottom, whose END has not been met.
struct OpenBlock {
    std::size_t line;              // where its LOOP (or BEGIN) stands
    int count;                     // -1 for n
    std::vector<Polynomial> body;  // the costs of its statements so far
};

void repeat(Polynomial& cost, int count) {
    if (count < 0)
        cost.multiplyN();
    else
        cost.multiplyConstant(count);
}

// Sums from the last statement, as a statement list does, so that a loop's
// cost here is the very number the program's cost was built from.
Polynomial sumFromLast(const std::vector<Polynomial>& costs) {
    Polynomial sum(0.0f);
    for (std::size_t i = costs.size(); i-- > 0;) {
        Polynomial next = costs[i];
        if (i + 1 < costs.size())
            next.add(sum);
        sum = next;
    }
    return sum;
}

// The innermost loop first, as the loops would repeat it.
Polynomial timesEnclosing(Polynomial cost, const std::vector<OpenBlock>& open) {
    for (std::size_t i = open.size(); i-- > 1;)
        repeat(cost, open[i].count);
    return cost;
}

std::vector<Line> splitLines(const std::string& text) {
    std::vector<Line> lines;
    std::size_t from = 0;
    for (std::size_t end; (end = text.find('\n', from)) != std::string::npos; from = end + 1) {
        lines.emplace_back();
        lines.back().code = text.substr(from, end - from);
    }
    return lines;
}

// Each line of the canonical layout is BEGIN, END, "LOOP count" or one
// expression statement, indented by its depth; statements are read back and
// costed one at a time.
void costLines(std::vector<Line>& lines, const CPUContext& context) {
    std::vector<OpenBlock> open;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& code = lines[i].code;
        const std::string content = code.substr(std::min(code.size(), code.find_first_not_of(' ')));
        if (i == 0) {
            open.push_back(OpenBlock{i, 1, {}});
        } else if (content == "END") {
            OpenBlock loop = std::move(open.back());
            open.pop_back();
            if (open.empty())
                return;
            Polynomial cost = sumFromLast(loop.body);
            repeat(cost, loop.count);
            open.back().body.push_back(cost);
            lines[loop.line].cost = timesEnclosing(cost, open);
            lines[loop.line].annotated = true;
        } else if (content.compare(0, 5, "LOOP ") == 0) {
            const std::string count = content.substr(5);
            open.push_back(OpenBlock{i, count == "n" ? -1 : std::stoi(count), {}});
        } else {
            std::istringstream statementText(content);
            const Polynomial cost = ExpressionStatement(statementText).computeComplexity(context);
            open.back().body.push_back(cost);
            lines[i].cost = timesEnclosing(cost, open);
            lines[i].annotated = true;
        }
    }
}

}  // namespace

void writeAnnotated(std::ostream& out, const Program& program, const CPUContext& context, const Polynomial& total) {
    std::ostringstream canonical;
    program.print(canonical);
    std::vector<Line> lines = splitLines(canonical.str());
    costLines(lines, context);

    std::size_t width = 0;
    for (const Line& line : lines)
        width = std::max(width, line.code.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line& line = lines[i];
        const bool last = i + 1 == lines.size();
        out << line.code;
        if (line.annotated || last)
            out << std::string(width + gap - line.code.size(), ' ') << "# ";
        if (line.annotated)
            out << costText(line.cost);
        else if (last)
            out << "total: " << costText(total) << ", " << orderOfGrowth(total);
        out << '\n';
    }
}
