#ifndef LOOPCOST_CLI_OUTPUTBUFFER_H
#define LOOPCOST_CLI_OUTPUTBUFFER_H

#include <ostream>
#include <string>

// Output of one line or piece per statement, for programs of millions of
// statements: pieces are put together in a string, which goes to the stream
// in large writes instead of one formatted insertion each.
class OutputBuffer {
public:
    explicit OutputBuffer(std::ostream& out) : out(out) { bytes.reserve(flushAt + flushAt / 4); }
    ~OutputBuffer() { flush(); }
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;

    // Where the pieces go; append to it, then call flushIfFull now and then.
    std::string& text() { return bytes; }
    void flushIfFull() {
        if (bytes.size() >= flushAt)
            flush();
    }
    void flush() {
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        bytes.clear();
    }

private:
    static const std::size_t flushAt = 1 << 16;

    std::ostream& out;
    std::string bytes;
};

#endif
