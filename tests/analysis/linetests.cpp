#include <algorithm>
#include <string>
#include <vector>

#include <cppunit/extensions/HelperMacros.h>

#include "loopcost/analysis/analysis.h"
#include "loopcost/analysis/explain.h"
#include "loopcost/analysis/folds.h"
#include "loopcost/analysis/linewalk.h"
#include "loopcost/tests/support/blocks.h"

using analysis::Analysis;
using analysis::CostModel;

namespace {

// The same lines joined by each kind of line end, and by all of them in turn.
struct Ends {
    const char* name;
    std::vector<std::string> ends;  // used in turn, one after each line
};
const Ends endings[] = {
    {"LF", {"\n"}},
    {"CRLF", {"\r\n"}},
    {"CR", {"\r"}},
    {"mixed", {"\r", "\n", "\r\n"}},
};

std::string joined(const std::vector<std::string>& lines, const Ends& e) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i)
        text += lines[i] + e.ends[i % e.ends.size()];
    return text;
}

const std::vector<std::string> program = {"BEGIN", "  a + b ;", "  LOOP n", "    c * d ; e ;", "  END", "END"};
const std::vector<std::string> broken = {"BEGIN", "  a + b ;", "  LOOP n", "    c d ;", "  END", "END"};

}  // namespace

// Every line end of the language server's kinds ends a line in every answer
// that speaks of lines: the index, the reader's places and excerpts, the
// costs shown per line, folds and the statement under a cursor.
class LineTests : public CppUnit::TestFixture {
    CPPUNIT_TEST_SUITE(LineTests);
    CPPUNIT_TEST(testLineIndex);
    CPPUNIT_TEST(testFindLineEnd);
    CPPUNIT_TEST(testLineWalk);
    CPPUNIT_TEST(testPlacesAndLineCosts);
    CPPUNIT_TEST(testDiagnostics);
    CPPUNIT_TEST(testFoldsAndCursor);
    CPPUNIT_TEST_SUITE_END();

public:
    void testLineIndex() {
        for (const Ends& e : endings) {
            const std::string text = joined(program, e);
            const analysis::LineIndex index(text);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(e.name, program.size() + 1, index.lineCount());
            for (std::size_t line = 1; line <= program.size(); ++line) {
                const std::size_t start = index.lineStart(line);
                CPPUNIT_ASSERT_EQUAL_MESSAGE(e.name, program[line - 1],
                                             text.substr(start, index.lineEnd(line) - start));
                const analysis::Place p = index.placeOf(start + 1);
                CPPUNIT_ASSERT_EQUAL(line, p.line);
                CPPUNIT_ASSERT_EQUAL(std::size_t(2), p.column);
            }
            CPPUNIT_ASSERT_EQUAL(text.size(), index.lineStart(program.size() + 1));
        }
        // a lone '\r' last, and "\r\n" as the whole of a line's end
        const analysis::LineIndex lone("a\r");
        CPPUNIT_ASSERT_EQUAL(std::size_t(2), lone.lineCount());
        CPPUNIT_ASSERT_EQUAL(std::size_t(1), lone.lineEnd(1));
        const analysis::LineIndex empty("\r\n\r\n");
        CPPUNIT_ASSERT_EQUAL(std::size_t(3), empty.lineCount());
        CPPUNIT_ASSERT_EQUAL(std::size_t(0), empty.lineEnd(1));
        CPPUNIT_ASSERT_EQUAL(std::size_t(2), empty.lineEnd(2));
    }

    // Either line end on either side of a sixteen-byte step, and none.
    void testFindLineEnd() {
        for (const char end : {'\n', '\r'})
            for (const std::size_t at : {0, 1, 14, 15, 16, 17, 31, 32, 33, 47, 70}) {
                std::string line(71, 'x');
                line[at] = end;
                const char* found = analysis::findLineEnd(line.data(), line.data() + line.size());
                CPPUNIT_ASSERT(found == line.data() + at);
                if (end == '\n')
                    CPPUNIT_ASSERT(analysis::findLineFeed(line.data(), line.data() + line.size()) == found);
                const std::string none(at, 'y');
                CPPUNIT_ASSERT(analysis::findLineEnd(none.data(), none.data() + none.size()) == none.data() + at);
            }
    }

    // The walk gives the index's lines, the empty one after a last line end
    // left out: every kind of line end, with lines as long as a 64-byte mask
    // and around it, so that a "\r\n" falls across two masks.
    void testLineWalk() {
        const std::size_t lengths[] = {0, 1, 15, 62, 63, 64, 65, 127, 130};
        for (const Ends& e : endings)
            for (const std::size_t first : lengths)
                for (const bool endsLast : {true, false}) {
                    std::vector<std::string> lines;
                    for (const std::size_t length : lengths)
                        lines.push_back(std::string(first, 'a') + std::string(length, ' '));
                    std::string text = joined(lines, e);
                    if (!endsLast)
                        text += "END";
                    const analysis::LineIndex index(text);
                    analysis::LineWalk walk(text);
                    analysis::WalkedLine line{};
                    std::size_t count = 0;
                    while (walk.next(line)) {
                        ++count;
                        CPPUNIT_ASSERT_EQUAL_MESSAGE(e.name, count, line.number);
                        CPPUNIT_ASSERT_EQUAL_MESSAGE(e.name, index.lineStart(count), line.start);
                        CPPUNIT_ASSERT_EQUAL_MESSAGE(e.name, index.lineEnd(count), line.end);
                        CPPUNIT_ASSERT_EQUAL(count < index.lineCount() ? index.lineStart(count + 1) : text.size(),
                                             line.next);
                    }
                    CPPUNIT_ASSERT_EQUAL_MESSAGE(e.name, index.lineCount() - (endsLast ? 1 : 0), count);
                    CPPUNIT_ASSERT(!walk.next(line));
                }
        // an empty text is one empty line
        analysis::LineWalk empty("");
        analysis::WalkedLine line{};
        CPPUNIT_ASSERT(empty.next(line));
        CPPUNIT_ASSERT_EQUAL(std::size_t(0), line.next);
        CPPUNIT_ASSERT(!empty.next(line));
    }

    void testPlacesAndLineCosts() {
        struct Where {
            std::uint32_t line, column;
        };
        const Where places[] = {{2, 3}, {3, 3}, {4, 5}, {4, 13}};
        for (const Ends& e : endings) {
            const std::string text = joined(program, e);
            const Analysis a(text, CostModel{});
            CPPUNIT_ASSERT_MESSAGE(e.name, a.ok());
            const Analysis::Statements& parts = a.statements();
            CPPUNIT_ASSERT_EQUAL(std::size(places), parts.size());
            for (std::size_t i = 0; i < parts.size(); ++i) {
                CPPUNIT_ASSERT_EQUAL_MESSAGE(e.name, places[i].line, parts[i].line);
                CPPUNIT_ASSERT_EQUAL_MESSAGE(e.name, places[i].column, parts[i].column);
            }
            // one hint a line, as the inlay hints and the page show them
            std::vector<std::size_t> lines;
            for (const Analysis::LineCost& c : a.lineCosts())
                lines.push_back(c.line);
            CPPUNIT_ASSERT_MESSAGE(e.name, (lines == std::vector<std::size_t>{2, 3, 4}));
        }
    }

    void testDiagnostics() {
        for (const Ends& e : endings) {
            const std::string text = joined(broken, e);
            const Analysis a(text, CostModel{});
            CPPUNIT_ASSERT_EQUAL_MESSAGE(e.name, std::size_t(1), a.diagnostics().size());
            const analysis::Diagnostic& d = a.diagnostics().front();
            CPPUNIT_ASSERT_EQUAL_MESSAGE(e.name, std::size_t(4), d.place.line);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(e.name, std::size_t(7), d.place.column);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(e.name, std::string("    c "), d.excerpt.before);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(e.name, std::string("d ;"), d.excerpt.after);
            // read a block at a time, a "\r\n" across blocks ends one line
            for (const std::size_t size : {1, 2, 3, 5}) {
                testsupport::Blocks source(text, {size});
                const analysis::StreamedCost streamed = analysis::costStream(source, CostModel{});
                CPPUNIT_ASSERT_EQUAL(std::size_t(1), streamed.diagnostics.size());
                CPPUNIT_ASSERT_EQUAL_MESSAGE(e.name, std::size_t(4), streamed.diagnostics.front().place.line);
                CPPUNIT_ASSERT_EQUAL(std::string("d ;"), streamed.diagnostics.front().excerpt.after);
            }
        }
    }

    void testFoldsAndCursor() {
        for (const Ends& e : endings) {
            const std::string text = joined(program, e);
            const Analysis a(text, CostModel{});
            const std::vector<analysis::Span> folds = analysis::loopFolds(a);
            CPPUNIT_ASSERT_EQUAL(std::size_t(1), folds.size());
            // from the LOOP to the end of the line before its END, which stays in view
            const analysis::LineIndex& lines = a.lines();
            CPPUNIT_ASSERT_EQUAL_MESSAGE(e.name, lines.lineStart(3) + 2, folds.front().begin);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(e.name, lines.lineStart(5) - 1, folds.front().end);
            // after the last statement of a line, the cursor stands on it, not on the next line
            const analysis::StatementInfo* s = analysis::statementUnderCursor(a, lines.lineEnd(2));
            CPPUNIT_ASSERT_MESSAGE(e.name, s == &a.statements()[0]);
            CPPUNIT_ASSERT(analysis::statementUnderCursor(a, lines.lineEnd(6)) == nullptr);
        }
    }
};

CPPUNIT_TEST_SUITE_REGISTRATION(LineTests);
