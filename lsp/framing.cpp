#include "loopcost/lsp/framing.h"

#include <algorithm>
#include <cctype>
#include <ostream>

namespace lsp {

namespace {

const std::string_view lengthHeader = "content-length";

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

// A header name is an HTTP token.
bool tokenCharacter(char c) {
    const auto u = static_cast<unsigned char>(c);
    return std::isalnum(u) || std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// Where the next "Content-Length" or "Content-Type" header may begin, at or
// after `from`, whatever its case: the two headers that the protocol knows.
std::size_t findHeader(std::string_view text, std::size_t from) {
    const std::string_view prefix = "content-";
    for (std::size_t i = text.find_first_of("cC", from); i != std::string_view::npos;
         i = text.find_first_of("cC", i + 1)) {
        const std::string_view rest = text.substr(i);
        if (rest.size() < lengthHeader.size())
            return rest.size() < prefix.size() || equalsIgnoringCase(rest.substr(0, prefix.size()), prefix)
                       ? i
                       : std::string_view::npos;  // what may be a header cut by the feed
        if (equalsIgnoringCase(rest.substr(0, lengthHeader.size()), lengthHeader) ||
            equalsIgnoringCase(rest.substr(0, 12), "content-type"))
            return i;
    }
    return std::string_view::npos;
}

}  // namespace

void FrameReader::feed(std::string_view bytes) {
    // what has been read is dropped once it is most of the buffer; the start
    // of a header block being read is kept, to search it again on a fault
    const std::size_t keep = state == State::header && sawHeader ? std::min(block, at) : at;
    if (keep > 0 && keep >= buffer.size() / 2) {
        buffer.erase(0, keep);
        at -= keep;
        block -= std::min(block, keep);
    }
    buffer.append(bytes);
    rejectable = false;
}

void FrameReader::reject() {
    if (!rejectable || !done.empty())
        return;
    rejectable = false;
    // a header inside the body: the length was too long, and ran into the
    // next message; else the body was just not JSON, and reading goes on
    // after it
    const std::size_t found = findHeader(buffer, block + 1);
    if (found < at)
        at = found;
}

bool FrameReader::next(Frame& frame) {
    if (!done.empty()) {
        frame = std::move(done.front());
        done.pop_front();
        return true;
    }
    return step(frame);
}

bool FrameReader::ready() {
    if (!done.empty())
        return true;
    Frame frame;
    if (!step(frame))
        return false;
    done.push_back(std::move(frame));
    return true;
}

bool FrameReader::finish() {
    const bool cut = state == State::body || (state == State::header && sawHeader);
    buffer.clear();
    at = 0;
    state = State::header;
    sawHeader = sawLength = badLength = false;
    otherLength.reset();
    return cut;
}

void FrameReader::fault(Frame& frame, std::string what, std::size_t resumeAt) {
    frame = Frame{Frame::Kind::fault, std::move(what)};
    state = State::resync;
    at = resumeAt;
    sawHeader = sawLength = badLength = false;
    otherLength.reset();
}

void FrameReader::fault(Frame& frame, std::string what) {
    fault(frame, std::move(what), block + 1);  // the block's own start is no way out
}

bool FrameReader::step(Frame& frame) {
    rejectable = false;
    for (;;) {
        switch (state) {
        case State::resync: {
            const std::size_t found = findHeader(buffer, at);
            if (found == std::string::npos) {
                at = buffer.size();
                return false;
            }
            if (buffer.size() - found < lengthHeader.size()) {
                at = found;  // perhaps a header: the rest of it is still to come
                return false;
            }
            at = found;
            state = State::header;
            break;
        }
        case State::body:
            if (buffer.size() - at < length)
                return false;
            frame = Frame{Frame::Kind::message, buffer.substr(at, length)};
            block = at;
            at += length;
            state = State::header;
            rejectable = true;
            return true;
        case State::header:
            switch (readHeaderLine(frame)) {
            case Line::incomplete: return false;
            case Line::fault: return true;
            case Line::read: break;
            }
            break;
        }
    }
}

// Reads one header line if it is complete, or tells a fault in `frame`.
FrameReader::Line FrameReader::readHeaderLine(Frame& frame) {
    const std::size_t newline = buffer.find('\n', at);
    const std::size_t available = (newline == std::string::npos ? buffer.size() : newline) - at;
    const std::string_view partial(buffer.data() + at, available);
    // a line that cannot become a header is a fault at once, not after more
    // bytes that a client waiting for an answer would never send
    const std::size_t colon = partial.find(':');
    const std::string_view name = partial.substr(0, colon);
    const bool blank = trimmed(partial).empty() || partial == "\r";
    if (!sawHeader)
        block = at;
    if (!blank && (colon == 0 || !std::all_of(name.begin(), name.end(), tokenCharacter))) {
        fault(frame, "a header line is not 'Name: value'");
        return Line::fault;
    }
    if (available > maxHeader) {
        fault(frame, "a header line is longer than " + std::to_string(maxHeader) + " bytes");
        return Line::fault;
    }
    if (newline == std::string::npos)
        return Line::incomplete;
    std::string_view line = partial;
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    at = newline + 1;
    if (trimmed(line).empty()) {
        if (!sawHeader)
            return Line::read;  // blank lines between messages
        // a fault of the whole block: reading goes on after it, so that
        // no header inside it starts a message of its own
        if (!sawLength) {
            fault(frame, "a message has no Content-Length header", at);
            return Line::fault;
        }
        if (badLength) {
            fault(frame, "the Content-Length header is not a length up to " + std::to_string(maxBody), at);
            return Line::fault;
        }
        if (otherLength) {
            fault(frame,
                  "two Content-Length headers disagree: " + std::to_string(length) + " and " +
                      std::to_string(*otherLength),
                  at);
            return Line::fault;
        }
        state = State::body;
        sawHeader = sawLength = false;
        return Line::read;
    }
    if (colon == std::string_view::npos) {
        fault(frame, "a header line is not 'Name: value'");
        return Line::fault;
    }
    sawHeader = true;
    if (equalsIgnoringCase(name, lengthHeader)) {
        const std::string_view value = trimmed(line.substr(colon + 1));
        std::size_t n = 0;
        bool good = !value.empty();
        for (const char c : value) {
            if (c < '0' || c > '9' || n > maxBody) {
                good = false;
                break;
            }
            n = n * 10 + static_cast<std::size_t>(c - '0');
        }
        good = good && n <= maxBody;
        badLength = badLength || !good;
        if (!sawLength)
            length = n;
        else if (good && n != length && !otherLength)
            otherLength = n;  // a second header that agrees is taken as the first
        sawLength = true;
    }
    return Line::read;
}

void writeFrame(std::ostream& out, std::string_view body) {
    out << "Content-Length: " << body.size() << "\r\n\r\n";
    out.write(body.data(), static_cast<std::streamsize>(body.size()));
    out.flush();
}

}  // namespace lsp
