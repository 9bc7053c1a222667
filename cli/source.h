#ifndef LOOPCOST_CLI_SOURCE_H
#define LOOPCOST_CLI_SOURCE_H

#include <istream>
#include <memory>
#include <stdexcept>
#include <streambuf>
#include <string>

// An input buffer whose positions count bytes from where reading began, so
// that a reader's offsets can be turned into lines and columns afterwards.
class InputBuffer : public std::streambuf {
public:
    // errno of a failed read, 0 when every read succeeded
    virtual int readError() const { return 0; }
};

// Opening or reading an input failed; what() is the system's reason.
class SourceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where an offset lies, with the part of its line worth showing.
struct Excerpt {
    long long line;     // 1-based
    long long column;   // 1-based, in bytes
    std::string text;   // the shown part of the line, without its line end
    std::size_t caret;  // index in `text` of the byte at the offset
    bool cutBefore;     // the line goes on left of `text`
    bool cutAfter;      // the line goes on right of `text`
};

// A program's input: a file, or standard input for "-". Regular files are
// read in place through a small buffer; anything that cannot seek (a pipe, a
// terminal) is read into memory first, so that a diagnostic can always go back
// and show the line it is about.
class Source {
public:
    // Throws SourceError with the reason when `path` cannot be read.
    explicit Source(const std::string& path);
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;
    ~Source();

    std::istream& stream() { return in; }
    // The name used in messages: the path, or "<stdin>" for "-".
    const std::string& name() const { return displayName; }
    int readError() const { return buffer->readError(); }

    // Skips white space behind what has been read; the offset of the next
    // byte, or -1 when only white space is left.
    std::streamoff offsetOfTrailingText();

    // The line and column of `offset` and the bytes around it on its line;
    // at most `maxShown` bytes of a longer line.
    Excerpt excerpt(std::streamoff offset, std::size_t maxShown);

private:
    std::string displayName;
    int fd = -1;  // owned descriptor of a named file
    std::unique_ptr<InputBuffer> buffer;
    std::istream in;
};

#endif
