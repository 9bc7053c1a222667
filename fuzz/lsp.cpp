#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "loopcost/lsp/framing.h"
#include "loopcost/lsp/languageserver.h"

// Any bytes, read as the language server's input: the framing, the JSON and
// the dispatcher must neither crash nor hang, and what the server writes
// must be whole frames of JSON-RPC messages and nothing else.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    std::ostringstream out;
    runLanguageServer(in, out);

    lsp::FrameReader reader;
    reader.feed(out.str());
    lsp::Frame frame;
    while (reader.next(frame)) {
        const nlohmann::json message = nlohmann::json::parse(frame.text, nullptr, false);
        if (frame.kind != lsp::Frame::Kind::message || !message.is_object() || message.value("jsonrpc", "") != "2.0") {
            std::fprintf(stderr, "the server wrote what is not a message: %s\n", frame.text.c_str());
            std::abort();
        }
    }
    if (reader.finish()) {
        std::fprintf(stderr, "the server's output ends inside a message\n");
        std::abort();
    }
    return 0;
}
