#include "source.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void fail(int error) { throw SourceError(std::strerror(error)); }

// Closes the descriptor of a named file however reading ends.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd(fd) {}
    ~Descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

private:
    int fd;
};

ssize_t readSome(int fd, char* into, std::size_t size) {
    ssize_t n;
    do
        n = ::read(fd, into, size);
    while (n < 0 && errno == EINTR);
    return n;
}

// Reads to the end; a regular file's size is only a first guess, since the
// file may grow or shrink while it is read.
std::string readAll(int fd) {
    struct stat status;
    if (::fstat(fd, &status) < 0)
        fail(errno);
    if (S_ISDIR(status.st_mode))
        fail(EISDIR);
    std::string text;
    std::size_t used = 0;
    text.resize(S_ISREG(status.st_mode) && status.st_size > 0 ? static_cast<std::size_t>(status.st_size) + 1 : 1 << 16);
    for (;;) {
        if (used == text.size())
            text.resize(text.size() * 2);
        const ssize_t n = readSome(fd, &text[used], text.size() - used);
        if (n < 0)
            fail(errno);
        if (n == 0)
            break;
        used += static_cast<std::size_t>(n);
    }
    text.resize(used);
    return text;
}

}  // namespace

Source::Source(const std::string& path) : displayName(path == "-" ? "<stdin>" : path) {
    if (path == "-") {
        bytes = readAll(STDIN_FILENO);
        return;
    }
    int fd;
    do
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        fail(errno);
    const Descriptor closing(fd);
    bytes = readAll(fd);
}
