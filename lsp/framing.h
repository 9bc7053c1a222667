#ifndef LOOPCOST_LSP_FRAMING_H
#define LOOPCOST_LSP_FRAMING_H

#include <cstddef>
#include <deque>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

namespace lsp {

// What the reader found in the byte stream: a message body, or a fault of
// the framing that the sender should hear of.
struct Frame {
    enum class Kind { message, fault };
    Kind kind = Kind::message;
    std::string text;  // the body of a message; what was wrong for a fault
};

// Splits a byte stream into JSON-RPC messages with the base protocol's
// framing: header lines "Name: value" ended by CRLF (a bare LF is taken
// too), an empty line, then exactly Content-Length bytes of body. Header
// names are read without regard to case; headers other than Content-Length
// are ignored, Content-Type included. Blank lines between messages are
// skipped.
//
// A header block that cannot be read is one fault: a line that is not a
// header (a JSON body sent without headers, say: told at its first byte,
// without waiting for a line end that may never come), or a header line
// longer than `maxHeader`; no Content-Length, a length that is not a number
// or is larger than `maxBody`, or two Content-Length headers that disagree
// (two that agree are one). The reader then looks for the next
// "Content-Length" or "Content-Type" (the protocol's two headers) and goes
// on from there, dropping the bytes before it: after the start of a block
// with a bad line, after the end of one whose lengths are at fault (its
// message is dropped, not read from a header inside the block).
//
// A wrong length shows in the body, which the caller parses: a body cut
// short, or one that ran into the next message, does not parse. The caller
// then calls reject(), and the reader looks for a header inside the rejected
// body: one found there is where the next message began (the length was too
// long). Else reading goes on after the body, where the rest of a body cut
// short is a fault of its own. Either way the messages after it are read. A
// length longer than what the client sends before it waits for an answer
// cannot be told from a slow client: the reader waits for the bytes.
//
// Bytes go in with feed(); next() hands out what is complete, in order.
class FrameReader {
public:
    static constexpr std::size_t maxHeader = 8192;
    static constexpr std::size_t maxBody = std::size_t(256) << 20;

    void feed(std::string_view bytes);
    // The frame that is complete, if any; false when more bytes are needed.
    bool next(Frame& frame);
    // Whether next() would hand out a frame now.
    bool ready();
    // The body last handed out did not parse: look for a message in it.
    void reject();
    // The stream ended: a message cut short is dropped. True when bytes of
    // one were waiting.
    bool finish();

private:
    enum class State { header, body, resync };
    enum class Line { incomplete, read, fault };

    bool step(Frame& frame);
    Line readHeaderLine(Frame& frame);
    void fault(Frame& frame, std::string what);
    void fault(Frame& frame, std::string what, std::size_t resumeAt);

    std::string buffer;
    std::size_t at = 0;     // what of buffer has been read
    std::size_t block = 0;  // where the header block being read, or the last body, began
    State state = State::header;
    bool sawLength = false;
    bool sawHeader = false;
    bool badLength = false;
    bool rejectable = false;  // the last frame was a body, and nothing was read since
    std::size_t length = 0;
    std::optional<std::size_t> otherLength;  // of a second Content-Length header that disagrees
    std::deque<Frame> done;                  // frames found by ready() and not yet taken
};

// One message, framed.
void writeFrame(std::ostream& out, std::string_view body);

}  // namespace lsp

#endif
