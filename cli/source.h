#ifndef LOOPCOST_CLI_SOURCE_H
#define LOOPCOST_CLI_SOURCE_H

#include <stdexcept>
#include <string>

// Opening or reading an input failed; what() is the system's reason.
class SourceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A program's input, a file or standard input for "-", read whole: the
// analysis works on the text in memory, and a diagnostic or an annotated
// listing shows the user's own lines from it.
class Source {
public:
    // Throws SourceError with the reason when `path` cannot be read.
    explicit Source(const std::string& path);

    // The name used in messages: the path, or "<stdin>" for "-".
    const std::string& name() const { return displayName; }
    const std::string& text() const { return bytes; }

private:
    std::string displayName;
    std::string bytes;
};

#endif
