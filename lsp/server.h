#ifndef LOOPCOST_LSP_SERVER_H
#define LOOPCOST_LSP_SERVER_H

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "loopcost/analysis/analysis.h"
#include "loopcost/lsp/document.h"
#include "loopcost/lsp/protocol.h"
#include "loopcost/lsp/requests.h"
#include "loopcost/lsp/settings.h"

namespace lsp {

// The protocol's state and the open documents: message bodies in, messages
// out through `send`. The server keeps the life of the protocol (initialize,
// shutdown, exit), the documents (opened, changed, closed), the settings and
// the diagnostics it pushes; every request about a document is a feature of
// the table in requests.cpp. Nothing here reads or writes a stream, so that
// tests and the fuzzer drive it in memory. No input makes it throw.
class Server {
public:
    using Json = nlohmann::json;
    explicit Server(std::function<void(const Json&)> send);

    // One message body. False when it is not JSON at all (it was answered
    // with a parse error), so that the framing can look for a message inside.
    bool receive(std::string_view body);
    // A framing fault: answered with a parse error.
    void fault(const std::string& what);
    // Nothing more is waiting: publishes the diagnostics of what changed.
    void idle();
    // Whether a document's diagnostics wait to be published.
    bool unpublished() const;

    bool exited() const { return exitSeen; }
    // After exit, or when the input ended: 0 when shutdown came first, else 1.
    int status() const { return shutdownSeen ? 0 : 1; }

    // Outlines of JSON nested deeper than this are refused unread.
    static constexpr int maxNesting = 256;

private:
    NumberTexts writtenCosts;  // the costs of the message at hand as written, by JSON pointer
    // A message whose params hold numbers beyond a double's range is not
    // carried out: a request gets invalid params, a notification is logged.
    void request(const Json& id, const std::string& method, const Json& params, bool hugeParams);
    void notification(const std::string& method, const Json& params, bool hugeParams);
    Json call(const std::string& method, const Json& params, bool& found);

    Json initialize(const Json& params);
    void didOpen(const Json& params);
    void didChange(const Json& params);
    void didClose(const Json& params);
    void didChangeConfiguration(const Json& params);
    void applySettings(const Json& settings, const std::string& pointer);

    // The open document that the params name, or null.
    Document* find(const Json& params);
    Subject subjectOf(Document& document) const { return Subject{document, model, client, switches}; }
    void publish(Document& document);
    void respond(const Json& id, Json result);
    void error(const Json& id, int code, const std::string& message);
    void notify(const std::string& method, Json params);
    void warn(const std::string& message);

    std::function<void(const Json&)> send;
    std::map<std::string, std::unique_ptr<Document>> documents;
    analysis::CostModel model;
    ClientCapabilities client;
    Switches switches;
    bool initialized = false;
    bool shutdownSeen = false;
    bool exitSeen = false;
    std::int64_t requestsSent = 0;
};

}  // namespace lsp

#endif
