#ifndef LOOPCOST_CLI_SOURCE_H
#define LOOPCOST_CLI_SOURCE_H

#include <cstddef>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "loopcost/analysis/reader.h"

// Opening or reading an input failed; what() is the system's reason.
class SourceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Gives back the memory of a program's text, which comes from the allocator
// for large arrays.
struct TextRelease {
    std::size_t capacity = 0;
    void operator()(char* block) const noexcept;
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
    std::string_view text() const { return std::string_view(bytes.get(), size); }

    using Bytes = std::unique_ptr<char[], TextRelease>;

private:
    std::string displayName;
    Bytes bytes;
    std::size_t size = 0;
};

// A program's input read a block at a time, for the runs that need only the
// total: memory does not grow with the input.
class FileBytes : public analysis::ByteSource {
public:
    // Throws SourceError with the reason when `path` cannot be opened.
    explicit FileBytes(const std::string& path);
    ~FileBytes() override;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    // Throws SourceError with the reason when reading fails.
    std::size_t read(char* into, std::size_t capacity) override;

private:
    int fd;
    bool owned;
};

#endif
