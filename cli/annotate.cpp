#include "annotate.h"

#include <algorithm>
#include <ostream>
#include <string_view>
#include <vector>

#include "analysis.h"
#include "outputbuffer.h"

namespace {

// The comment column begins this far right of the longest line of a run.
const std::size_t gap = 2;
// A line longer than this does not move the column of the lines around it,
// so that one long line cannot pad every other one to its width.
const std::size_t widestAligned = 100;

bool isTrailingBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

class Listing {
public:
    explicit Listing(const analysis::Analysis& program)
        : program(program), text(program.text()), lines(program.lines()) {
        lineCount = lines.lineCount();
        if (lineCount > 1 && lines.lineStart(lineCount) == text.size())
            --lineCount;  // the text ends with a line end: there is no line after it
        closingLine = lines.placeOf(program.programEnd() - 1).line;
    }

    void write(std::ostream& out) {
        const std::vector<std::size_t> columns = runColumns();
        OutputBuffer buffer(out);
        std::string& text = buffer.text();
        std::size_t run = 0;
        bool inRun = false;
        const analysis::Analysis::Statements& statements = program.statements();
        std::size_t next = 0;                                  // the first statement not yet costed
        std::vector<const analysis::StatementInfo*> starting;  // what begins on the line, outermost
        for (std::size_t line = 1; line <= lineCount; ++line) {
            const std::string_view code = trimmed(line);
            if (code.empty()) {
                inRun = false;
            } else if (!inRun) {
                inRun = true;
                ++run;
            }
            starting.clear();
            const std::size_t lineEnd = line < lines.lineCount() ? lines.lineStart(line + 1) : this->text.size();
            for (; next < statements.size() && static_cast<std::size_t>(statements[next].begin) < lineEnd; ++next) {
                const analysis::StatementInfo& statement = statements[next];
                // what begins inside a statement of the same line is in its cost already
                if (program.shownOnItsLine(statement))
                    starting.push_back(&statement);
            }
            text.append(code.data(), code.size());
            if (!starting.empty() || line == closingLine) {
                text.append(padding(code.size(), columns[run - 1]), ' ');
                text.append("# ", 2);
                appendComment(text, starting, line);
            }
            text += '\n';
            buffer.flushIfFull();
        }
    }

private:
    std::string_view trimmed(std::size_t line) const {
        std::size_t end = lines.lineEnd(line);
        const std::size_t start = lines.lineStart(line);
        while (end > start && isTrailingBlank(text[end - 1]))
            --end;
        return text.substr(start, end - start);
    }

    // Lines without anything but white space part runs; each run of other
    // lines aligns its comments on its widest line of ordinary width.
    std::vector<std::size_t> runColumns() const {
        std::vector<std::size_t> columns;
        bool inRun = false;
        for (std::size_t line = 1; line <= lineCount; ++line) {
            const std::size_t width = trimmed(line).size();
            if (width == 0) {
                inRun = false;
                continue;
            }
            if (!inRun)
                columns.push_back(0);
            inRun = true;
            if (width <= widestAligned)
                columns.back() = std::max(columns.back(), width + gap);
        }
        return columns;
    }

    static std::size_t padding(std::size_t width, std::size_t column) {
        return width + gap <= column ? column - width : gap;
    }

    // One statement's cost is written as it stands; only several are added.
    void appendComment(std::string& text, const std::vector<const analysis::StatementInfo*>& starting,
                       std::size_t line) const {
        if (starting.size() == 1) {
            program.appendCostText(text, *starting.front());
        } else if (!starting.empty()) {
            analysis::Cost sum = program.costOf(*starting.front());
            for (std::size_t i = 1; i < starting.size(); ++i)
                sum.add(program.costOf(*starting[i]));
            sum.appendText(text);
        }
        if (line != closingLine)
            return;
        const analysis::Cost& total = program.total();
        text += starting.empty() ? "total: " : "; total: ";
        total.appendText(text);
        text += ", " + total.orderText();
    }

    const analysis::Analysis& program;
    std::string_view text;
    const analysis::LineIndex& lines;
    std::size_t lineCount;
    std::size_t closingLine;
};

}  // namespace

void writeAnnotated(std::ostream& out, const analysis::Analysis& program) { Listing(program).write(out); }
