#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <iostream>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

#include "loopcost/lsp/framing.h"
#include "loopcost/lsp/languageserver.h"
#include "loopcost/lsp/server.h"

namespace {

// What the stream has now, at least one byte: waits only when it has none.
std::streamsize readSome(std::streambuf& source, std::vector<char>& chunk) {
    if (std::streambuf::traits_type::eq_int_type(source.sgetc(), std::streambuf::traits_type::eof()))
        return 0;
    const std::streamsize available = source.in_avail();
    const auto size = static_cast<std::streamsize>(chunk.size());
    return source.sgetn(chunk.data(), available > 0 ? std::min(available, size) : 1);
}

// Diagnostics are published once the input has been quiet this long, so
// that a burst of changes is analysed once, for its last version, however
// the client writes it; while messages keep coming, no later than
// `longestWait` after the server first found changes unpublished.
const int quietMilliseconds = 4;
const auto longestWait = std::chrono::milliseconds(500);

// Whether input comes within `milliseconds`. Standard input's descriptor is
// polled; another stream (one in memory) has what it has.
bool inputWithin(const std::istream& in, std::streambuf& source, int milliseconds) {
    if (source.in_avail() > 0)
        return true;
    if (&in != &std::cin)
        return false;
    pollfd input{STDIN_FILENO, POLLIN, 0};
    int ready = 0;
    do
        ready = poll(&input, 1, milliseconds);
    while (ready < 0 && errno == EINTR);
    return ready != 0;  // readable, ended or failed: the read tells which
}

// Why a read failed, in the words of the system when it said.
std::string reasonOf(const std::ios_base::failure& failure) {
    const std::error_code& code = failure.code();
    if (code.category() == std::generic_category() || code.category() == std::system_category())
        return code.message();
    return "cannot be read";
}

}  // namespace

int runLanguageServer(std::istream& in, std::ostream& out) { return runLanguageServer(in, out, std::cerr); }

int runLanguageServer(std::istream& in, std::ostream& out, std::ostream& err) {
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);  // a client gone is a failed write, not a killed server
#endif
    lsp::Server server([&out](const nlohmann::json& message) {
        if (out)
            lsp::writeFrame(out, message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
    });
    std::streambuf* source = in.rdbuf();
    if (!source)
        return 1;
    lsp::FrameReader reader;
    std::vector<char> chunk(std::size_t(1) << 16);
    std::optional<std::chrono::steady_clock::time_point> unpublishedSince;
    for (;;) {
        lsp::Frame frame;
        while (!server.exited() && reader.next(frame)) {
            if (frame.kind == lsp::Frame::Kind::fault)
                server.fault(frame.text);
            else if (!server.receive(frame.text))
                reader.reject();
        }
        if (server.exited() || !out)
            break;
        std::streamsize got = 0;
        try {  // a stream that fails to read (a directory, a closed descriptor) throws
            if (source->in_avail() <= 0 && server.unpublished()) {  // about to wait: publish first
                const auto now = std::chrono::steady_clock::now();
                if (!unpublishedSince)
                    unpublishedSince = now;
                if (now - *unpublishedSince >= longestWait || !inputWithin(in, *source, quietMilliseconds)) {
                    server.idle();
                    unpublishedSince.reset();
                }
            }
            got = readSome(*source, chunk);
        } catch (const std::ios_base::failure& e) {
            err << "loopcost: <stdin>: " << reasonOf(e) << '\n';
            return 1;
        }
        if (got <= 0)
            break;
        reader.feed(std::string_view(chunk.data(), static_cast<std::size_t>(got)));
    }
    if (!out) {
        err << "loopcost: cannot write to standard output\n";
        return 1;
    }
    return server.status();
}
