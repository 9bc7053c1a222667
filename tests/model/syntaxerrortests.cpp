#include <climits>
#include <memory>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include <cppunit/TestFixture.h>
#include <cppunit/extensions/HelperMacros.h>

#include "loopcost/model/complexity.h"
#include "loopcost/model/expression.h"
#include "loopcost/model/syntaxerror.h"
#include "loopcost/model/term.h"
#include "loopcost/tests/model/support.h"

namespace {

const int wholeInput = INT_MIN;  // a length that stands for the whole text

// Terms and expressions are read from text, the others from the stream.
enum Source { term, expression, statement, loop, list, program };

// How a reading constructor ended: the line it wrote and what it threw.
struct Outcome {
    bool threw = false;
    std::string what;
    std::streamoff offset = -2;
    std::string written;  // everything on std::cerr
};

void read(Source source, std::istream& in, const char* text, int length) {
    const Reader readers[] = {Reader::statement, Reader::loop, Reader::list, Reader::program};
    if (source == term) {
        Term node(length, text);
    } else if (source == expression) {
        Expression node(length, text);
    } else {
        std::unique_ptr<Complexity> node(readNode(readers[source - statement], in));
    }
}

Outcome outcomeOf(Source source, std::istream& in, const std::string& text, int length) {
    Outcome outcome;
    CerrCapture cerr;
    try {
        read(source, in, text.c_str(), length == wholeInput ? static_cast<int>(text.size()) : length);
    } catch (const SyntaxError& e) {
        outcome.threw = true;
        outcome.what = e.what();
        outcome.offset = e.offset();
    }
    outcome.written = cerr.text();
    return outcome;
}

// One syntax error: what a reader is given, the one line it must write (and
// throw) and the stream position it must name.
struct Case {
    Source source;
    std::string input;
    std::string message;
    std::streamoff offset;
    int length = wholeInput;  // of the text handed to a term or an expression
};

void check(const Case& c, const Outcome& got) {
    const std::string context = "input '" + c.input + "'";
    CPPUNIT_ASSERT_MESSAGE(context, got.threw);
    CPPUNIT_ASSERT_EQUAL_MESSAGE(context, c.message + "\n", got.written);
    CPPUNIT_ASSERT_EQUAL_MESSAGE(context, c.message, got.what);
    CPPUNIT_ASSERT_EQUAL_MESSAGE(context, static_cast<long long>(c.offset), static_cast<long long>(got.offset));
}

const std::string termError = "Term(int,char[]): input syntax error";
const std::string illegalTerm = termError + ": illegal term";
const std::string statementError = "ExpressionStatement(istream&): input syntax error";
const std::string loopError = "LoopStatement(istream&): input syntax error";
const std::string listError = "Statementlist(isttream&): input syntax error";
const std::string programError = "Program(isttream&): input syntax error";
const std::string unexpectedEnd = ": input syntax error: unexpected end of input";

std::vector<Case> cases() {
    const std::string longest = [] {  // 99 characters: a+a+...+a
        std::string s = "a";
        while (s.size() < 99)
            s += "+a";
        return s;
    }();
    return {
        // terms: no stream, so no position
        {term, "a", illegalTerm, -1, 0},
        {term, "a", illegalTerm, -1, -3},
        {term, "ab+c", termError + " (2) at 'ab+c'", -1, 2},  // quoted up to the NUL
        {term, "a*bc", termError + " (4) at 'a*bc'", -1, 4},
        {term, "abc", termError + ": missing '*' in 'abc'", -1, 3},
        {term, "a*bcd", termError + ": missing '*' in 'a*bcd'", -1, 5},
        {term, "abc*d", termError + ": missing '*' in 'abc'", -1, 5},  // the left part at fault
        {term, "ab*cd", termError + ": missing '*' in 'ab*'", -1, 3},

        // expressions: split at the last '+', the right side read first
        {expression, "+", "Syntax error at '+'", -1},
        {expression, "+a", "Syntax error at '+'", -1},
        {expression, "+ab", "Syntax error at '+'", -1},  // the term after it is never read
        {expression, "a+", illegalTerm, -1},
        {expression, "", illegalTerm, -1},
        {expression, "a++b", illegalTerm, -1},
        {expression, "+a+", illegalTerm, -1},
        {expression, "ab+cd", termError + " (2) at 'cd'", -1},
        {expression, "ab+c", termError + " (2) at 'ab+c'", -1},
        {expression, "+a+bc", termError + " (2) at 'bc'", -1},
        {expression, "abc+d", termError + ": missing '*' in 'abc'", -1},
        {expression, "a+b+c", illegalTerm, -1, 4},

        // expression statements: term and expression faults name the statement's start
        {statement, "a + 1 ;", statementError + " at 'a+'", 4},
        {statement, "A ;", statementError + " at ''", 0},
        {statement, "a\xe9 ;", statementError + " at 'a'", 1},
        {statement, "  a b ;", termError + " (2) at 'ab'", 2},
        {statement, " ;", illegalTerm, 1},
        {statement, "a + ;", illegalTerm, 0},
        {statement, "\t+ a ;", "Syntax error at '+'", 1},
        {statement, "a +", "ExpressionStatement(istream&)" + unexpectedEnd, 3},
        {statement, "", "ExpressionStatement(istream&)" + unexpectedEnd, 0},
        {statement, "  ", "ExpressionStatement(istream&)" + unexpectedEnd, 2},
        {statement, " " + longest + "1 ;", statementError + " at '" + longest + "'", 100},
        {statement, "  " + longest + "+b ;", statementError + ": expression longer than 99 characters", 2},

        // loops
        {loop, "LOOPn a ; END", loopError + " at 'LOOPn'", 0},
        {loop, "  Loop n a ; END", loopError + " at 'Loop'", 2},
        {loop, "LOOP n a ; END;", loopError + " at 'END;'", 11},
        {loop, "LOOP n a ; b ; E", loopError + " at 'E'", 15},
        {loop, "LOOP x a ; END", loopError + ": bad loop count", 5},
        {loop, "LOOP  99999999999 a ; END", loopError + ": bad loop count", 6},
        {loop, "LOOP 2147483648 a ; END", loopError + ": bad loop count", 5},
        {loop, "LOOP -2147483649 a ; END", loopError + ": bad loop count", 5},
        {loop, "LOOP + 3 a ; END", loopError + ": bad loop count", 5},
        {loop, "LOOP -\n3 a ; END", loopError + ": bad loop count", 5},
        {loop, "LOOP -", loopError + ": bad loop count", 5},
        {loop, "LOOP ; END", loopError + ": bad loop count", 5},
        {loop, "", "LoopStatement(istream&)" + unexpectedEnd, 0},
        {loop, "LOOP", "LoopStatement(istream&)" + unexpectedEnd, 4},
        {loop, "LOOP  \n", "LoopStatement(istream&)" + unexpectedEnd, 7},
        {loop, "LOOP n a ;", "LoopStatement(istream&)" + unexpectedEnd, 10},
        {loop, "LOOP 3 a ; \n", "LoopStatement(istream&)" + unexpectedEnd, 12},
        {loop, "LOOP n", "Statementlist(isttream&)" + unexpectedEnd, 6},
        {loop, "LOOP n END", listError + " at 'E'", 7},
        {loop, "LOOP 3 a ; LOOP n END END", listError + " at 'E'", 18},
        {loop, "LOOP 3 a + + b ; END", illegalTerm, 7},

        // statement lists
        {list, "3 ;", listError + " at '3'", 0},
        {list, " END", listError + " at 'E'", 1},
        {list, "; a ;", listError + " at ';'", 0},
        {list, "  ", "Statementlist(isttream&)" + unexpectedEnd, 2},
        {list, "Loop a ; END", loopError + " at 'Loop'", 0},
        {list, "a ; b", "ExpressionStatement(istream&)" + unexpectedEnd, 5},

        // programs
        {program, "begin a ; END", programError + " at 'begin'", 0},
        {program, "BEGINa ; END", programError + " at 'BEGINa'", 0},
        {program, "BEGIN a ; END;", programError + " at 'END;'", 10},
        {program, "BEGIN a ; 3 END", programError + " at '3'", 10},
        {program, "BEGIN END", listError + " at 'E'", 6},
        {program, "", "Program(isttream&)" + unexpectedEnd, 0},
        {program, "\n\n", "Program(isttream&)" + unexpectedEnd, 2},
        {program, "BEGIN a ;", "Program(isttream&)" + unexpectedEnd, 9},
        {program, "BEGIN", "Statementlist(isttream&)" + unexpectedEnd, 5},
        {program, "BEGIN LOOP n a ; END", "Program(isttream&)" + unexpectedEnd, 20},
        {program, "BEGIN LOOP 3 a ; LOOP n b ; LOOPS", loopError + " at 'LOOPS'", 28},
    };
}

// "LOOP n LOOP 3 LOOP n ... a ; END END ...", `levels` deep: both kinds of
// count nest alike.
std::string nestedLoops(int levels) {
    std::string text;
    for (int i = 0; i < levels; ++i)
        text += i % 2 ? "LOOP 3 " : "LOOP n ";
    text += "a ;";
    for (int i = 0; i < levels; ++i)
        text += " END";
    return text;
}

// A stream buffer that cannot say where it stands.
class UnseekableBuffer : public std::streambuf {
public:
    explicit UnseekableBuffer(std::string text) : text(std::move(text)) {
        setg(&this->text[0], &this->text[0], &this->text[0] + this->text.size());
    }

private:
    std::string text;
};

}  // namespace

class SyntaxErrorTests : public CppUnit::TestFixture {
    CPPUNIT_TEST_SUITE(SyntaxErrorTests);
    CPPUNIT_TEST(testEveryErrorLine);
    CPPUNIT_TEST(testNestingLimit);
    CPPUNIT_TEST(testOffsetsAreStreamPositions);
    CPPUNIT_TEST_SUITE_END();

public:
    void testEveryErrorLine() {
        for (const Case& c : cases()) {
            std::istringstream in(c.input);
            check(c, outcomeOf(c.source, in, c.input, c.length));
        }
    }

    void testNestingLimit() {
        const std::string deepest = nestedLoops(1000);
        for (Source reader : {loop, program}) {
            const std::string prefix = reader == program ? "BEGIN " : "";
            const std::string suffix = reader == program ? " END" : "";
            std::string fitting = prefix;
            fitting += deepest;
            fitting += suffix;
            std::istringstream fits(fitting);
            Outcome ok = outcomeOf(reader, fits, "", wholeInput);
            CPPUNIT_ASSERT(!ok.threw);
            CPPUNIT_ASSERT_EQUAL(std::string(), ok.written);

            std::string tooDeep = prefix;
            tooDeep += nestedLoops(1001);
            tooDeep += suffix;
            std::istringstream in(tooDeep);
            const std::streamoff lastLoop = static_cast<std::streamoff>(prefix.size() + std::size_t{1000} * 7);
            check({reader, "1001 nested loops", loopError + ": loops nested deeper than 1000", lastLoop},
                  outcomeOf(reader, in, "", wholeInput));
        }
    }

    void testOffsetsAreStreamPositions() {
        // a parse that starts further on names positions from the stream's start
        std::istringstream later("junk  LOOPn a ; END");
        std::string junk;
        later >> junk;
        check({loop, "junk LOOPn", loopError + " at 'LOOPn'", 6}, outcomeOf(loop, later, "", wholeInput));

        UnseekableBuffer buffer("BEGIN a ; END;");
        std::istream unseekable(&buffer);
        check({program, "unseekable", programError + " at 'END;'", -1}, outcomeOf(program, unseekable, "", wholeInput));
    }
};

CPPUNIT_TEST_SUITE_REGISTRATION(SyntaxErrorTests);
