#include "loopcost/model/scanner.h"

#include "loopcost/model/syntaxerror.h"

namespace {

// What a stream that cannot be read offers: nothing, from anywhere.
class NothingToRead : public std::streambuf {};

std::streambuf* readable(std::istream& in) {
    static NothingToRead nothing;
    return in.good() ? in.rdbuf() : &nothing;
}

}  // namespace

Scanner::Scanner(std::istream& in)
    : in(in),
      buf(readable(in)),
      ctype(std::use_facet<std::ctype<char>>(in.getloc())),
      start(buf->pubseekoff(0, std::ios_base::cur, std::ios_base::in)) {}

bool Scanner::endsWord(int c) const {
    return c == std::char_traits<char>::eof() || ctype.is(std::ctype_base::space, static_cast<char>(c));
}

// The keyword is matched as it is read; only a word that is not the keyword
// is gathered, for the message.
std::streamoff Scanner::expectKeyword(const char* keyword, const char* who) {
    int c = peek();
    if (c == std::char_traits<char>::eof())
        unexpectedEnd(who);
    const std::streamoff at = offset();
    const char* k = keyword;
    for (; *k != '\0' && c == static_cast<unsigned char>(*k); c = peekRaw()) {
        skip();
        ++k;
    }
    if (*k == '\0' && endsWord(c))
        return at;
    std::string word(keyword, k);
    for (; !endsWord(c); c = peekRaw()) {
        word.push_back(static_cast<char>(c));
        skip();
    }
    reportSyntaxError(std::string(who) + ": input syntax error at '" + word + "'", at);
}

void Scanner::unexpectedEnd(const char* who) {
    reportSyntaxError(std::string(who) + ": input syntax error: unexpected end of input", offset());
}

// Formatted extraction leaves eofbit behind when it meets the end; so do we,
// but never a failbit for a read that succeeded.
void Scanner::markEnd() {
    if (!in.eof())
        in.setstate(std::ios_base::eofbit);
}
