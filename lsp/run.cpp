#include <algorithm>
#include <csignal>
#include <iostream>
#include <istream>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

#include "framing.h"
#include "languageserver.h"
#include "server.h"

namespace {

// What the stream has now, at least one byte: waits only when it has none.
std::streamsize readSome(std::streambuf& source, std::vector<char>& chunk) {
    if (std::streambuf::traits_type::eq_int_type(source.sgetc(), std::streambuf::traits_type::eof()))
        return 0;
    const std::streamsize available = source.in_avail();
    const auto size = static_cast<std::streamsize>(chunk.size());
    return source.sgetn(chunk.data(), available > 0 ? std::min(available, size) : 1);
}

// Why a read failed, in the words of the system when it said.
std::string reasonOf(const std::ios_base::failure& failure) {
    const std::error_code& code = failure.code();
    if (code.category() == std::generic_category() || code.category() == std::system_category())
        return code.message();
    return "cannot be read";
}

}  // namespace

bool wantsLanguageServer(const std::vector<std::string>& arguments) {
    if (arguments.size() == 1)
        return arguments[0] == "--lsp";
    if (arguments.size() == 2)
        return (arguments[0] == "--lsp" && arguments[1] == "--stdio") ||
               (arguments[0] == "--stdio" && arguments[1] == "--lsp");
    return false;
}

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
            if (source->in_avail() <= 0)
                server.idle();  // about to wait: what changed is published first
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
