#include "loopcost/analysis/reader.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace analysis {

namespace {

const int noMore = -1;

// What a byte is to the reader, looked up once per byte.
// A '\r' ends a line unless a '\n' follows it, which then ends it (so
// it needs a look at the next byte): a statement that holds one is left to
// the slower reading.
enum Class : std::uint8_t { blank, newline, letter, plus, star, semicolon, carriageReturn, other };

struct ClassTable {
    Class of[256] = {};
    constexpr ClassTable() {
        for (int c = 0; c < 256; ++c) {
            const char ch = static_cast<char>(c);
            of[c] = ch == '\n'    ? newline
                    : ch == '\r'  ? carriageReturn
                    : isBlank(ch) ? blank
                    : isLower(ch) ? letter
                    : ch == '+'   ? plus
                    : ch == '*'   ? star
                    : ch == ';'   ? semicolon
                                  : other;
        }
    }
};
constexpr ClassTable classes;

inline Class classOf(int c) { return classes.of[static_cast<unsigned char>(c)]; }

// What one byte of a statement adds to its counts, packed in 16-bit lanes
// (additions, multiplications, characters, lines), by the byte's class.
struct SumTable {
    std::uint64_t of[semicolon] = {};
    constexpr SumTable() {
        const std::uint64_t character = 1ULL << 32;
        of[newline] = 1ULL << 48;
        of[letter] = character;
        of[plus] = 1 + character;
        of[star] = (1ULL << 16) + character;
    }
};
constexpr SumTable sums;
// The shared character classes for the bytes that peek() returns, noMore
// among them.
inline bool isSpace(int c) {
    const Class k = classOf(c);
    return k == blank || k == newline || k == carriageReturn;
}
bool lower(int c) { return isLower(static_cast<char>(c)); }
bool upper(int c) { return isUpper(static_cast<char>(c)); }
bool digit(int c) { return isDigit(static_cast<char>(c)); }

// A word is quoted in a message up to this many bytes, then "...", so that a
// message stays one line whatever the input holds.
const std::size_t quotedBytes = 40;

std::string quoted(std::string_view word, bool longer) {
    std::string text = "'" + printable(word.substr(0, quotedBytes));
    if (longer || word.size() > quotedBytes)
        text += "...";
    return text + "'";
}

std::string placeText(Place p) { return std::to_string(p.line) + ":" + std::to_string(p.column); }

}  // namespace

// The bytes of the input, a block at a time, with the place of the next one.
// A little of what came before the block is kept in front of it, so that a
// diagnostic can show the line it stands on.
class Reader::Input {
public:
    // Small enough that the block stays in the processor's cache between the
    // kernel's copy into it and the reading of it: larger blocks read slower.
    static constexpr std::size_t blockSize = std::size_t(1) << 16;
    static constexpr std::size_t kept = 512;       // bytes kept from before the block
    static constexpr std::size_t lookahead = 256;  // bytes a word may be looked at before it is read

    explicit Input(std::string_view text) : data(text.data()), p(text.data()), end(text.data() + text.size()) {}
    Input(ByteSource& source, std::vector<Diagnostic>& diagnostics)
        : source(&source), diagnostics(&diagnostics), buffer(new char[kept + blockSize]) {
        data = p = end = buffer.get();
    }

    // The next byte without consuming it, or noMore.
    int peek() {
        if (p == end && !refill(1))
            return noMore;
        return static_cast<unsigned char>(*p);
    }
    // The byte `k` after the next one, for k < lookahead.
    int peekAt(std::size_t k) {
        if (static_cast<std::size_t>(end - p) <= k && !refill(k + 1))
            return noMore;
        return static_cast<unsigned char>(p[k]);
    }
    // Consumes the byte that peek() returned, which ends no line.
    void skip() { ++p; }
    // Consumes any byte. A '\r' ends a line unless a '\n' follows it,
    // which then ends it.
    void consume() {
        if (*p == '\n' || (*p == '\r' && peekAt(1) != '\n'))
            newLine();
        ++p;
    }
    // Skips white space; the next byte, or noMore.
    int skipBlanks() {
        for (;;) {
            const char* q = p;
            const char* const stop = end;
            bool again = false;  // a '\r' ends the bytes at hand: look again with the next one
            for (; q != stop; ++q) {
                if (*q == ' ')  // indentation: most blanks are spaces in a row
                    continue;
                const Class c = classOf(*q);
                if (c == newline) {
                    ++line;
                    lineStart = base + static_cast<std::size_t>(q - data) + 1;
                } else if (c == carriageReturn) {
                    again = carriageReturnAt(q, stop);
                    if (again)
                        break;
                } else if (c != blank) {
                    p = q;
                    return static_cast<unsigned char>(*q);
                }
            }
            if (again)
                continue;
            p = q;
            if (!refill(1))
                return noMore;
        }
    }
    void skipByteOrderMark() {
        for (std::size_t i = 0; i < byteOrderMark.size(); ++i)
            if (peekAt(i) != static_cast<unsigned char>(byteOrderMark[i]))
                return;
        p += byteOrderMark.size();
    }
    // Reads up to white space or the end; keeps the first bytes in `shown`,
    // returns how many bytes the word has. A NUL ends it too: no text that
    // holds one is a program, and the input may be endless.
    std::size_t readWord(std::string& shown) {
        shown.clear();
        std::size_t length = 0;
        for (int c = peek(); c != noMore && !isSpace(c); c = peek()) {
            if (shown.size() <= quotedBytes)
                shown.push_back(static_cast<char>(c));
            ++p;
            ++length;
            if (c == 0) {
                sawNul = true;
                break;
            }
        }
        return length;
    }
    // The word ahead without consuming it: at most `lookahead` bytes of it.
    std::size_t wordAhead(std::string& shown) {
        shown.clear();
        std::size_t length = 0;
        for (int c = peekAt(0); length < lookahead && c != noMore && !isSpace(c); c = peekAt(++length))
            if (shown.size() <= quotedBytes)
                shown.push_back(static_cast<char>(c));
        return length;
    }
    // Whether `keyword` stands next as a whole word; consumed if so.
    bool keyword(std::string_view word) {
        for (std::size_t i = 0; i < word.size(); ++i)
            if (peekAt(i) != static_cast<unsigned char>(word[i]))
                return false;
        const int after = peekAt(word.size());
        if (after != noMore && !isSpace(after))
            return false;
        p += word.size();
        return true;
    }

    std::size_t offset() const { return base + static_cast<std::size_t>(p - data); }
    // The byte at `at`, which must be among those at hand.
    const char* bytesAt(std::size_t at) const { return data + (at - base); }

    // A well-formed statement that lies whole in the bytes at hand, read in
    // one tight pass: variables and operators alternate, and it ends in ';'.
    // False, with nothing consumed, for anything else.
    struct Quick {
        int additions = 0;
        int multiplications = 0;
    };
    bool quickStatement(Quick& quick) {
        if (canonicalStatement(quick))
            return true;
        // at most this many bytes, so that no count in `sums` outgrows its 16 bits
        const std::size_t longest = 4096;
        const char* q = p;
        const char* const stop = end - p > static_cast<std::ptrdiff_t>(longest) ? p + longest : end;
        const char* lastLine = nullptr;
        // Variables and operators must alternate, from a variable. Every
        // step depends on the one before only through a select, never a
        // branch: the classes of a statement's bytes follow no pattern that
        // a processor could predict.
        std::uint64_t counted = 0;
        unsigned lastVariable = 0;  // the last token was a variable
        unsigned bad = 0;
        for (; q != stop; ++q) {
            const Class c = classOf(*q);
            if (c >= semicolon)
                break;
            counted += sums.of[c];
            const unsigned token = c >= letter;
            const unsigned variable = c == letter;
            bad |= token & (variable == lastVariable);
            lastVariable = token ? variable : lastVariable;
            lastLine = c == newline ? q : lastLine;
        }
        const std::uint64_t stored = (counted >> 32) & 0xffff;
        if (q == stop || classOf(*q) != semicolon || !lastVariable || bad || stored > maxStatementLength)
            return false;
        const std::uint64_t lines = counted >> 48;
        if (lines > 0) {
            line += lines;
            lineStart = base + static_cast<std::size_t>(lastLine - data) + 1;
        }
        p = q + 1;
        quick.additions = static_cast<int>(counted & 0xffff);
        quick.multiplications = static_cast<int>((counted >> 16) & 0xffff);
        return true;
    }

    // A statement in the canonical layout, "a + b * c ;": a variable at every
    // fourth byte, an operator two after it, one blank between each two, the
    // ';' where the next operator would be. Most programs are written so, and
    // sixteen bytes of such a statement are checked at once. False, with
    // nothing consumed, for anything else, and near the end of the bytes at
    // hand.
    bool canonicalStatement(Quick& quick) {
#if defined(__SSE2__)
        const unsigned blanks = 0xAAAA;     // the odd places
        const unsigned variables = 0x1111;  // every fourth place, from the first
        const unsigned operators = 0x4444;  // two places after each variable
        const auto matches = [&](unsigned within, unsigned blank, unsigned letter, unsigned op) {
            return (blank & blanks & within) == (blanks & within) &&
                   (letter & variables & within) == (variables & within) &&
                   (op & operators & within) == (operators & within);
        };
        // once the layout is checked, an operator can stand at four places
        // of the sixteen only: their bits are added up by one multiplication
        const auto operatorsIn = [](unsigned m) {
            return static_cast<int>(((((m >> 2) & 0x1111u) * 0x1111u) >> 12) & 7u);
        };
        const auto mask = [](__m128i bytes, char c) {
            return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(c))));
        };
        // a statement of at most maxStatementLength characters has its ';' by then
        const std::size_t reach = 2 * maxStatementLength + 2;
        int additions = 0;
        int multiplications = 0;
        for (std::size_t at = 0; at < reach && end - p >= static_cast<std::ptrdiff_t>(at + 16); at += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
            // 'a' to 'z' moved to the bottom of the signed range, to compare once
            const __m128i fromA = _mm_add_epi8(bytes, _mm_set1_epi8(static_cast<char>(-128 - 'a')));
            const auto letter =
                static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi8(fromA, _mm_set1_epi8(-128 + 26))));
            const unsigned plus = mask(bytes, '+');
            const unsigned star = mask(bytes, '*');
            const unsigned semicolon = mask(bytes, ';');
            const unsigned blank = mask(bytes, ' ');
            if (semicolon == 0) {
                if (!matches(0xFFFF, blank, letter, plus | star))
                    return false;
                additions += operatorsIn(plus);
                multiplications += operatorsIn(star);
                continue;
            }
            const auto last = static_cast<unsigned>(__builtin_ctz(semicolon));
            const unsigned before = (1u << last) - 1;
            if ((last & 3) != 2 || !matches(before, blank, letter, plus | star) || (at + last) / 2 > maxStatementLength)
                return false;
            quick.additions = additions + operatorsIn(plus & before);
            quick.multiplications = multiplications + operatorsIn(star & before);
            p += at + last + 1;
            return true;
        }
#else
        (void)quick;
#endif
        return false;
    }

    Place place() const { return Place{line, offset() - lineStart + 1}; }
    bool nul() const { return sawNul; }
    void noteNul() { sawNul = true; }

    // The line around `at` (on the line that begins at `start`), as far as
    // the bytes at hand and those still to come show it.
    Excerpt excerptAt(std::size_t at, std::size_t start) {
        Excerpt e;
        const std::size_t first = std::max({start, at >= Excerpt::reach ? at - Excerpt::reach : 0, base});
        e.moreBefore = first > start;
        if (at >= first && at <= base + static_cast<std::size_t>(end - data))
            e.before.assign(data + (first - base), at - first);
        else
            e.moreBefore = true;
        if (at >= base) {
            extend(e, data + std::min(at - base, static_cast<std::size_t>(end - data)), end);
        } else {
            e.moreAfter = true;
            lineEnded = true;
        }
        return e;
    }
    // Marks the excerpt of the newest diagnostic as waiting for the bytes of
    // the next block, when this one ended in the middle of its line.
    void awaitRestOf(std::size_t diagnostic) {
        if (!source)
            return;
        const Excerpt& e = (*diagnostics)[diagnostic].excerpt;
        if (!e.moreAfter && !lineEnded && !atEnd)
            waiting.push_back(diagnostic);
    }
    // Reading has stopped: the lines of the diagnostics still get the bytes
    // that they show, and no more.
    void finishExcerpts() {
        while (!waiting.empty() && !atEnd) {
            p = end;
            refill(1);
        }
    }

private:
    // Whether the last extend() met the line end. An excerpt is done there,
    // or once a byte beyond `reach` is seen; at `reach` bytes exactly, the
    // next byte still decides between the two.
    bool lineEnded = false;

    void extend(Excerpt& e, const char* from, const char* to) {
        lineEnded = false;
        for (const char* q = from; q != to; ++q) {
            if (isLineEndByte(*q)) {
                lineEnded = true;
                e.moreAfter = false;
                return;
            }
            if (e.after.size() == Excerpt::reach) {
                e.moreAfter = true;
                return;
            }
            e.after.push_back(*q);
        }
    }

    void newLine() {
        ++line;
        lineStart = offset() + 1;
    }

    // A '\r' at `q` among the bytes at hand up to `stop`: a line end unless
    // a '\n' follows. True, with `p` at the '\r', when the next byte had to
    // be read first. Out of line, so that the loop over blanks stays small.
    __attribute__((noinline)) bool carriageReturnAt(const char* q, const char* stop) {
        if (q + 1 == stop && source && !atEnd) {
            p = q;
            refill(2);
            return true;
        }
        if (q + 1 == stop || q[1] != '\n') {
            ++line;
            lineStart = base + static_cast<std::size_t>(q - data) + 1;
        }
        return false;
    }

    // Keeps the bytes from `kept` before the next one, and reads a block
    // after them; true if at least `need` bytes are then at hand.
    bool refill(std::size_t need) {
        if (!source || atEnd)
            return static_cast<std::size_t>(end - p) >= need;
        while (static_cast<std::size_t>(end - p) < need && !atEnd) {
            const std::size_t from = std::min(static_cast<std::size_t>(p - data), kept);
            const char* keepFrom = p - from;
            const auto keep = static_cast<std::size_t>(end - keepFrom);
            std::memmove(buffer.get(), keepFrom, keep);
            base += static_cast<std::size_t>(keepFrom - data);
            data = buffer.get();
            p = data + from;
            end = data + keep;
            const std::size_t n = source->read(buffer.get() + keep, kept + blockSize - keep);
            if (n == 0)
                atEnd = true;
            finishWaiting(end, end + n);
            end += n;
        }
        return static_cast<std::size_t>(end - p) >= need;
    }

    void finishWaiting(const char* from, const char* to) {
        std::vector<std::size_t> still;
        for (const std::size_t i : waiting) {
            Excerpt& e = (*diagnostics)[i].excerpt;
            extend(e, from, to);
            if (!e.moreAfter && !lineEnded && from != to)
                still.push_back(i);
        }
        waiting.swap(still);
    }

    const char* data;  // the bytes at hand; data[0] is at offset `base`
    const char* p;     // the next byte
    const char* end;
    std::size_t base = 0;
    std::size_t line = 1;
    std::size_t lineStart = 0;
    bool sawNul = false;

    ByteSource* source = nullptr;
    std::vector<Diagnostic>* diagnostics = nullptr;
    std::unique_ptr<char[]> buffer;
    bool atEnd = false;
    std::vector<std::size_t> waiting;  // diagnostics whose excerpt awaits the next block
};

struct Reader::Open {
    std::size_t offset;  // of its LOOP, or of the program's first word
    Place place;
    bool hasStatement;  // its list has a statement already
    bool broken;        // began too deep, or its LOOP did not read
};

Reader::Reader(ReadEvents& events, LexemeEvents* lexemes) : events(events), lexemes(lexemes) {}
Reader::~Reader() = default;

void Reader::read(std::string_view text) {
    in = std::make_unique<Input>(text);
    program();
    lexRest();
}

void Reader::lex(std::size_t offset, std::size_t length, LexemeKind kind) {
    if (lexemes && length > 0 && !lexemes->lexeme(Lexeme{offset, length, kind})) {
        lexemes = nullptr;
        stopped = true;
    }
}

// A statement read whole: its letters are its variables, and '+' and '*'
// its operations.
void Reader::lexStatement(std::size_t begin, std::size_t end) {
    const char* bytes = in->bytesAt(begin);
    for (std::size_t i = 0; i < end - begin && lexemes; ++i) {
        const Class c = classOf(bytes[i]);
        if (c == letter)
            lex(begin + i, 1, LexemeKind::variable);
        else if (c == plus || c == star)
            lex(begin + i, 1, LexemeKind::operation);
        else if (c == semicolon)
            lex(begin + i, 1, LexemeKind::semicolon);
    }
}

// What reading left, after the closing END or a NUL: stray words.
void Reader::lexRest() {
    std::string word;
    while (lexemes && in->skipBlanks() != noMore) {
        const std::size_t at = in->offset();
        lex(at, in->readWord(word), LexemeKind::stray);
    }
}

void Reader::read(ByteSource& source) {
    in = std::make_unique<Input>(source, found);
    program();
    in->finishExcerpts();
}

void Reader::fail(Fault kind, std::size_t offset, std::size_t length, Place place, std::string message,
                  std::size_t block) {
    if (found.size() >= maxDiagnostics)
        return;
    const std::size_t lineStart = offset - (place.column - 1);
    found.push_back(Diagnostic{kind, offset, length, place, std::move(message), block, open.size(),
                               in->excerptAt(offset, lineStart)});
    in->awaitRestOf(found.size() - 1);
}

// "the LOOP at 3:5" that is open at `depth`, or "BEGIN at 1:1".
std::string Reader::blockName(std::size_t depth) const {
    const Open& block = open[depth];
    return depth == 0 ? "BEGIN at " + placeText(block.place) : "the LOOP at " + placeText(block.place);
}

// program = "BEGIN" statementlist "END"
// What stands first is the program's BEGIN, whatever it says: the block that
// the closing END closes.
void Reader::program() {
    in->skipByteOrderMark();
    const int c = in->skipBlanks();
    const std::size_t at = in->offset();
    const Place place = in->place();
    if (c == noMore) {
        fail(Fault::noProgram, at, 0, place, "unexpected end of input: expected 'BEGIN'", at);
        return;
    }
    open.push_back(Open{at, place, false, false});
    if (in->keyword("BEGIN")) {
        firstWord = Span{at, in->offset()};
        lex(at, firstWord.end - at, LexemeKind::keyword);
    } else {
        std::string word;
        // a statement where BEGIN should be is read as one
        std::size_t length = in->wordAhead(word);
        const bool statement =
            word == "LOOP" || (length == 1 && lower(c)) || (lower(c) && word.find_first_of("+*;") != std::string::npos);
        if (!statement) {
            length = in->readWord(word);
            lex(at, length, LexemeKind::stray);
        }
        firstWord = Span{at, at + length};
        fail(Fault::notBegin, at, length, place, "expected 'BEGIN', found " + quoted(word, length > word.size()), at);
    }
    while (!stopped && statementList()) {
    }
}

// statementlist = statement { statement }
// statement     = loop | expressionstatement
// The first byte decides: 'L' begins a loop, a lower-case letter an
// expression statement; anything else ends the list, where the END of the
// block must stand. Returns false once nothing more is to be read.
bool Reader::statementList() {
    const int c = in->skipBlanks();
    if (in->nul()) {
        stopped = true;
        return false;
    }
    if (c == noMore) {
        inputEnded();
        return false;
    }
    Open& block = open.back();
    if (lower(c)) {
        block.hasStatement = true;
        expressionStatement();
        return true;
    }
    if (c == 'L') {
        block.hasStatement = true;
        loop();
        return true;
    }
    const std::size_t at = in->offset();
    const Place place = in->place();
    if (in->keyword("END")) {
        lex(at, in->offset() - at, LexemeKind::keyword);
        if (!block.hasStatement)
            fail(Fault::notStatement, at, 3, place, "expected a statement, found 'END'", at);
        closeBlock(at);
        return !stopped;
    }
    std::string word;
    const std::size_t length = in->readWord(word);
    const bool glued = word.compare(0, 3, "END") == 0;
    if (glued) {
        lex(at, 3, LexemeKind::keyword);
        lex(at + 3, length - 3, LexemeKind::stray);
    } else {
        lex(at, length, LexemeKind::stray);
    }
    const std::string found = quoted(word, length > word.size());
    if (!block.hasStatement)
        fail(Fault::notStatement, at, length, place, "expected a statement, found " + found, at);
    else
        fail(Fault::notEnd, at, length, place,
             "expected 'END' to close " + blockName(open.size() - 1) + ", found " + found, block.offset);
    // END glued to what follows (END;) still closes its block. Any other
    // word stands where a statement may: reading goes on at the statement
    // after it, and the END after that is not blamed for an empty list.
    if (glued) {
        closeBlock(at);
    } else if (!in->nul()) {
        open.back().hasStatement = true;
        skipToStatement();
    }
    return !stopped && !in->nul();
}

// The END at `keyword` closes the block open last.
void Reader::closeBlock(std::size_t keyword) {
    const std::size_t end = keyword + 3;
    if (open.size() == 1) {
        open.pop_back();
        closingEnd = end;
        closingWord = Span{keyword, end};
        textAfterEnd();
        stopped = true;
        return;
    }
    if (open.back().broken)
        --brokenDepth;
    open.pop_back();
    events.loopEnds(end);
}

// Anything but white space after the closing END is an error.
void Reader::textAfterEnd() {
    if (in->skipBlanks() == noMore)
        return;
    const std::size_t at = in->offset();
    const Place place = in->place();
    std::string word;
    const std::size_t length = in->readWord(word);
    lex(at, length, LexemeKind::stray);
    fail(Fault::textAfterEnd, at, length, place, "unexpected text after the closing END", at);
}

void Reader::inputEnded() {
    const std::size_t at = in->offset();
    const Place place = in->place();
    const std::string what = open.size() == 1 ? "BEGIN at " : "LOOP at ";
    fail(Fault::endInBlock, at, 0, place,
         "unexpected end of input: " + what + placeText(open.back().place) + " is not closed", open.back().offset);
    stopped = true;
}

// loop  = "LOOP" count statementlist "END"
// A LOOP that does not read opens its block all the same, so that its END
// closes it; what is inside it is read but not costed.
void Reader::loop() {
    const std::size_t at = in->offset();
    const Place place = in->place();
    bool broken = false;
    if (in->keyword("LOOP")) {
        lex(at, in->offset() - at, LexemeKind::keyword);
    } else {
        std::string word;
        const std::size_t length = in->readWord(word);
        lex(at, length, LexemeKind::stray);
        fail(Fault::notLoop, at, length, place, "expected 'LOOP', found " + quoted(word, length > word.size()), at);
        broken = true;
    }
    bool tooDeep = false;
    if (open.size() > static_cast<std::size_t>(maxDepth) && brokenDepth == 0 && !broken) {
        fail(Fault::tooDeep, at, 4, place, "loops nested deeper than 1000", at);
        tooDeep = true;
    }
    std::int32_t n = ReadEvents::unknownCount;
    if (!in->nul())
        n = count(place, broken);
    if (n == ReadEvents::unknownCount && !stopped && !in->nul())
        skipToStatement();
    broken = broken || n == ReadEvents::unknownCount;
    broken = broken || tooDeep;
    if (in->nul())
        stopped = true;
    if (stopped)
        return;
    open.push_back(Open{at, place, false, broken});
    if (broken)
        ++brokenDepth;
    events.loopBegins(at, place, broken || brokenDepth > 0 ? ReadEvents::unknownCount : n);
}

// count = "n" | [ "+" | "-" ] digit { digit }
// The number ends at the first byte that cannot continue it ("LOOP 3a ;" is
// a loop of 3 around "a ;"), and must fit in 32 bits; any negative count
// stands for n.
std::int32_t Reader::count(Place loopPlace, bool quiet) {
    int c = in->skipBlanks();
    const std::size_t at = in->offset();
    const Place place = in->place();
    if (c == noMore) {
        fail(Fault::endBeforeCount, at, 0, place,
             "unexpected end of input: expected a loop count after the LOOP at " + placeText(loopPlace), at);
        stopped = true;
        return ReadEvents::unknownCount;
    }
    if (c == 'n') {
        in->skip();
        lex(at, 1, LexemeKind::count);
        return -1;
    }
    std::string word;
    if (quiet) {
        if (digit(c) || c == '+' || c == '-')
            lex(at, in->readWord(word), LexemeKind::stray);
        return ReadEvents::unknownCount;
    }
    if (lower(c)) {
        // a word of letters is a count mistyped; anything more, the loop's
        // first statement
        std::size_t length = in->wordAhead(word);
        if (length == word.size() && std::all_of(word.begin(), word.end(), lower)) {
            length = in->readWord(word);
            lex(at, length, LexemeKind::stray);
        }
        fail(Fault::notCount, at, length, place,
             "expected a loop count ('n' or a whole number), found " + quoted(word, length > word.size()), at);
        return ReadEvents::unknownCount;
    }
    const bool negative = c == '-';
    std::size_t length = 0;
    if (c == '+' || c == '-') {
        word.push_back(static_cast<char>(c));
        in->skip();
        ++length;
        c = in->peek();
    }
    const std::size_t sign = length;
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long value = 0;
    bool tooLarge = false;
    for (; digit(c); c = in->peek()) {
        value = value * 10 + (c - '0');
        if (value > limit) {
            tooLarge = true;
            value = limit;
        }
        if (word.size() <= quotedBytes)
            word.push_back(static_cast<char>(c));
        in->skip();
        ++length;
    }
    if (length > sign)
        lex(at, length, LexemeKind::count);
    if (length > sign && !tooLarge)
        return negative && value > 0 ? -1 : static_cast<std::int32_t>(value);  // every negative count is n
    if (length > sign) {
        fail(Fault::countTooLarge, at, length, place,
             "loop count " + quoted(word, length > word.size()) + " does not fit in 32 bits", at);
        return ReadEvents::unknownCount;
    }
    std::string rest;
    length += in->readWord(rest);
    lex(at, length, LexemeKind::stray);
    word += rest;
    fail(Fault::notCount, at, length, place,
         "expected a loop count ('n' or a whole number), found " + quoted(word, length > word.size()), at);
    return ReadEvents::unknownCount;
}

// expressionstatement = expression ";"
// expression          = term { "+" term }
// term                = variable { "*" variable }
// White space may stand anywhere in it. The library takes any byte of a term
// at an even place as its variable, '*' too ("a * * * b ;" multiplies three),
// and accepts a term of odd length whose odd places are all '*'; that rule
// decides. Where it refuses, the message names the first place from the left
// where a variable and an operator do not alternate.
void Reader::expressionStatement() {
    const std::size_t begin = in->offset();
    const Place beginPlace = in->place();
    Input::Quick quick;
    if (in->quickStatement(quick)) {
        if (lexemes)
            lexStatement(begin, in->offset());
        events.statement(begin, in->offset(), beginPlace, quick.additions, quick.multiplications);
        return;
    }
    int stored = 0;          // characters before ';', white space not counted
    bool wordStart = false;  // white space before the byte at hand
    int additions = 0;
    int multiplications = 0;
    int termLength = 0;   // of the term read now
    bool termOk = true;   // every odd place of it holds '*'
    bool termsOk = true;  // every term so far was whole
    bool expectVariable = true;
    char previous = 0;
    // where variables and operators first fail to alternate
    Fault fault = Fault::missingVariable;
    std::size_t faultAt = 0;
    Place faultPlace{};
    std::string faultMessage;
    const auto noteFault = [&](Fault kind, std::string message) {
        if (!faultMessage.empty())
            return;
        fault = kind;
        faultAt = in->offset();
        faultPlace = in->place();
        faultMessage = std::move(message);
    };
    const auto after = [&] { return previous ? " after " + quoted(std::string(1, previous), false) : std::string(); };
    const auto endTerm = [&] {
        if (termLength % 2 == 0 || !termOk)
            termsOk = false;
        multiplications += termLength / 2;
        termLength = 0;
        termOk = true;
    };
    for (;;) {
        const int c = in->peek();
        if (c == noMore) {
            const std::size_t at = in->offset();
            fail(Fault::endInStatement, at, 0, in->place(),
                 "unexpected end of input: expected ';' to end the statement at " + placeText(beginPlace), begin);
            stopped = true;
            return;
        }
        const Class kind = classOf(c);
        if (kind == blank || kind == newline || kind == carriageReturn) {
            in->consume();
            wordStart = true;
            continue;
        }
        const bool afterBlank = wordStart;
        wordStart = false;
        if (kind == semicolon) {
            if (expectVariable)
                noteFault(Fault::missingVariable, "expected a variable" + after() + ", found ';'");
            lex(in->offset(), 1, LexemeKind::semicolon);
            in->skip();
            break;
        }
        if (kind == other) {
            notInStatement(begin, afterBlank);
            return;
        }
        if (stored == maxStatementLength) {
            skipStatementRest();
            fail(Fault::statementTooLong, begin, in->offset() - begin, beginPlace,
                 "statement longer than 99 characters (white space not counted)", begin);
            return;
        }
        ++stored;
        const bool variable = kind == letter;
        if (variable && !expectVariable)
            noteFault(Fault::missingOperator, "expected '+' or '*' between " + quoted(std::string(1, previous), false) +
                                                  " and " + quoted(std::string(1, static_cast<char>(c)), false));
        else if (!variable && expectVariable)
            noteFault(Fault::missingVariable, "expected a variable" + after() + ", found " +
                                                  quoted(std::string(1, static_cast<char>(c)), false));
        expectVariable = !variable;
        previous = static_cast<char>(c);
        if (kind == plus) {
            endTerm();
            ++additions;
        } else {
            if (termLength % 2 == 1 && kind != star)
                termOk = false;
            ++termLength;
        }
        lex(in->offset(), 1, variable ? LexemeKind::variable : LexemeKind::operation);
        in->skip();
    }
    endTerm();
    const std::size_t end = in->offset();
    if (termsOk)
        events.statement(begin, end, beginPlace, additions, multiplications);
    else
        fail(fault, faultAt, 1, faultPlace, faultMessage, begin);
}

// A byte that no statement holds. An upper-case letter may begin the LOOP or
// END that the statement was cut short by, so reading goes on there; after
// anything else it goes on after the statement's ';'.
void Reader::notInStatement(std::size_t begin, bool wordStart) {
    const int c = in->peek();
    fail(Fault::notInStatement, in->offset(), 1, in->place(),
         "expected a variable, '+', '*' or ';', found " + quoted(std::string(1, static_cast<char>(c)), false), begin);
    if ((c == 'L' || c == 'E') && wordStart)
        return;
    if (c == 0) {
        in->noteNul();
        return;
    }
    lex(in->offset(), 1, LexemeKind::stray);
    in->skip();
    skipStatementRest();
}

// Words that cannot begin a statement, up to one that can.
void Reader::skipToStatement() {
    std::string word;
    for (int c = in->skipBlanks(); c != noMore && !lower(c) && !upper(c); c = in->skipBlanks()) {
        const std::size_t at = in->offset();
        const std::size_t length = in->readWord(word);
        lex(at, length, LexemeKind::stray);
        if (length == 0 || in->nul())
            return;
    }
}

// Up to and past the next ';', or up to a word that begins with an
// upper-case letter (a LOOP or an END), or the end.
void Reader::skipStatementRest() {
    bool wordStart = false;
    for (int c = in->peek(); c != noMore; c = in->peek()) {
        if (c == ';') {
            lex(in->offset(), 1, LexemeKind::semicolon);
            in->skip();
            return;
        }
        if (c == 0) {
            in->noteNul();
            return;
        }
        if (wordStart && upper(c))
            return;
        wordStart = isSpace(c);
        if (lexemes && !wordStart) {
            const Class k = classOf(c);
            lex(in->offset(), 1,
                k == letter              ? LexemeKind::variable
                : k == plus || k == star ? LexemeKind::operation
                                         : LexemeKind::stray);
        }
        in->consume();
    }
}

}  // namespace analysis
