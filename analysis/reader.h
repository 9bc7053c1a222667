#ifndef LOOPCOST_ANALYSIS_READER_H
#define LOOPCOST_ANALYSIS_READER_H

#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "loopcost/analysis/text.h"

namespace analysis {

// Why a text is not a program: one kind for each way a reader can fail.
enum class Fault : std::uint8_t {
    noProgram,         // nothing but white space where BEGIN must stand
    notBegin,          // a word other than BEGIN first
    notStatement,      // a list that must begin here begins with something else
    notEnd,            // a list ends, and the word there is not the END it needs
    notLoop,           // a word that begins with L but is not LOOP
    tooDeep,           // a LOOP inside 1000 others
    notCount,          // LOOP followed by neither n nor a whole number
    countTooLarge,     // a whole number beyond 32 bits
    notInStatement,    // a character that no expression holds
    missingOperator,   // two variables side by side
    missingVariable,   // an operator, or ';', where a variable must stand
    statementTooLong,  // more than 99 characters before the ';'
    endInStatement,    // the input ends before a statement's ';'
    endBeforeCount,    // the input ends right after LOOP
    endInBlock,        // the input ends inside a loop or the program
    textAfterEnd,      // anything after the closing END
};

// The line of a diagnostic around its offset, as the reader saw it: enough
// to show where it is without keeping the text.
struct Excerpt {
    std::string before;       // up to `reach` bytes of the line before the offset
    std::string after;        // up to `reach` bytes from the offset to the line end
    bool moreBefore = false;  // the line goes on before `before`
    bool moreAfter = false;   // the line goes on after `after`
    static const std::size_t reach = 100;
};

// Why a text is not a program, where, in plain words.
struct Diagnostic {
    Fault kind;
    std::size_t offset;   // first byte of the offending text, or the end of input
    std::size_t length;   // bytes of the offending text; 0 at the end of input
    Place place;          // of `offset`
    std::string message;  // one line; bytes that are not printable ASCII written as \xHH
    std::size_t block;    // offset of the LOOP (or BEGIN, or statement) that the message speaks of
    std::size_t depth;    // blocks open where it was found: 1 in the program's list, 1 more in each loop
    Excerpt excerpt;
};

// What a reader tells about a program as it reads it, in source order.
class ReadEvents {
public:
    static const std::int32_t unknownCount = INT32_MIN + 1;  // a LOOP whose count did not read

    virtual ~ReadEvents() = default;
    // A LOOP at `offset` with its count: -1 or below stands for n.
    // `unknownCount` for a loop that is there but cannot be costed.
    virtual void loopBegins(std::size_t offset, Place place, std::int32_t count) = 0;
    // The loop that began last and has not ended, ending one past `end`.
    virtual void loopEnds(std::size_t end) = 0;
    // An expression statement from `begin` to one past its ';', with its own
    // operations.
    virtual void statement(std::size_t begin, std::size_t end, Place place, int additions, int multiplications) = 0;
};

// What a word of a program is, as the reader reads it.
enum class LexemeKind : std::uint8_t {
    keyword,    // BEGIN, LOOP or END, read as such (the END of "END;" too)
    count,      // a loop's count: n or a whole number, one that does not fit included
    variable,   // a letter of a statement
    operation,  // a '+' or a '*' of a statement
    semicolon,  // the ';' that ends a statement
    stray,      // anything else, which the reader reports or skips
};

// A word of the text, as the reader read it: every byte that is not white
// space (nor the byte-order mark) lies in exactly one of them.
struct Lexeme {
    std::size_t offset;
    std::size_t length;
    LexemeKind kind;
};

// Told each lexeme as the reader reads it, in source order; asked for only
// where they are wanted, since a total needs none.
class LexemeEvents {
public:
    virtual ~LexemeEvents() = default;
    // False to stop reading.
    virtual bool lexeme(const Lexeme& lexeme) = 0;
};

// Events that nobody listens to: for a reading whose errors, or words, are
// all that is wanted.
class NoEvents : public ReadEvents {
public:
    void loopBegins(std::size_t, Place, std::int32_t) override {}
    void loopEnds(std::size_t) override {}
    void statement(std::size_t, std::size_t, Place, int, int) override {}
};

// Hands a reader its input a block at a time.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Fills up to `capacity` bytes of `into`; 0 at the end of input. Throws
    // what the input's own failure is.
    virtual std::size_t read(char* into, std::size_t capacity) = 0;
};

// Reads a program in one pass forward, touching each byte once and keeping
// only a stack of the loops still open. After an error it goes on at the next
// place where a statement, a LOOP or an END can stand, so that every error is
// found and every statement that reads is told. The language is the
// library's, byte for byte; text after the closing END is an error.
class Reader {
public:
    static constexpr int maxDepth = 1000;          // loops inside one another
    static constexpr int maxStatementLength = 99;  // characters before ';', white space not counted
    static constexpr std::size_t maxDiagnostics = 100;

    // With `lexemes`, the words of the text are told too: those after the
    // closing END, or after a NUL, as stray words.
    explicit Reader(ReadEvents& events, LexemeEvents* lexemes = nullptr);
    ~Reader();
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // Reads a text held in memory.
    void read(std::string_view text);
    // Reads from `source` in blocks of fixed size.
    void read(ByteSource& source);

    // In source order; at most maxDiagnostics, the first is where the
    // library's reader stops.
    const std::vector<Diagnostic>& diagnostics() const { return found; }
    bool ok() const { return found.empty(); }
    // One past the closing END, or where reading stopped.
    std::size_t programEnd() const { return closingEnd; }
    // The program's first word as it was read: its BEGIN, or what stands
    // where BEGIN must; empty at the end of input when nothing stands there.
    Span programStart() const { return firstWord; }
    // The closing END; empty when it was not read.
    Span closingKeyword() const { return closingWord; }

private:
    class Input;
    struct Open;
    void program();
    bool statementList();
    void loop();
    std::int32_t count(Place loopPlace, bool quiet);
    void expressionStatement();
    void notInStatement(std::size_t begin, bool wordStart);
    void skipStatementRest();
    void skipToStatement();
    void closeBlock(std::size_t keyword);
    void lex(std::size_t offset, std::size_t length, LexemeKind kind);
    void lexStatement(std::size_t begin, std::size_t end);
    void lexRest();
    void inputEnded();
    void textAfterEnd();

    void fail(Fault kind, std::size_t offset, std::size_t length, Place place, std::string message, std::size_t block);
    std::string blockName(std::size_t depth) const;

    ReadEvents& events;
    LexemeEvents* lexemes;  // null where the words are not wanted, or once reading has stopped for them
    std::unique_ptr<Input> in;
    std::vector<Open> open;  // the program, then the loops open inside it
    int brokenDepth = 0;     // open loops that began too deep or did not read
    std::vector<Diagnostic> found;
    std::size_t closingEnd = 0;
    Span firstWord{0, 0};
    Span closingWord{0, 0};
    bool stopped = false;  // nothing more to read: a NUL, or the closing END
};

}  // namespace analysis

#endif
