#ifndef LOOPCOST_ANALYSIS_ERRORLINE_H
#define LOOPCOST_ANALYSIS_ERRORLINE_H

#include <sstream>
#include <streambuf>
#include <string>

namespace analysis {

// A reader that meets a syntax error writes one line to std::cerr before it
// throws. For as long as this lives, that line is kept here instead, so that
// a front-end shows its own words and nothing reaches a terminal or a
// protocol stream by the way.
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

}  // namespace analysis

#endif
