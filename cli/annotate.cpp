#include "loopcost/cli/annotate.h"

#include <algorithm>
#include <optional>
#include <ostream>
#include <string_view>
#include <vector>

#include "loopcost/analysis/analysis.h"
#include "loopcost/cli/outputbuffer.h"

namespace {

// The comment column begins this far right of the longest line of a run.
const std::size_t gap = 2;
// A line longer than this does not move the column of the lines around it,
// so that one long line cannot pad every other one to its width.
const std::size_t widestAligned = 100;

// One line of the text: its bytes from `start` to `end`, the line end left
// out, and where the next line starts.
struct Line {
    std::size_t number;  // from 1
    std::size_t start;
    std::size_t end;
    std::size_t next;
};

// Calls visit(line) for each line of `text` in order, without an index of
// them: a program of millions of lines is walked twice, front to back. A
// line end at the very end of the text has no line after it.
template <class Visit>
void eachLine(std::string_view text, Visit visit) {
    const char* const end = text.data() + text.size();
    const bool returns = analysis::hasCarriageReturn(text);
    Line line{1, 0, 0, 0};
    for (;; ++line.number) {
        const char* const from = text.data() + line.start;
        const char* const lineEnd = returns ? analysis::findLineEnd(from, end) : analysis::findLineFeed(from, end);
        line.end = static_cast<std::size_t>(lineEnd - text.data());
        line.next = line.end + analysis::lineEndLength(text, line.end);
        visit(line);
        if (line.next == text.size())
            return;
        line.start = line.next;
    }
}

class Listing {
public:
    explicit Listing(const analysis::Analysis& program) : program(program), text(program.text()) {}

    void write(std::ostream& out) {
        const std::vector<std::size_t> columns = runColumns();
        OutputBuffer buffer(out);
        std::size_t run = 0;
        bool inRun = false;
        const analysis::Analysis::Statements& statements = program.statements();
        std::size_t next = 0;                                  // the first statement not yet costed
        std::vector<const analysis::StatementInfo*> starting;  // what begins on the line, outermost
        std::string comment;
        eachLine(text, [&](const Line& line) {
            const std::string_view code = trimmed(line);
            if (code.empty()) {
                inRun = false;
            } else if (!inRun) {
                inRun = true;
                ++run;
            }
            starting.clear();
            for (; next < statements.size() && static_cast<std::size_t>(statements[next].begin) < line.next; ++next) {
                const analysis::StatementInfo& statement = statements[next];
                // what begins inside a statement of the same line is in its cost already
                if (program.shownOnItsLine(statement))
                    starting.push_back(&statement);
            }
            const bool closing = holdsClosingEnd(line);
            if (starting.empty() && !closing) {
                buffer.done(std::copy_n("\n", 1, std::copy_n(code.data(), code.size(), buffer.at(code.size() + 1))));
            } else {
                comment.clear();
                appendComment(comment, starting, closing);
                const std::size_t blanks = padding(code.size(), columns[run - 1]);
                char* at = buffer.at(code.size() + blanks + comment.size() + 3);
                at = std::fill_n(std::copy_n(code.data(), code.size(), at), blanks, ' ');
                at = std::copy_n(comment.data(), comment.size(), std::copy_n("# ", 2, at));
                buffer.done(std::copy_n("\n", 1, at));
            }
            buffer.flushIfFull();
        });
    }

private:
    std::string_view trimmed(const Line& line) const {
        std::size_t end = line.end;
        while (end > line.start && analysis::isLineBlank(text[end - 1]))
            --end;
        return text.substr(line.start, end - line.start);
    }

    // Lines without anything but white space part runs; each run of other
    // lines aligns its comments on its widest line of ordinary width.
    std::vector<std::size_t> runColumns() const {
        std::vector<std::size_t> columns;
        bool inRun = false;
        eachLine(text, [&](const Line& line) {
            const std::size_t width = trimmed(line).size();
            if (width == 0) {
                inRun = false;
                return;
            }
            if (!inRun)
                columns.push_back(0);
            inRun = true;
            if (width <= widestAligned)
                columns.back() = std::max(columns.back(), width + gap);
        });
        return columns;
    }

    // The line of the closing END also carries the total.
    bool holdsClosingEnd(const Line& line) const {
        const std::size_t lastByte = program.programEnd() - 1;
        return line.start <= lastByte && lastByte < line.next;
    }

    static std::size_t padding(std::size_t width, std::size_t column) {
        return width + gap <= column ? column - width : gap;
    }

    // A statement's cost, written in place from its term in machine words
    // where it fits, without making a Cost.
    void appendCostText(std::string& out, const analysis::StatementInfo& statement) const {
        const std::optional<analysis::Analysis::Term> term = program.termOf(statement);
        if (!term) {
            program.costOf(statement).appendText(out);
        } else if (term->units == 0) {
            out += '0';
        } else {
            analysis::appendWritten(out, analysis::Cost::termRoom(term->scale), [&](char* at) {
                return analysis::Cost::writeTerm(at, term->power, term->units, term->scale, true);
            });
        }
    }

    // One statement's cost is written as it stands; only several are added.
    void appendComment(std::string& text, const std::vector<const analysis::StatementInfo*>& starting,
                       bool closing) const {
        if (starting.size() == 1) {
            appendCostText(text, *starting.front());
        } else if (!starting.empty()) {
            analysis::Cost sum = program.costOf(*starting.front());
            for (std::size_t i = 1; i < starting.size(); ++i)
                sum.add(program.costOf(*starting[i]));
            sum.appendText(text);
        }
        if (!closing)
            return;
        const analysis::Cost& total = program.total();
        text += starting.empty() ? "total: " : "; total: ";
        total.appendText(text);
        text += ", " + total.orderText();
    }

    const analysis::Analysis& program;
    std::string_view text;
};

}  // namespace

void writeAnnotated(std::ostream& out, const analysis::Analysis& program) { Listing(program).write(out); }
