#include <string>
#include <vector>

#include <cppunit/extensions/HelperMacros.h>

#include "loopcost/analysis/analysis.h"
#include "loopcost/analysis/completion.h"
#include "loopcost/analysis/fixes.h"
#include "loopcost/analysis/folds.h"
#include "loopcost/analysis/selection.h"
#include "loopcost/analysis/syntax.h"
#include "loopcost/analysis/tokens.h"

using analysis::Analysis;
using analysis::CostModel;
using analysis::Span;

namespace {

// The text of each span, for tables that read as the program does.
std::vector<std::string> words(const std::string& text, const std::vector<Span>& spans) {
    std::vector<std::string> all;
    all.reserve(spans.size());
    for (const Span& s : spans)
        all.push_back(text.substr(s.begin, s.end - s.begin));
    return all;
}

// Where `marker` stands in `text`, after `skip` bytes of it.
std::size_t at(const std::string& text, const std::string& marker, std::size_t skip = 0) {
    return text.find(marker) + skip;
}

}  // namespace

// Each editor question answered from the reader's words: one table row per
// layout or slip worth catching, the keyword rule being the reader's.
class EditorTests : public CppUnit::TestFixture {
    CPPUNIT_TEST_SUITE(EditorTests);
    CPPUNIT_TEST(testTokens);
    CPPUNIT_TEST(testProgramAndHeaders);
    CPPUNIT_TEST(testPairedKeywords);
    CPPUNIT_TEST(testEnclosingSpans);
    CPPUNIT_TEST(testCompletion);
    CPPUNIT_TEST(testFixes);
    CPPUNIT_TEST_SUITE_END();

public:
    void testTokens() {
        struct Case {
            std::string text;
            std::vector<std::string> tokens;  // the words, "~" before one of a costliest statement
        };
        const Case cases[] = {
            {"BEGIN LOOP n a + b ; END c ; END", {"BEGIN", "LOOP", "n", "~a", "~+", "~b", "END", "c", "END"}},
            {"BEGIN LOOP -3 a ; END END", {"BEGIN", "LOOP", "-3", "a", "END", "END"}},
            // END glued to ';' is still END; LOOPn is no LOOP, and a word
            // after the closing END is none of the program's
            {"BEGIN a ; END; LOOPn END", {"BEGIN", "a", "END"}},
            {"BEGIN LOOP 3a ; END END", {"BEGIN", "LOOP", "3", "a", "END", "END"}},
            // a stray word, then the statement after it
            {"BEGIN # x y ; END", {"BEGIN", "x", "y", "END"}},
        };
        for (const Case& c : cases) {
            const Analysis a(c.text, CostModel{});
            std::vector<std::string> found;
            for (const analysis::Token& t : analysis::tokens(a, 0, c.text.size()))
                found.push_back((t.costliest ? "~" : "") + c.text.substr(t.offset, t.length));
            CPPUNIT_ASSERT_MESSAGE(c.text, c.tokens == found);
        }
        // those that begin in a range
        const std::string text = "BEGIN LOOP n a + b ; END END";
        const Analysis a(text, CostModel{});
        CPPUNIT_ASSERT_EQUAL(std::size_t(2), analysis::tokens(a, at(text, "n"), at(text, "+ b")).size());
    }

    void testProgramAndHeaders() {
        struct Case {
            std::string text;
            std::string start, program;
            std::vector<std::string> headers;
        };
        const Case cases[] = {
            {"\xEF\xBB\xBF  BEGIN LOOP n a ; END LOOP 12 b ; END END\n",
             "BEGIN",
             "BEGIN LOOP n a ; END LOOP 12 b ; END END",
             {"LOOP n", "LOOP 12"}},
            {"BEGINx a ; END", "BEGINx", "BEGINx a ; END", {}},
            {"BEGIN LOOP x a ; END", "BEGIN", "BEGIN LOOP x a ; END", {"LOOP x"}},
            {"", "", "", {}},
        };
        for (const Case& c : cases) {
            const Analysis a(c.text, CostModel{});
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.text, c.start, words(c.text, {analysis::programStart(a)}).front());
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.text, c.program, words(c.text, {analysis::programSpan(a)}).front());
            std::vector<Span> headers;
            for (const analysis::StatementInfo& s : a.statements())
                if (s.isLoop())
                    headers.push_back(analysis::headerOf(a, s));
            CPPUNIT_ASSERT_MESSAGE(c.text, c.headers == words(c.text, headers));
        }
    }

    void testPairedKeywords() {
        const std::string text = "BEGIN\n  LOOP n\n    a ;\n  END\nEND\n";
        const Analysis a(text, CostModel{});
        struct Case {
            std::size_t offset;
            std::vector<std::string> keywords;
        };
        const Case cases[] = {
            {at(text, "LOOP"), {"LOOP", "END"}},     {at(text, "LOOP", 4), {"LOOP", "END"}},
            {at(text, "  END", 5), {"LOOP", "END"}}, {0, {"BEGIN", "END"}},
            {text.size() - 1, {"BEGIN", "END"}},     {at(text, "a"), {}},
        };
        for (const Case& c : cases)
            CPPUNIT_ASSERT(c.keywords == words(text, analysis::pairedKeywords(a, c.offset)));
        // the loop's END, not the closing one
        CPPUNIT_ASSERT_EQUAL(at(text, "  END", 2), analysis::pairedKeywords(a, at(text, "LOOP"))[1].begin);
    }

    void testEnclosingSpans() {
        const std::string text = "BEGIN LOOP 3 a * b ; END END";
        const Analysis a(text, CostModel{});
        struct Case {
            std::size_t offset;
            std::vector<std::string> spans;
        };
        const Case cases[] = {
            {at(text, "*"), {"*", "a * b ;", "LOOP 3 a * b ; END", text}},
            {at(text, "3"), {"3", "LOOP 3 a * b ; END", text}},
            {0, {"BEGIN", text}},
        };
        for (const Case& c : cases)
            CPPUNIT_ASSERT(c.spans == words(text, analysis::enclosingSpans(a, c.offset)));
    }

    void testCompletion() {
        struct Case {
            std::string text;  // "|" where the cursor is
            std::string word;
            bool program, statement;
        };
        const Case cases[] = {
            {"BE|", "BE", true, false},
            {"BEGIN LO|", "LO", false, true},
            {"BEGIN a ; |", "", false, true},
            {"BEGIN LOOP n |", "", false, true},
            {"BEGIN LOOP 12 E|", "E", false, true},
            {"BEGIN LOOP |", "", false, false},
            {"BEGIN a + |", "", false, false},
            {"BEGIN a ; END |", "", false, false},
        };
        for (const Case& c : cases) {
            std::string text = c.text;
            const std::size_t cursor = text.find('|');
            text.erase(cursor, 1);
            const Analysis a(text, CostModel{});
            const analysis::Completion found = analysis::completionAt(a, cursor);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.text, c.word, words(text, {found.word}).front());
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.text, c.program, found.program);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.text, c.statement, found.statement);
        }
    }

    // The first fix of the first error, applied.
    void testFixes() {
        struct Case {
            std::string text, mended;
        };
        const Case cases[] = {
            {"BEGIN a + b c ; END", "BEGIN a + b * c ; END"},
            {"BEGIN a + *\nEND", "BEGIN a ;\nEND"},
            {"BEGIN\r  LOOP n\r    a * b", "BEGIN\r  LOOP n\r    a * b ;\r  END\rEND"},
            {"BEGIN a ; END END END", "BEGIN a ; END"},
            {"BEGIN LOOPn a ; END END", "BEGIN LOOP n a ; END END"},
            {"BEGIN LOOP n a ;\n", "BEGIN LOOP n a ;\nEND\nEND\n"},
        };
        for (const Case& c : cases) {
            const Analysis a(c.text, CostModel{});
            CPPUNIT_ASSERT_MESSAGE(c.text, !a.ok());
            const std::vector<analysis::Fix> fixes = analysis::fixesOf(a, a.diagnostics().front());
            CPPUNIT_ASSERT_MESSAGE(c.text, !fixes.empty());
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.text, c.mended, analysis::applied(c.text, fixes.front().edits));
        }
    }
};

CPPUNIT_TEST_SUITE_REGISTRATION(EditorTests);
