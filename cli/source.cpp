#include "loopcost/cli/source.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "loopcost/model/largememory.h"

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

int openForReading(const std::string& path) {
    int fd;
    do
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        fail(errno);
    return fd;
}

// What an input is; a directory is no input, though open() takes it.
struct stat readableStatus(int fd) {
    struct stat status;
    if (::fstat(fd, &status) < 0)
        fail(errno);
    if (S_ISDIR(status.st_mode))
        fail(EISDIR);
    return status;
}

Source::Bytes allocate(std::size_t capacity) {
    return Source::Bytes(static_cast<char*>(largememory::allocate(capacity)), TextRelease{capacity});
}

// Reads to the end into `bytes`, of which `size` are used; a regular file's
// size is only a first guess, since the file may grow or shrink while it is
// read. Nothing is cleared that read() fills anyway.
void readAll(int fd, Source::Bytes& bytes, std::size_t& size) {
    const struct stat status = readableStatus(fd);
    const bool sized = S_ISREG(status.st_mode) && status.st_size > 0;
    bytes = allocate(sized ? static_cast<std::size_t>(status.st_size) : std::size_t(1) << 16);
    size = 0;
    // No text that holds a NUL is a program, and an endless input (a device)
    // may hold nothing else: reading stops a little after the first one,
    // once the line that a diagnostic shows around it is in.
    std::size_t stopAt = SIZE_MAX;
    while (size < stopAt) {
        const std::size_t capacity = bytes.get_deleter().capacity;
        char probe;  // whether a full buffer has seen the end, without a larger one
        const bool full = size == capacity;
        const ssize_t n = full ? readSome(fd, &probe, 1) : readSome(fd, bytes.get() + size, capacity - size);
        if (n < 0)
            fail(errno);
        if (n == 0)
            break;
        if (full) {
            Source::Bytes larger = allocate(capacity * 2);
            std::memcpy(larger.get(), bytes.get(), size);
            bytes = std::move(larger);
            bytes[size] = probe;
        }
        const char* nul = static_cast<const char*>(std::memchr(bytes.get() + size, '\0', static_cast<std::size_t>(n)));
        if (nul && stopAt == SIZE_MAX)
            stopAt = static_cast<std::size_t>(nul - bytes.get()) + analysis::Excerpt::reach + 1;
        size += static_cast<std::size_t>(n);
    }
    size = std::min(size, stopAt);
}

}  // namespace

FileBytes::FileBytes(const std::string& path)
    : fd(path == "-" ? STDIN_FILENO : openForReading(path)), owned(path != "-") {
    try {
        readableStatus(fd);
    } catch (const SourceError&) {
        if (owned)
            ::close(fd);
        throw;
    }
}

FileBytes::~FileBytes() {
    if (owned)
        ::close(fd);
}

std::size_t FileBytes::read(char* into, std::size_t capacity) {
    const ssize_t n = readSome(fd, into, capacity);
    if (n < 0)
        fail(errno);
    return static_cast<std::size_t>(n);
}

Source::Source(const std::string& path) : displayName(path == "-" ? "<stdin>" : path) {
    const bool standardInput = path == "-";
    const int fd = standardInput ? STDIN_FILENO : openForReading(path);
    const Descriptor closing(standardInput ? -1 : fd);
    readAll(fd, bytes, size);
}

void TextRelease::operator()(char* block) const noexcept { largememory::release(block, capacity); }
