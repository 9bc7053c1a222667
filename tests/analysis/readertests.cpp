#include <algorithm>
#include <string>
#include <vector>

#include <cppunit/extensions/HelperMacros.h>

#include "loopcost/analysis/analysis.h"
#include "loopcost/tests/support/blocks.h"

using analysis::Analysis;
using analysis::ByteSource;
using analysis::CostModel;
using analysis::Diagnostic;
using analysis::Fault;

namespace {

std::string place(const Diagnostic& d) {
    return std::to_string(d.place.line) + ":" + std::to_string(d.place.column) + " " + d.message;
}

std::vector<std::string> placesOf(const std::vector<Diagnostic>& diagnostics) {
    std::vector<std::string> all;
    all.reserve(diagnostics.size());
    for (const Diagnostic& d : diagnostics)
        all.push_back(place(d));
    return all;
}

// The costs of the statements that read, as texts, in source order.
std::vector<std::string> costsOf(const Analysis& a) {
    std::vector<std::string> costs;
    for (const analysis::StatementInfo& s : a.statements())
        if (!s.isLoop())
            costs.push_back(a.canonicalText(s) + " " + (s.costed ? a.costOf(s).text() : "?"));
    return costs;
}

const std::string halfTyped = "BEGIN\n"
                              "  LOOP n\n"
                              "    a + b * c +\n"
                              "    LOOP 3\n"
                              "      d * e ;\n"
                              "    END\n"
                              "    f b g ;\n"
                              "    h + i ;\n"
                              "  END\n"
                              "END\n";

}  // namespace

class ReaderTests : public CppUnit::TestFixture {
    CPPUNIT_TEST_SUITE(ReaderTests);
    CPPUNIT_TEST(testEveryErrorAtItsPlace);
    CPPUNIT_TEST(testStrayWordsHideNoSlip);
    CPPUNIT_TEST(testStatementsBetweenErrorsKeepTheirCosts);
    CPPUNIT_TEST(testBlocksOfAnySizeReadTheSame);
    CPPUNIT_TEST(testTheLibrarysLanguage);
    CPPUNIT_TEST(testCanonicalLayoutReadsAsAnyOther);
    CPPUNIT_TEST(testLongWordsAreCutInMessages);
    CPPUNIT_TEST(testNulStopsReading);
    CPPUNIT_TEST(testErrorsAreCapped);
    CPPUNIT_TEST_SUITE_END();

public:
    // After an error the reader goes on at the next statement, LOOP or END;
    // one table row per way of going wrong, with every error it must report.
    void testEveryErrorAtItsPlace() {
        struct Case {
            std::string text;
            std::vector<std::string> errors;
        };
        const Case cases[] = {
            {halfTyped,
             {"4:5 expected a variable, '+', '*' or ';', found 'L'", "7:7 expected '+' or '*' between 'f' and 'b'"}},
            {"BEGIN a b ; c ; d + ; END",
             {"1:9 expected '+' or '*' between 'a' and 'b'", "1:21 expected a variable after '+', found ';'"}},
            {"BEGIN 7 ; a ; 8 ; END",
             {"1:7 expected a statement, found '7'", "1:15 expected 'END' to close BEGIN at 1:1, found '8'"}},
            {"BEGIN LOOP x a ; END LOOP n END END",
             {"1:12 expected a loop count ('n' or a whole number), found 'x'",
              "1:29 expected a statement, found 'END'"}},
            {"BEGIN Loop n a ; END b c ; END",
             {"1:7 expected 'LOOP', found 'Loop'", "1:24 expected '+' or '*' between 'b' and 'c'"}},
            {"BEGIN LOOP n a ; END; b ; END", {"1:18 expected 'END' to close the LOOP at 1:7, found 'END;'"}},
            {"BEGIN a + 2 ; b * ; END",
             {"1:11 expected a variable, '+', '*' or ';', found '2'", "1:19 expected a variable after '*', found ';'"}},
            {"BEGIN LOOP 99999999999 a ; END LOOP - 3 b ; END END",
             {"1:12 loop count '99999999999' does not fit in 32 bits",
              "1:37 expected a loop count ('n' or a whole number), found '-'"}},
            {"a ; END", {"1:1 expected 'BEGIN', found 'a'"}},
            {"BEGIN a ; END b ; c", {"1:15 unexpected text after the closing END"}},
            {"BEGIN LOOP n a ;", {"1:17 unexpected end of input: LOOP at 1:7 is not closed"}},
        };
        for (const Case& c : cases) {
            const Analysis a(c.text, CostModel{});
            CPPUNIT_ASSERT_MESSAGE(c.text, !a.ok());
            CPPUNIT_ASSERT_MESSAGE(c.text, c.errors == placesOf(a.diagnostics()));
        }
    }

    // A stray word where a statement, a LOOP or an END may stand is reported,
    // and reading goes on after it: the slip further on is reported too, the
    // statements after it are costed, and no correct END is blamed. Every
    // such place of a program, with every kind of stray word.
    void testStrayWordsHideNoSlip() {
        // words of a program, "|" where a stray word may go; "x y" is the slip
        const std::vector<std::string> words = {"BEGIN", "|", "LOOP", "n", "|", "a", "+", "b",   ";",   "|",
                                                "LOOP",  "3", "|",    "c", "*", "d", ";", "|",   "END", "|",
                                                "x",     "y", ";",    "|", "e", ";", "|", "END", "|",   "END"};
        for (const std::string stray : {"#", "5", "@", "+", ";", "%$", "Xq"}) {
            for (std::size_t at = 0; at < words.size(); ++at) {
                if (words[at] != "|")
                    continue;
                std::string text;
                std::size_t strayAt = 0;
                for (std::size_t i = 0; i < words.size(); ++i) {
                    if (i == at)
                        strayAt = text.size();
                    if (words[i] != "|" || i == at)
                        text += (words[i] == "|" ? stray : words[i]) + " ";
                }
                const Analysis a(text, CostModel{});
                const std::string what = text;
                const std::vector<Diagnostic>& found = a.diagnostics();
                CPPUNIT_ASSERT_EQUAL_MESSAGE(what, std::size_t(2), found.size());
                const std::size_t slipAt = text.find("y ;");
                const Diagnostic& slip = found[strayAt < slipAt ? 1 : 0];
                CPPUNIT_ASSERT_EQUAL_MESSAGE(what, strayAt, found[strayAt < slipAt ? 0 : 1].offset);
                CPPUNIT_ASSERT_EQUAL_MESSAGE(what, Fault::missingOperator, slip.kind);
                CPPUNIT_ASSERT_EQUAL_MESSAGE(what, slipAt, slip.offset);
                CPPUNIT_ASSERT_EQUAL_MESSAGE(what, std::size_t(3), costsOf(a).size());
            }
        }
    }

    void testStatementsBetweenErrorsKeepTheirCosts() {
        const Analysis a(halfTyped, CostModel{});
        const std::vector<std::string> expected = {"d * e ; 3 * n^1", "h + i ; n^1"};
        CPPUNIT_ASSERT(expected == costsOf(a));
        // inside a LOOP whose count did not read, nothing has a cost
        const Analysis broken("BEGIN LOOP x LOOP n a * b ; END END c ; END", CostModel{});
        const std::vector<std::string> uncosted = {"a * b ; ?", "c ; 0"};
        CPPUNIT_ASSERT(uncosted == costsOf(broken));
        // and a text with errors has no total
        CPPUNIT_ASSERT(a.total().isZero() && a.counts().additions.empty());
    }

    // A program read a block at a time, whatever the blocks' sizes, gives the
    // same total and the same diagnostics, the lines they show included.
    void testBlocksOfAnySizeReadTheSame() {
        std::string big = "BEGIN\n";
        for (int i = 0; i < 2000; ++i)
            big += "  LOOP n a * b + c ; LOOP 3 d ; END END\n";
        const std::string texts[] = {
            halfTyped,
            big + "END\n",
            big + "  x y ;\r\n  " + std::string(300, 'q') + " ;\nEND\n",
            std::string("\xEF\xBB\xBF") + "BEGIN LOOP 2 a ; END END",
            big,
        };
        const std::vector<std::vector<std::size_t>> sizes = {{1}, {2, 3}, {7}, {4096, 1}, {1 << 20}};
        const CostModel model{*analysis::parseCost("2"), *analysis::parseCost("0.5")};
        for (const std::string& text : texts) {
            const Analysis whole(text, model, analysis::Detail::total);
            for (const std::vector<std::size_t>& size : sizes) {
                testsupport::Blocks pieces(text, size);
                const analysis::StreamedCost streamed = analysis::costStream(pieces, model);
                CPPUNIT_ASSERT_EQUAL(whole.total().text(), streamed.total.text());
                CPPUNIT_ASSERT(placesOf(whole.diagnostics()) == placesOf(streamed.diagnostics));
                for (std::size_t i = 0; i < whole.diagnostics().size(); ++i) {
                    const analysis::Excerpt& expected = whole.diagnostics()[i].excerpt;
                    const analysis::Excerpt& got = streamed.diagnostics[i].excerpt;
                    CPPUNIT_ASSERT_EQUAL(expected.after, got.after);
                    CPPUNIT_ASSERT_EQUAL(expected.moreAfter, got.moreAfter);
                    // before an offset a block keeps only so much
                    CPPUNIT_ASSERT(expected.before.size() >= got.before.size());
                    CPPUNIT_ASSERT(expected.before.compare(expected.before.size() - got.before.size(),
                                                           std::string::npos, got.before) == 0);
                }
            }
        }
    }

    // What the library reads, byte for byte, including what it takes that
    // looks odd: '*' as a variable, counts glued to what follows, signs.
    void testTheLibrarysLanguage() {
        struct Case {
            const char* text;
            const char* total;  // empty: refused
        };
        const Case cases[] = {
            {"BEGIN a * * * b ; END", "2"},
            {"BEGIN a + * ; END", "1"},
            {"BEGIN a***b ; END", "2"},
            {"BEGIN a ** b ; END", ""},
            {"BEGIN a +# b ; END", ""},
            {"BEGIN a + b LOOP 2 c ; END END", ""},
            {"BEGIN LOOP 3a + b ; END END", "3"},
            {"BEGIN LOOP na * b ; END END", "n^1"},
            {"BEGIN LOOP +3 a+b ; END END", "3"},
            {"BEGIN LOOP -2 a+b ; END END", "n^1"},
            {"BEGIN LOOP -2147483648 a+b ; END END", "n^1"},
            {"BEGIN LOOP -2147483647 a+b ; END END", "n^1"},
            {"BEGIN LOOP -0 a+b ; END END", "0"},
            {"BEGIN LOOP 2147483648 a+b ; END END", ""},
            {"BEGIN LOOP 0000000000000000000007 a+b ; END END", "7"},
            {"BEGIN LOOP + 3 a ; END END", ""},
            {"BEGIN\va\f+\tb\r;\nEND", "1"},
            {"BEGIN a ; END\n\t ", "0"},
            {"BEGINa ; END", ""},
            {"BEGIN a ; ENDa", ""},
            {"BEGIN END", ""},
            {"BEGIN LOOP n END END", ""},
        };
        for (const Case& c : cases) {
            const Analysis a(c.text, CostModel{});
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.text, std::string(c.total).empty(), !a.ok());
            if (a.ok())
                CPPUNIT_ASSERT_EQUAL_MESSAGE(c.text, std::string(c.total), a.total().text());
        }
        // a statement of 99 characters reads, one of 100 does not
        std::string longest = "a";
        while (longest.size() < 99)
            longest += "+a";
        CPPUNIT_ASSERT(Analysis("BEGIN " + longest + " ; END", CostModel{}).ok());
        CPPUNIT_ASSERT(!Analysis("BEGIN " + longest + "+a ; END", CostModel{}).ok());
    }

    // A statement in the canonical layout is read sixteen bytes at a time
    // where they are at hand; one byte at a time, it must read the same, and
    // so must every near miss of that layout.
    void testCanonicalLayoutReadsAsAnyOther() {
        std::string longest = "a";
        while (longest.size() < 2 * 99 - 1)
            longest += " + a";
        const std::string statements[] = {
            "a ;",
            "a + b ;",
            "a * b + c * d * e ;",
            "z * y + x * w * v + u * t * s * r ;",
            longest + " ;",
            longest + " + a ;",
            "a * * * b ;",
            "a + b;",
            "a  + b ;",
            "a +\tb ;",
            "a +\nb ;",
            "a + + b ;",
            "a b ;",
            "a + B ;",
            "a + ` ;",
            "a + { ;",
            "a + b * c",
            std::string("a + \0 ;", 7),
            "a + \xE1 ;",
            "a + b ; c * d ;",
            "a + b ;; c ;",
        };
        const CostModel model{*analysis::parseCost("3"), *analysis::parseCost("5")};
        for (const std::string& statement : statements) {
            // blanks after it, so that sixteen bytes are at hand from its start
            const std::string text = "BEGIN " + statement + std::string(40, ' ') + "\nEND\n";
            const Analysis whole(text, model, analysis::Detail::total);
            testsupport::Blocks bytes(text, {1});
            const analysis::StreamedCost streamed = analysis::costStream(bytes, model);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(statement, streamed.total.text(), whole.total().text());
            CPPUNIT_ASSERT_MESSAGE(statement, placesOf(whole.diagnostics()) == placesOf(streamed.diagnostics));
        }
        CPPUNIT_ASSERT_EQUAL(
            std::string("18"),
            Analysis("BEGIN a * b + c * d * e ;" + std::string(20, ' ') + "END", model).total().text());
    }

    void testLongWordsAreCutInMessages() {
        const std::string text = "BEGIN " + std::string(5000000, 'Q') + " END";
        const Analysis a(text, CostModel{});
        const Diagnostic& d = *a.error();
        CPPUNIT_ASSERT(d.message.size() < 100);
        CPPUNIT_ASSERT(d.message.find("QQQ...'") != std::string::npos);
        CPPUNIT_ASSERT_EQUAL(std::size_t(5000000), d.length);
        CPPUNIT_ASSERT(d.excerpt.before.size() <= analysis::Excerpt::reach &&
                       d.excerpt.after.size() <= analysis::Excerpt::reach);
    }

    // No text with a NUL is a program, and an endless input of them must
    // not be read to its end: the first error is the last.
    void testNulStopsReading() {
        class Zeros : public ByteSource {
        public:
            std::size_t read(char* into, std::size_t capacity) override {
                std::fill_n(into, capacity, '\0');
                given += capacity;
                return given > (std::size_t(1) << 30) ? 0 : capacity;
            }
            std::size_t given = 0;
        };
        Zeros zeros;
        const analysis::StreamedCost result = analysis::costStream(zeros, CostModel{});
        CPPUNIT_ASSERT_EQUAL(std::size_t(1), result.diagnostics.size());
        CPPUNIT_ASSERT_EQUAL(std::string("1:1 expected 'BEGIN', found '\\x00'"), place(result.diagnostics[0]));
        CPPUNIT_ASSERT(zeros.given < (std::size_t(1) << 22));
    }

    void testErrorsAreCapped() {
        std::string text = "BEGIN\n";
        for (int i = 0; i < 1000; ++i)
            text += "a b ;\n";
        text += "c ;\nEND\n";
        const Analysis a(text, CostModel{});  // the text must outlive the analysis
        CPPUNIT_ASSERT_EQUAL(analysis::Reader::maxDiagnostics, a.diagnostics().size());
        CPPUNIT_ASSERT_EQUAL(std::string("c ; 0"), costsOf(a).back());
    }
};

CPPUNIT_TEST_SUITE_REGISTRATION(ReaderTests);
