#ifndef LOOPCOST_SCANNER_H
#define LOOPCOST_SCANNER_H

#include <ios>
#include <istream>
#include <locale>
#include <string>

// The token reader that the statement-level constructors share during one
// parse. It reads straight from the stream's buffer, skipping white space as
// the stream's locale classifies it, exactly as formatted extraction would,
// and counts what it consumes so that an error can name its position without
// asking the stream at every token. It also carries the loop nesting depth of
// the parse.
class Scanner {
public:
    static const int maxLoopDepth = 1000;

    explicit Scanner(std::istream& in);

    // Skips white space; the next character (0..255) without consuming it,
    // or EOF at the end of input.
    int peek() {
        for (;;) {
            int c = peekRaw();
            if (c == std::char_traits<char>::eof() || !ctype.is(std::ctype_base::space, static_cast<char>(c)))
                return c;
            skip();
        }
    }
    // The next character as it stands, white space included, or EOF.
    int peekRaw() {
        int c = buf->sgetc();
        if (c == std::char_traits<char>::eof())
            markEnd();
        return c;
    }
    // Skips white space and consumes the character behind it, which it
    // returns; EOF at the end of input.
    int get() {
        for (;;) {
            int c = buf->sbumpc();
            if (c == std::char_traits<char>::eof()) {
                markEnd();
                return c;
            }
            ++consumed;
            if (!ctype.is(std::ctype_base::space, static_cast<char>(c)))
                return c;
        }
    }
    // Consumes the character that peek() or peekRaw() returned.
    void skip() {
        buf->sbumpc();
        ++consumed;
    }

    // Reads the next white-space delimited word; false at the end of input.
    bool readWord(std::string& word);

    // Reads the keyword that must come next and returns its position; reports
    // "<who>: input syntax error at '<word>'" for any other word.
    std::streamoff expectKeyword(const char* keyword, const char* who);

    // Stream position of the next unread character, or -1 if unknown.
    std::streamoff offset() const { return start < 0 ? -1 : start + consumed; }

    // Reports that the input ended where `who` expected more.
    [[noreturn]] void unexpectedEnd(const char* who);

    int depth = 0;  // loops open around the reader that is running now

private:
    void markEnd();

    std::istream& in;               // for its state bits only
    std::streambuf* buf;            // an empty one when the stream was not readable
    const std::ctype<char>& ctype;  // the stream's notion of white space
    std::streamoff start;           // position where this parse began, or -1
    std::streamoff consumed = 0;    // characters consumed since then
};

#endif
