#include "loopcost/lsp/server.h"

#include <exception>
#include <new>
#include <utility>
#include <vector>

#include "loopcost/lsp/message.h"

#ifndef LOOPCOST_VERSION
#define LOOPCOST_VERSION "unknown"
#endif

namespace lsp {

namespace {

const int textDocumentSyncIncremental = 2;
const int messageWarning = 2;

bool validId(const Json& id) { return id.is_string() || id.is_number_integer() || id.is_null(); }

// A request that cannot be answered, and the error code that says why.
struct RequestError {
    int code;
    std::string message;
};

}  // namespace

Server::Server(std::function<void(const Json&)> send) : send(std::move(send)) {}

void Server::respond(const Json& id, Json result) {
    send(Json{{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}});
}

void Server::error(const Json& id, int code, const std::string& message) {
    send(Json{{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}});
}

void Server::notify(const std::string& method, Json params) {
    send(Json{{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}});
}

void Server::warn(const std::string& message) {
    notify("window/showMessage", Json{{"type", messageWarning}, {"message", message}});
}

void Server::fault(const std::string& what) { error(nullptr, code::parseError, "Parse error: " + what); }

bool Server::receive(std::string_view text) {
    Body body(text, maxNesting);
    if (body.fault) {
        error(nullptr, body.fault->code, body.fault->message);
        return body.fault->json;
    }
    const Json& message = body.message;
    const bool hugeParams = body.hugeParams;
    if (!message.is_object()) {
        error(nullptr, code::invalidRequest, "Invalid Request: a message is a JSON object");
        return true;
    }
    if (isResponse(message))
        return true;  // the answer to one of the server's requests: nothing waits for it
    const Json& method = member(message, "method");
    const bool hasId = message.contains("id");
    const Json& id = member(message, "id");
    if (!method.is_string() || (hasId && !validId(id))) {
        error(validId(id) ? id : Json(nullptr), code::invalidRequest,
              "Invalid Request: no method name, or an id that is neither a number nor a string");
        return true;
    }
    const Json& params = member(message, "params");
    writtenCosts = std::move(body.costs);
    if (hasId)
        request(id, method.get<std::string>(), params, hugeParams);
    else
        notification(method.get<std::string>(), params, hugeParams);
    return true;
}

void Server::request(const Json& id, const std::string& name, const Json& params, bool hugeParams) {
    if (!initialized && name != "initialize") {
        error(id, code::serverNotInitialized, "the server is not initialized: 'initialize' comes first");
        return;
    }
    if (shutdownSeen) {
        error(id, code::invalidRequest, "the server is shutting down: only 'exit' is taken now");
        return;
    }
    if (hugeParams) {
        error(id, code::invalidParams, "Invalid params for '" + name + "': " + hugeNumber);
        return;
    }
    try {
        bool found = true;
        Json result = call(name, params, found);
        if (found)
            respond(id, std::move(result));
        else
            error(id, code::methodNotFound, "unknown method '" + name + "'");
    } catch (const RequestError& e) {
        error(id, e.code, e.message);
    } catch (const Json::exception& e) {
        error(id, code::invalidParams, std::string("Invalid params for '") + name + "': " + e.what());
    } catch (const std::bad_alloc&) {
        error(id, code::internalError, "out of memory");
    } catch (const std::exception& e) {
        error(id, code::internalError, e.what());
    }
}

Server::Json Server::call(const std::string& name, const Json& params, bool& found) {
    if (name == "initialize") {
        if (initialized)
            throw RequestError{code::invalidRequest, "initialize was already received"};
        return initialize(params);
    }
    if (name == "shutdown") {
        shutdownSeen = true;
        return nullptr;
    }
    const Feature* feature = featureFor(name);
    if (!feature) {
        found = false;
        return nullptr;
    }
    Document* document = find(params);
    return document ? feature->answer(subjectOf(*document), params) : feature->unopened;
}

Server::Json Server::initialize(const Json& params) {
    client = member(params, "capabilities").get<ClientCapabilities>();
    const Json& options = member(params, "initializationOptions");
    for (const std::string& warning : readCostModel(options, "/params/initializationOptions", writtenCosts, model))
        warn(warning);
    for (const std::string& warning : readSwitches(options, switches))
        warn(warning);
    initialized = true;
    Json provided = featureCapabilities();
    provided["positionEncoding"] = encodingName(client.encoding);
    provided["textDocumentSync"] = Json{{"openClose", true}, {"change", textDocumentSyncIncremental}};
    return Json{{"capabilities", std::move(provided)},
                {"serverInfo", {{"name", "loopcost"}, {"version", LOOPCOST_VERSION}}}};
}

void Server::notification(const std::string& name, const Json& params, bool hugeParams) {
    if (name == "exit") {  // whatever its params, which it has none of
        exitSeen = true;
        return;
    }
    if (!initialized || shutdownSeen)
        return;  // before initialize and after shutdown, notifications are dropped
    if (hugeParams) {
        notify("window/logMessage",
               Json{{"type", messageWarning}, {"message", "loopcost: ignored " + name + ": " + hugeNumber}});
        return;
    }
    try {
        if (name == "textDocument/didOpen")
            didOpen(params);
        else if (name == "textDocument/didChange")
            didChange(params);
        else if (name == "textDocument/didClose")
            didClose(params);
        else if (name == "workspace/didChangeConfiguration")
            didChangeConfiguration(params);
        // initialized, $/cancelRequest (every request is answered before the
        // next is read), $/setTrace and whatever else: nothing to do
    } catch (const RequestError& e) {
        notify("window/logMessage",
               Json{{"type", messageWarning}, {"message", "loopcost: ignored " + name + ": " + e.message}});
    } catch (const std::exception& e) {
        notify("window/logMessage",
               Json{{"type", messageWarning}, {"message", "loopcost: ignored " + name + ": " + e.what()}});
    }
}

Document* Server::find(const Json& params) {
    const auto found = documents.find(member(params, "textDocument").get<TextDocumentIdentifier>().uri);
    return found == documents.end() ? nullptr : found->second.get();
}

void Server::didOpen(const Json& params) {
    const auto p = params.get<DidOpenTextDocumentParams>();
    auto& slot = documents[p.textDocument.uri];
    if (slot) {  // opened twice: the new text counts
        slot->replaceAll(std::string(p.textDocument.text));
        slot->version = p.textDocument.version;
    } else {
        slot = std::make_unique<Document>(p.textDocument.uri, std::string(p.textDocument.text), p.textDocument.version);
    }
}

void Server::didChange(const Json& params) {
    Document* document = find(params);
    if (!document)
        return;
    // every change is read before one is made: one that cannot be read
    // leaves the text as it was
    const auto p = params.get<DidChangeTextDocumentParams>();
    for (const TextDocumentContentChangeEvent& change : p.contentChanges) {
        if (change.range)
            document->replace(change.range->start, change.range->end, change.text, client.encoding);
        else
            document->replaceAll(std::string(change.text));
    }
    if (p.version)
        document->version = *p.version;
    document->published = false;
}

void Server::didClose(const Json& params) {
    Document* document = find(params);
    if (!document)
        return;
    const std::string uri = document->uri();
    documents.erase(uri);
    notify("textDocument/publishDiagnostics", Json{{"uri", uri}, {"diagnostics", Json::array()}});
}

void Server::didChangeConfiguration(const Json& params) {
    const Json& settings = member(params, "settings");
    // {"loopcost": {...}} as the protocol has it; the bare object as some
    // clients send their server's own section
    const Json& section = member(settings, "loopcost");
    if (section.is_object())
        applySettings(section, "/params/settings/loopcost");
    else
        applySettings(settings, "/params/settings");
}

void Server::applySettings(const Json& settings, const std::string& pointer) {
    analysis::CostModel next = model;
    for (const std::string& warning : readCostModel(settings, pointer, writtenCosts, next))
        warn(warning);
    const Switches before = switches;
    for (const std::string& warning : readSwitches(settings, switches))
        warn(warning);
    const bool newModel = !sameModel(next, model);
    if (newModel) {
        model = next;
        for (auto& entry : documents) {
            entry.second->forgetAnalysis();
            entry.second->published = false;
        }
    }
    const auto refresh = [this](const char* method) {
        send(
            Json{{"jsonrpc", "2.0"}, {"id", "loopcost/refresh/" + std::to_string(++requestsSent)}, {"method", method}});
    };
    if (client.refreshHints && (newModel || before.inlayHints != switches.inlayHints))
        refresh("workspace/inlayHint/refresh");
    if (client.refreshLenses && (newModel || before.codeLens != switches.codeLens))
        refresh("workspace/codeLens/refresh");
    if (client.refreshTokens && newModel)
        refresh("workspace/semanticTokens/refresh");
}

void Server::publish(Document& document) {
    document.published = true;
    if (client.pullsDiagnostics)
        return;
    notify("textDocument/publishDiagnostics", Json{{"uri", document.uri()},
                                                   {"version", document.version},
                                                   {"diagnostics", diagnosticsOf(subjectOf(document))}});
}

bool Server::unpublished() const {
    for (const auto& entry : documents)
        if (!entry.second->published)
            return true;
    return false;
}

void Server::idle() {
    for (auto& entry : documents) {
        if (entry.second->published)
            continue;
        try {
            publish(*entry.second);
        } catch (const std::exception& e) {
            entry.second->published = true;  // not again and again
            warn(std::string("loopcost: cannot analyse ") + entry.first + ": " + e.what());
        }
    }
}

}  // namespace lsp
