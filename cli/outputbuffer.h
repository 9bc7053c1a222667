#ifndef LOOPCOST_CLI_OUTPUTBUFFER_H
#define LOOPCOST_CLI_OUTPUTBUFFER_H

#include <algorithm>
#include <ostream>
#include <string>

// Output of one line or piece per statement, for programs of millions of
// statements: pieces are written in place into a buffer, which goes to the
// stream in large writes instead of one formatted insertion each.
class OutputBuffer {
public:
    explicit OutputBuffer(std::ostream& out) : out(out), bytes(flushAt + room, '\0') {}
    ~OutputBuffer() { flush(); }
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;

    // Room for `count` bytes, to be written in place and then passed to
    // done() by where they end; a piece larger than the room makes it grow.
    char* at(std::size_t count) {
        if (used + count > bytes.size())
            bytes.resize(std::max(bytes.size() * 2, used + count));
        return &bytes[used];
    }
    void done(const char* end) { used = static_cast<std::size_t>(end - bytes.data()); }
    void append(const char* from, std::size_t count) { done(std::copy_n(from, count, at(count))); }

    // Call now and then, between pieces.
    void flushIfFull() {
        if (used >= flushAt)
            flush();
    }
    void flush() {
        out.write(bytes.data(), static_cast<std::streamsize>(used));
        used = 0;
    }

private:
    static const std::size_t flushAt = 1 << 16;
    static const std::size_t room = 1 << 12;  // what a piece may take without the buffer growing

    std::ostream& out;
    std::string bytes;  // the first `used` bytes are waiting to go out
    std::size_t used = 0;
};

#endif
