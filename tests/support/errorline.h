#ifndef LOOPCOST_TESTS_SUPPORT_ERRORLINE_H
#define LOOPCOST_TESTS_SUPPORT_ERRORLINE_H

#include <sstream>
#include <streambuf>
#include <string>

namespace testsupport {

// A reader of the library that meets a syntax error writes one line to
// std::cerr before it throws. For as long as this lives, whatever goes to
// std::cerr is kept here instead, so that a test or a fuzz check can hold
// that line to the error, and nothing reaches the terminal by the way.
class ErrorLineCapture {
public:
    ErrorLineCapture();
    ~ErrorLineCapture();
    ErrorLineCapture(const ErrorLineCapture&) = delete;
    ErrorLineCapture& operator=(const ErrorLineCapture&) = delete;

    // Everything written to std::cerr since the capture began.
    std::string text() const { return written.str(); }

private:
    std::ostringstream written;  // declared first: it must exist before the swap
    std::streambuf* saved;       // std::cerr's own buffer
};

}  // namespace testsupport

#endif
