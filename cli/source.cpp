#include "source.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <locale>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using traits = std::char_traits<char>;

[[noreturn]] void fail(int error) { throw SourceError(std::strerror(error)); }

ssize_t readSome(int fd, char* into, std::size_t size) {
    ssize_t n;
    do
        n = ::read(fd, into, size);
    while (n < 0 && errno == EINTR);
    return n;
}

// Reads a seekable descriptor through a fixed buffer: a file of any size
// costs the same small amount of memory.
class DescriptorBuffer : public InputBuffer {
public:
    explicit DescriptorBuffer(int fd) : fd(fd), origin(::lseek(fd, 0, SEEK_CUR)) { setg(data, data, data); }

    int readError() const override { return error; }

protected:
    int_type underflow() override {
        if (gptr() < egptr())
            return traits::to_int_type(*gptr());
        base += egptr() - eback();
        ssize_t n = readSome(fd, data, sizeof data);
        if (n < 0) {
            error = errno;
            n = 0;
        }
        setg(data, data, data + n);
        return n == 0 ? traits::eof() : traits::to_int_type(*gptr());
    }

    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode which) override {
        if (dir == std::ios_base::cur)
            return seekpos(base + (gptr() - eback()) + off, which);
        if (dir == std::ios_base::beg)
            return seekpos(off, which);
        return pos_type(off_type(-1));
    }

    pos_type seekpos(pos_type pos, std::ios_base::openmode which) override {
        if (!(which & std::ios_base::in) || pos < 0)
            return pos_type(off_type(-1));
        const std::streamoff at = pos;
        if (at >= base && at <= base + (egptr() - eback())) {  // still in the buffer: no system call
            setg(eback(), eback() + (at - base), egptr());
            return pos;
        }
        if (::lseek(fd, origin + at, SEEK_SET) < 0)
            return pos_type(off_type(-1));
        base = at;
        setg(data, data, data);
        return pos;
    }

private:
    int fd;
    off_t origin;             // descriptor offset where reading began
    std::streamoff base = 0;  // position of eback()
    int error = 0;
    char data[1 << 16];
};

// All of an input that cannot seek, held in memory in blocks of a fixed size,
// so that reading it never holds it twice, as growing one array would.
class MemoryBuffer : public InputBuffer {
public:
    explicit MemoryBuffer(int fd) {
        for (;;) {
            if (blocks.empty() || used == blockSize) {
                blocks.emplace_back(new char[blockSize]);
                used = 0;
            }
            ssize_t n = readSome(fd, blocks.back().get() + used, blockSize - used);
            if (n < 0)
                fail(errno);
            if (n == 0)
                break;
            used += static_cast<std::size_t>(n);
            size += n;
        }
        showBlockOf(0);
    }

protected:
    int_type underflow() override {
        if (gptr() < egptr())
            return traits::to_int_type(*gptr());
        std::streamoff next = position();
        return seekpos(next, std::ios_base::in) == pos_type(next) && gptr() < egptr() ? traits::to_int_type(*gptr())
                                                                                      : traits::eof();
    }

    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode which) override {
        if (dir == std::ios_base::cur)
            return seekpos(position() + off, which);
        if (dir == std::ios_base::beg)
            return seekpos(off, which);
        return seekpos(size + off, which);
    }

    pos_type seekpos(pos_type pos, std::ios_base::openmode which) override {
        const std::streamoff at = pos;
        if (!(which & std::ios_base::in) || at < 0 || at > size)
            return pos_type(off_type(-1));
        showBlockOf(at);
        return pos;
    }

private:
    static const std::size_t blockSize = 1 << 20;

    static constexpr std::streamoff blockBytes = blockSize;

    std::streamoff position() const { return static_cast<std::streamoff>(block) * blockBytes + (gptr() - eback()); }

    // The get area is the whole block that holds `at`; reading leaves a block
    // that holds the end.
    void showBlockOf(std::streamoff at) {
        block = static_cast<std::size_t>(at / blockBytes);
        char* begin = blocks[block].get();
        const std::streamoff blockStart = static_cast<std::streamoff>(block) * blockBytes;
        const std::streamoff length = std::min<std::streamoff>(blockBytes, size - blockStart);
        setg(begin, begin + (at - blockStart), begin + length);
    }

    std::vector<std::unique_ptr<char[]>> blocks;
    std::size_t used = 0;     // bytes of the last block filled while reading
    std::streamoff size = 0;  // bytes in all
    std::size_t block = 0;    // the block of the get area
};

std::unique_ptr<InputBuffer> bufferFor(int fd) {
    struct stat status;
    if (::fstat(fd, &status) < 0)
        fail(errno);
    if (S_ISDIR(status.st_mode))
        fail(EISDIR);
    if (S_ISREG(status.st_mode))
        return std::unique_ptr<InputBuffer>(new DescriptorBuffer(fd));
    return std::unique_ptr<InputBuffer>(new MemoryBuffer(fd));
}

}  // namespace

Source::Source(const std::string& path) : displayName(path == "-" ? "<stdin>" : path), in(nullptr) {
    int from = STDIN_FILENO;
    if (path != "-") {
        do
            fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        while (fd < 0 && errno == EINTR);
        if (fd < 0)
            fail(errno);
        from = fd;
    }
    try {
        buffer = bufferFor(from);
    } catch (...) {
        if (fd >= 0)
            ::close(fd);
        throw;
    }
    in.rdbuf(buffer.get());
}

Source::~Source() {
    if (fd >= 0)
        ::close(fd);
}

std::streamoff Source::offsetOfTrailingText() {
    const std::ctype<char>& ctype = std::use_facet<std::ctype<char>>(in.getloc());
    int c;
    while ((c = buffer->sgetc()) != traits::eof() && ctype.is(std::ctype_base::space, static_cast<char>(c)))
        buffer->sbumpc();
    if (c == traits::eof())
        return -1;
    return buffer->pubseekoff(0, std::ios_base::cur, std::ios_base::in);
}

// Reads the input again from its start: once up to the offset to count lines,
// a little further to learn whether the whole line can be shown, then the
// shown part itself.
Excerpt Source::excerpt(std::streamoff offset, std::size_t maxShown) {
    Excerpt where{1, 1, std::string(), 0, false, false};
    if (buffer->pubseekpos(0, std::ios_base::in) != std::streampos(0))
        return where;
    std::streamoff pos = 0;
    std::streamoff lineStart = 0;
    int c;
    while (pos < offset && (c = buffer->sbumpc()) != traits::eof()) {
        ++pos;
        if (c == '\n') {
            ++where.line;
            lineStart = pos;
        }
    }
    offset = pos;  // an offset past the end (the file shrank) stands at the end
    where.column = offset - lineStart + 1;

    const std::streamoff limit = static_cast<std::streamoff>(maxShown);
    std::streamoff lineEnd = offset;
    while (lineEnd - lineStart <= limit && (c = buffer->sbumpc()) != traits::eof() && c != '\n')
        ++lineEnd;
    std::streamoff from = lineStart;
    if (lineEnd - lineStart > limit)  // keep some of what leads up to the offset
        from = std::max(lineStart, offset - limit * 3 / 5);
    where.cutBefore = from > lineStart;

    buffer->pubseekpos(from, std::ios_base::in);
    while (where.text.size() < maxShown && (c = buffer->sbumpc()) != traits::eof() && c != '\n')
        where.text.push_back(static_cast<char>(c));
    if (where.text.size() == maxShown) {
        c = buffer->sgetc();
        where.cutAfter = c != traits::eof() && c != '\n';
    }
    where.caret = static_cast<std::size_t>(offset - from);
    return where;
}
