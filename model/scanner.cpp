#include "scanner.h"

#include "syntaxerror.h"

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

bool Scanner::readWord(std::string& word) {
    int c = peek();
    if (c == std::char_traits<char>::eof())
        return false;
    word.clear();
    do {
        word.push_back(static_cast<char>(c));
        skip();
        c = buf->sgetc();
    } while (c != std::char_traits<char>::eof() && !ctype.is(std::ctype_base::space, static_cast<char>(c)));
    if (c == std::char_traits<char>::eof())
        markEnd();
    return true;
}

std::streamoff Scanner::expectKeyword(const char* keyword, const char* who) {
    std::string word;
    if (!readWord(word))
        unexpectedEnd(who);
    std::streamoff at = offset() < 0 ? -1 : offset() - static_cast<std::streamoff>(word.size());
    if (word != keyword)
        reportSyntaxError(std::string(who) + ": input syntax error at '" + word + "'", at);
    return at;
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
