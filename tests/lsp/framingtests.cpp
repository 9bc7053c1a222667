#include <cppunit/extensions/HelperMacros.h>

#include <sstream>
#include <string>
#include <vector>

#include "loopcost/lsp/framing.h"

namespace {

using lsp::Frame;
using lsp::FrameReader;

std::string framed(const std::string& body) {
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// What the reader hands out for `bytes` fed in pieces of `piece` bytes (0:
// all at once): "M:body" for a message, "F" for a fault. A body that is not
// an object (does not start with '{' and end with '}') is rejected, as the
// server rejects what does not parse.
std::vector<std::string> frames(const std::string& bytes, std::size_t piece = 0) {
    FrameReader reader;
    std::vector<std::string> out;
    const std::size_t step = piece == 0 ? bytes.size() : piece;
    for (std::size_t i = 0; i <= bytes.size(); i += step) {
        reader.feed(std::string_view(bytes).substr(i, step));
        Frame frame;
        while (reader.next(frame)) {
            if (frame.kind == Frame::Kind::fault) {
                out.emplace_back("F");
                continue;
            }
            out.push_back("M:" + frame.text);
            const bool object = !frame.text.empty() && frame.text.front() == '{' && frame.text.back() == '}' &&
                                frame.text.find('{', 1) == std::string::npos;
            if (!object)
                reader.reject();
        }
        if (step == 0)
            break;
    }
    return out;
}

std::vector<std::string> list(std::initializer_list<const char*> items) { return {items.begin(), items.end()}; }

}  // namespace

class FramingTests : public CppUnit::TestFixture {
    CPPUNIT_TEST_SUITE(FramingTests);
    CPPUNIT_TEST(oneMessage);
    CPPUNIT_TEST(splitAnywhere);
    CPPUNIT_TEST(mergedMessages);
    CPPUNIT_TEST(headersAnyCaseAndOtherHeaders);
    CPPUNIT_TEST(bareLineFeeds);
    CPPUNIT_TEST(blankLinesBetweenMessages);
    CPPUNIT_TEST(missingHeader);
    CPPUNIT_TEST(missingContentLength);
    CPPUNIT_TEST(badContentLength);
    CPPUNIT_TEST(twoContentLengths);
    CPPUNIT_TEST(tooShortLength);
    CPPUNIT_TEST(tooLongLength);
    CPPUNIT_TEST(tooLongLengthWaits);
    CPPUNIT_TEST(longHeaderLine);
    CPPUNIT_TEST(emptyBody);
    CPPUNIT_TEST(garbageThenMessage);
    CPPUNIT_TEST(finishTellsCutMessage);
    CPPUNIT_TEST(writesFrames);
    CPPUNIT_TEST_SUITE_END();

public:
    void oneMessage() { CPPUNIT_ASSERT(frames(framed("{\"a\":1}")) == list({"M:{\"a\":1}"})); }

    void splitAnywhere() {
        const std::string bytes = framed("{\"a\":1}") + framed("{\"b\":2}");
        for (std::size_t piece = 1; piece < 12; ++piece)
            CPPUNIT_ASSERT(frames(bytes, piece) == list({"M:{\"a\":1}", "M:{\"b\":2}"}));
    }

    void mergedMessages() {
        std::string bytes;
        for (int i = 0; i < 100; ++i)
            bytes += framed("{\"i\":" + std::to_string(i) + "}");
        const std::vector<std::string> got = frames(bytes);
        CPPUNIT_ASSERT_EQUAL(std::size_t(100), got.size());
        CPPUNIT_ASSERT_EQUAL(std::string("M:{\"i\":99}"), got.back());
    }

    void headersAnyCaseAndOtherHeaders() {
        const std::string bytes = "content-type: application/vscode-jsonrpc; charset=utf-8\r\n"
                                  "CONTENT-LENGTH:7\r\n\r\n{\"a\":1}";
        CPPUNIT_ASSERT(frames(bytes) == list({"M:{\"a\":1}"}));
    }

    void bareLineFeeds() { CPPUNIT_ASSERT(frames("Content-Length: 7\n\n{\"a\":1}") == list({"M:{\"a\":1}"})); }

    void blankLinesBetweenMessages() {
        CPPUNIT_ASSERT(frames("\r\n\r\n" + framed("{\"a\":1}") + "\r\n" + framed("{}")) ==
                       list({"M:{\"a\":1}", "M:{}"}));
    }

    // A body sent without headers is a fault at its first byte, whether or
    // not a line end follows; the next message is read.
    void missingHeader() {
        CPPUNIT_ASSERT(frames("{\"a\":1}") == list({"F"}));
        CPPUNIT_ASSERT(frames("{\"a\":1}" + framed("{}")) == list({"F", "M:{}"}));
        CPPUNIT_ASSERT(frames("{\"a\":1}\r\n" + framed("{}"), 1) == list({"F", "M:{}"}));
        // the search for the next message stops at either header of the protocol
        CPPUNIT_ASSERT(frames("{\"a\":1}Content-Type: x\r\n\r\n{}" + framed("{}"), 5) == list({"F", "F", "M:{}"}));
    }

    void missingContentLength() {
        CPPUNIT_ASSERT(frames("Content-Type: x\r\n\r\n{\"a\":1}" + framed("{}")) == list({"F", "M:{}"}));
    }

    void badContentLength() {
        CPPUNIT_ASSERT(frames("Content-Length: seven\r\n\r\n{\"a\":1}" + framed("{}")) == list({"F", "M:{}"}));
        CPPUNIT_ASSERT(frames("Content-Length: -7\r\n\r\n{\"a\":1}" + framed("{}")) == list({"F", "M:{}"}));
        CPPUNIT_ASSERT(frames("Content-Length: 99999999999999999999999\r\n\r\n{}" + framed("{}")) ==
                       list({"F", "M:{}"}));
    }

    // Two Content-Length headers: one message when they agree; when they do
    // not, one fault and the message dropped, not read from the second.
    void twoContentLengths() {
        const std::string next = framed("{\"b\":2}");
        struct Case {
            const char* headers;
            std::vector<std::string> expected;
        };
        const std::vector<Case> cases = {
            {"Content-Length: 7\r\nContent-Length: 7\r\n", {"M:{\"a\":1}", "M:{\"b\":2}"}},
            {"Content-Length: 7\r\ncontent-length:007\r\n", {"M:{\"a\":1}", "M:{\"b\":2}"}},
            {"Content-Length: 7\r\nContent-Type: x\r\nContent-Length: 7\r\n", {"M:{\"a\":1}", "M:{\"b\":2}"}},
            {"Content-Length: 9\r\nContent-Length: 7\r\n", {"F", "M:{\"b\":2}"}},
            {"Content-Length: 7\r\nContent-Length: 9\r\n", {"F", "M:{\"b\":2}"}},
            {"Content-Length: 7\r\nContent-Length: 7\r\nContent-Length: 2\r\n", {"F", "M:{\"b\":2}"}},
            {"Content-Length: x\r\nContent-Length: 7\r\n", {"F", "M:{\"b\":2}"}},
            {"Content-Length: 7\r\nContent-Length: x\r\n", {"F", "M:{\"b\":2}"}},
            // no length, and a header of the protocol inside the block: one fault
            {"X-Other: 1\r\nContent-Type: x\r\n", {"F", "M:{\"b\":2}"}},
        };
        for (const Case& c : cases)
            for (std::size_t piece : {0, 1, 5}) {
                const std::string bytes = std::string(c.headers) + "\r\n{\"a\":1}" + next;
                CPPUNIT_ASSERT_MESSAGE(c.headers, frames(bytes, piece) == c.expected);
            }
        FrameReader reader;
        reader.feed("Content-Length: 9\r\nContent-Length: 7\r\n\r\n{\"a\":1}");
        Frame frame;
        CPPUNIT_ASSERT(reader.next(frame));
        CPPUNIT_ASSERT_EQUAL(std::string("two Content-Length headers disagree: 9 and 7"), frame.text);
        CPPUNIT_ASSERT(!reader.next(frame));
    }

    // The body cut short does not parse, and its rest is no header: two
    // faults, then the next message is read.
    void tooShortLength() {
        CPPUNIT_ASSERT(frames("Content-Length: 4\r\n\r\n{\"a\":1}" + framed("{\"b\":2}")) ==
                       list({"M:{\"a\"", "F", "M:{\"b\":2}"}));
        CPPUNIT_ASSERT(frames("Content-Length: 4\r\n\r\n{\"a\":1}" + framed("{\"b\":2}"), 3) ==
                       list({"M:{\"a\"", "F", "M:{\"b\":2}"}));
        // a body that is no JSON at all, of the right length: the next message follows
        CPPUNIT_ASSERT(frames(framed("nonsense") + "{" + framed("{}")) == list({"M:nonsense", "F", "M:{}"}));
    }

    // The body runs into the next message, which is found inside it.
    void tooLongLength() {
        const std::string next = framed("{\"b\":2}");
        const std::string bytes = "Content-Length: 20\r\n\r\n{\"a\":1}" + next + framed("{\"c\":3}");
        const std::vector<std::string> got = frames(bytes);
        CPPUNIT_ASSERT_EQUAL(std::size_t(3), got.size());
        CPPUNIT_ASSERT_EQUAL(std::string("M:{\"b\":2}"), got[1]);
        CPPUNIT_ASSERT_EQUAL(std::string("M:{\"c\":3}"), got[2]);
    }

    void tooLongLengthWaits() { CPPUNIT_ASSERT(frames("Content-Length: 20\r\n\r\n{\"a\":1}").empty()); }

    void longHeaderLine() {
        const std::string bytes = "X-Long: " + std::string(FrameReader::maxHeader + 10, 'x') + "\r\n";
        CPPUNIT_ASSERT(frames(bytes + "\r\n" + framed("{}")) == list({"F", "M:{}"}));
        CPPUNIT_ASSERT(frames(bytes + "\r\n" + framed("{}"), 100) == list({"F", "M:{}"}));
    }

    void emptyBody() { CPPUNIT_ASSERT(frames("Content-Length: 0\r\n\r\n" + framed("{}")) == list({"M:", "M:{}"})); }

    void garbageThenMessage() {
        CPPUNIT_ASSERT(frames(std::string("\x01\xff garbage\r\n\r\n", 14) + framed("{}")) == list({"F", "M:{}"}));
        CPPUNIT_ASSERT(frames(":\r\n" + framed("{}")) == list({"F", "M:{}"}));
    }

    void finishTellsCutMessage() {
        FrameReader reader;
        reader.feed("Content-Length: 10\r\n\r\n{\"a\"");
        Frame frame;
        CPPUNIT_ASSERT(!reader.next(frame));
        CPPUNIT_ASSERT(reader.finish());
        reader.feed(framed("{}"));
        CPPUNIT_ASSERT(reader.next(frame));
        CPPUNIT_ASSERT_EQUAL(std::string("{}"), frame.text);
        CPPUNIT_ASSERT(!reader.finish());
    }

    void writesFrames() {
        std::ostringstream out;
        lsp::writeFrame(out, "{\"a\":1}");
        CPPUNIT_ASSERT_EQUAL(std::string("Content-Length: 7\r\n\r\n{\"a\":1}"), out.str());
    }
};

CPPUNIT_TEST_SUITE_REGISTRATION(FramingTests);
