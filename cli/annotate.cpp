#include "loopcost/cli/annotate.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string_view>
#include <vector>

#include "loopcost/analysis/analysis.h"
#include "loopcost/analysis/linewalk.h"
#include "loopcost/cli/outputbuffer.h"

namespace {

// The comment column begins this far right of the longest line of a run.
const std::size_t gap = 2;
// A line longer than this does not move the column of the lines around it,
// so that one long line cannot pad every other one to its width.
const std::size_t widestAligned = 100;

using Line = analysis::WalkedLine;

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
        analysis::LineWalk lines(text);
        for (Line line{}; lines.next(line);) {
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
                buffer.flushIfFull();
                continue;
            }
            const std::size_t blanks = padding(code.size(), columns[run - 1]);
            // most lines: one statement or loop, written in place
            Words words{};
            const bool inPlace = !closing && starting.size() == 1 && inWords(*starting.front(), words);
            if (!inPlace) {
                comment.clear();
                appendComment(comment, starting, closing);
            }
            char* at = buffer.at(code.size() + blanks + (inPlace ? room(words) : comment.size()) + 3);
            at = std::copy_n("# ", 2, std::fill_n(std::copy_n(code.data(), code.size(), at), blanks, ' '));
            at = inPlace ? write(at, words) : std::copy_n(comment.data(), comment.size(), at);
            buffer.done(std::copy_n("\n", 1, at));
            buffer.flushIfFull();
        }
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
        analysis::LineWalk lines(text);
        for (Line line{}; lines.next(line);) {
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

    // The line of the closing END also carries the total.
    bool holdsClosingEnd(const Line& line) const {
        const std::size_t lastByte = program.programEnd() - 1;
        return line.start <= lastByte && lastByte < line.next;
    }

    static std::size_t padding(std::size_t width, std::size_t column) {
        return width + gap <= column ? column - width : gap;
    }

    // A statement's or loop's cost in machine words: `count` coefficients,
    // units * 10^-scale, of n^power and up.
    struct Words {
        const std::int64_t* units;  // null for a statement: its one coefficient is `own`
        std::int64_t own;
        std::int32_t power;
        std::int32_t count;
        int scale;
    };

    // Its cost in machine words, where they fit; false where a Cost is made.
    bool inWords(const analysis::StatementInfo& statement, Words& words) const {
        if (statement.isLoop()) {
            const std::optional<analysis::Analysis::Terms> terms = program.termsOf(statement);
            if (terms)
                words = Words{terms->units, 0, terms->power, terms->count, terms->scale};
            return terms.has_value();
        }
        const std::optional<analysis::Analysis::Term> term = program.termOf(statement);
        if (term)
            words = Words{nullptr, term->units, term->power, 1, term->scale};
        return term.has_value();
    }

    static std::size_t room(const Words& words) {
        return 1 + static_cast<std::size_t>(words.count) * analysis::Cost::termRoom(words.scale);
    }

    // The cost's text as Cost::appendText writes it, highest power first,
    // without making a Cost; `at` has room(words) bytes.
    static char* write(char* at, const Words& words) {
        char* const from = at;
        for (std::int32_t k = words.count; k-- > 0;) {
            const std::int64_t units = words.units ? words.units[k] : words.own;
            if (units != 0)
                at = analysis::Cost::writeTerm(at, words.power + k, units, words.scale, at == from);
        }
        return at == from ? std::copy_n("0", 1, at) : at;
    }

    void appendCostText(std::string& out, const analysis::StatementInfo& statement) const {
        Words words{};
        if (inWords(statement, words))
            analysis::appendWritten(out, room(words), [&](char* at) { return write(at, words); });
        else
            program.costOf(statement).appendText(out);
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
