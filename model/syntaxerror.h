#ifndef LOOPCOST_SYNTAXERROR_H
#define LOOPCOST_SYNTAXERROR_H

#include <ios>
#include <stdexcept>
#include <string>

// Thrown by a reading constructor that cannot build its node. The whole parse
// is abandoned; every node built so far has been freed. what() is the line the
// reader wrote to std::cerr, without its line end.
class SyntaxError : public std::runtime_error {
public:
    SyntaxError(const std::string& message, std::streamoff offset);

    // Stream position of the first character of the offending token, the end
    // of input when input ran out, or -1 where the stream cannot tell.
    std::streamoff offset() const { return where; }

private:
    std::streamoff where;
};

// Writes the one error line to std::cerr and throws SyntaxError.
[[noreturn]] void reportSyntaxError(const std::string& message, std::streamoff offset);

#endif
