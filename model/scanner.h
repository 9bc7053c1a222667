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
        // The loop works on locals: the compiler cannot keep members in
        // registers across the buffer's refills, and indents are long runs.
        std::streambuf* const b = buf;
        const std::ctype<char>& white = ctype;
        std::streamoff skipped = 0;
        int c = b->sgetc();
        while (c != std::char_traits<char>::eof() && white.is(std::ctype_base::space, static_cast<char>(c))) {
            ++skipped;
            c = b->snextc();
        }
        consumed += skipped;
        if (c == std::char_traits<char>::eof())
            markEnd();
        return c;
    }
    // The next character as it stands, white space included, or EOF.
    int peekRaw() {
        int c = buf->sgetc();
        if (c == std::char_traits<char>::eof())
            markEnd();
        return c;
    }
    // What ended readUpTo().
    enum class Stop {
        found,    // the last character, which is consumed
        refused,  // a character that `accept` refused, which is consumed
        full,     // an accepted character with `text` full, which is consumed
        end,      // the end of input
    };
    struct Read {
        Stop stop;
        int length;  // characters stored in `text`
    };
    // Reads up to `last`, dropping white space and storing every other
    // character in `text` (room for `capacity`), as long as `accept` takes it.
    // One pass with the buffer in hand: this is where a reader spends its time.
    template <class Accept>
    Read readUpTo(char last, Accept accept, char* text, int capacity) {
        std::streambuf* const b = buf;
        const std::ctype<char>& white = ctype;
        std::streamoff used = 0;
        int length = 0;
        Stop stop = Stop::end;
        for (int c; (c = b->sbumpc()) != std::char_traits<char>::eof();) {
            ++used;
            if (white.is(std::ctype_base::space, static_cast<char>(c)))
                continue;
            if (c == static_cast<unsigned char>(last)) {
                stop = Stop::found;
                break;
            }
            if (!accept(c)) {
                stop = Stop::refused;
                break;
            }
            if (length == capacity) {
                stop = Stop::full;
                break;
            }
            text[length++] = static_cast<char>(c);
        }
        consumed += used;
        if (stop == Stop::end)
            markEnd();
        return {stop, length};
    }
    // Consumes the character that peek() or peekRaw() returned.
    void skip() {
        buf->sbumpc();
        ++consumed;
    }

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
    bool endsWord(int c) const;  // white space or EOF

    std::istream& in;               // for its state bits only
    std::streambuf* buf;            // an empty one when the stream was not readable
    const std::ctype<char>& ctype;  // the stream's notion of white space
    std::streamoff start;           // position where this parse began, or -1
    std::streamoff consumed = 0;    // characters consumed since then
};

#endif
