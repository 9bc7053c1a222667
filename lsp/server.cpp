#include "server.h"

#include <exception>
#include <new>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "answers.h"
#include "settings.h"

#ifndef LOOPCOST_VERSION
#define LOOPCOST_VERSION "unknown"
#endif

namespace lsp {

namespace {

using Json = nlohmann::json;

const int textDocumentSyncIncremental = 2;
const int messageWarning = 2;

// A path of keys into nested objects; null where any is missing.
const Json& path(const Json& object, std::initializer_list<const char*> keys) {
    const Json* at = &object;
    for (const char* key : keys)
        at = &member(*at, key);
    return *at;
}

bool flag(const Json& value) { return value.is_boolean() && value.get<bool>(); }

const char* encodingName(Encoding e) {
    switch (e) {
    case Encoding::utf8: return "utf-8";
    case Encoding::utf16: return "utf-16";
    case Encoding::utf32: return "utf-32";
    }
    return "utf-16";
}

// The first encoding of the client's list that the server knows; UTF-16,
// which every client must offer, when none is.
Encoding negotiate(const Json& offered) {
    if (!offered.is_array())
        return Encoding::utf16;
    for (const Json& name : offered) {
        if (name == "utf-8")
            return Encoding::utf8;
        if (name == "utf-16")
            return Encoding::utf16;
        if (name == "utf-32")
            return Encoding::utf32;
    }
    return Encoding::utf16;
}

bool validId(const Json& id) { return id.is_string() || id.is_number_integer() || id.is_null(); }

// The answer to one of the server's requests.
bool isResponse(const Json& message) {
    return member(message, "method").is_null() && message.contains("id") &&
           (message.contains("result") || message.contains("error"));
}

// A request that cannot be answered, and the error code that says why.
struct RequestError {
    int code;
    std::string message;
};

const char* const hugeNumber = "a number beyond the range of a double";

// Whether a JSON number's text is beyond the range of a double, which the
// JSON library does not read.
bool beyondDouble(std::string_view number) {
    // without an exponent, only a number of more than 308 digits is
    if (number.find_first_of("eE") == std::string_view::npos && number.size() <= 300)
        return false;
    try {
        [[maybe_unused]] const Json value = Json::parse(number);
    } catch (const Json::out_of_range&) {
        return true;
    } catch (const Json::exception&) {  // not a number at all: left as it is
    }
    return false;
}

// The JSON text with every number beyond a double's range written as
// `replacement`; strings are left as they are.
std::string withHugeNumbersAs(std::string_view text, std::string_view replacement) {
    const std::string_view numberCharacters = "0123456789+-.eE";
    std::string out;
    out.reserve(text.size());
    bool inString = false;
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (inString) {
            const std::size_t length = c == '\\' && i + 1 < text.size() ? 2 : 1;
            out.append(text.substr(i, length));
            inString = c != '"';
            i += length;
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            std::size_t end = i + 1;
            while (end < text.size() && numberCharacters.find(text[end]) != std::string_view::npos)
                ++end;
            const std::string_view number = text.substr(i, end - i);
            out.append(beyondDouble(number) ? replacement : number);
            i = end;
        } else {
            out += c;
            inString = c == '"';
            ++i;
        }
    }
    return out;
}

// A message that holds numbers beyond a double's range, read with each of
// them as null; and whether they all lie inside its params. Nothing when it
// is not JSON for another reason too.
struct HugeNumbers {
    Json message;
    bool onlyInParams;
};
std::optional<HugeNumbers> readHugeNumbers(std::string_view body) {
    Json asNull = Json::parse(withHugeNumbersAs(body, "null"), nullptr, false);
    Json asZero = Json::parse(withHugeNumbersAs(body, "0"), nullptr, false);
    if (asNull.is_discarded() || asZero.is_discarded())
        return std::nullopt;
    if (asNull.is_object() && asZero.is_object()) {
        Json envelope = asNull;
        envelope.erase("params");
        asZero.erase("params");
        return HugeNumbers{std::move(asNull), envelope == asZero};
    }
    return HugeNumbers{std::move(asNull), false};
}

}  // namespace

int nestingOf(std::string_view text, int limit) {
    int depth = 0;
    int deepest = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > deepest && (deepest = depth) > limit)
                return deepest;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return deepest;
}

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

bool Server::receive(std::string_view body) {
    if (nestingOf(body, maxNesting) > maxNesting) {
        error(nullptr, code::parseError, "Parse error: JSON nested deeper than " + std::to_string(maxNesting));
        return true;  // JSON, just too deep: nothing to look for inside
    }
    Json message;
    bool hugeParams = false;  // numbers beyond a double's range in the params
    try {
        try {
            message = Json::parse(body);
        } catch (const Json::out_of_range&) {
            hugeParams = true;
        }
        if (hugeParams) {
            // JSON all the same, which the library does not read: read again
            // with those numbers as null, to answer the message as it deserves
            std::optional<HugeNumbers> read = readHugeNumbers(body);
            if (!read) {
                error(nullptr, code::parseError, std::string("Parse error: ") + hugeNumber + ", and not JSON");
                return false;
            }
            message = std::move(read->message);
            if (!read->onlyInParams && !isResponse(message)) {
                error(nullptr, code::parseError, std::string("Parse error: ") + hugeNumber);
                return true;
            }
        }
    } catch (const Json::exception& e) {  // a parse error, or whatever else the reader finds
        error(nullptr, code::parseError, std::string("Parse error: ") + e.what());
        return false;
    } catch (const std::bad_alloc&) {
        error(nullptr, code::internalError, "out of memory");
        return true;
    }
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
    writtenCosts = costTexts(body);
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
    if (isFeatureRequest(name)) {
        Document* document = find(params);
        return document ? answerFeature(name, Subject{*document, model, encoding}, params, features) : noFeature(name);
    }
    const bool textRequest = name == "textDocument/hover" || name == "textDocument/inlayHint" ||
                             name == "textDocument/documentSymbol" || name == "textDocument/formatting";
    if (!textRequest) {
        found = false;
        return nullptr;
    }
    Document* document = find(params);
    if (!document)
        return name == "textDocument/hover" ? Json(nullptr) : Json::array();
    const Subject subject{*document, model, encoding};
    if (name == "textDocument/hover")
        return hoverAt(subject, subject.offset(params.at("position")));
    if (name == "textDocument/inlayHint") {
        if (!features.inlayHints)
            return Json::array();
        const Json& range = params.at("range");
        return inlayHints(subject, subject.offset(range.at("start")), subject.offset(range.at("end")));
    }
    if (name == "textDocument/documentSymbol")
        return documentSymbols(subject, hierarchicalSymbols);
    return formattingEdits(subject);
}

Server::Json Server::initialize(const Json& params) {
    const Json& capabilities = member(params, "capabilities");
    encoding = negotiate(path(capabilities, {"general", "positionEncodings"}));
    hierarchicalSymbols =
        flag(path(capabilities, {"textDocument", "documentSymbol", "hierarchicalDocumentSymbolSupport"}));
    refreshHints = flag(path(capabilities, {"workspace", "inlayHint", "refreshSupport"}));
    readClientCapabilities(capabilities, features);
    for (const std::string& warning :
         readCostModel(member(params, "initializationOptions"), "/params/initializationOptions", writtenCosts, model))
        warn(warning);
    for (const std::string& warning :
         readSwitches(member(params, "initializationOptions"), features.codeLens, features.inlayHints))
        warn(warning);
    initialized = true;
    Json provided{{"positionEncoding", encodingName(encoding)},
                  {"textDocumentSync", {{"openClose", true}, {"change", textDocumentSyncIncremental}}},
                  {"hoverProvider", true},
                  {"inlayHintProvider", true},
                  {"documentSymbolProvider", true},
                  {"documentFormattingProvider", true}};
    provided.update(featureCapabilities());
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
    const Json& uri = path(params, {"textDocument", "uri"});
    if (!uri.is_string())
        throw RequestError{code::invalidParams, "Invalid params: textDocument.uri is missing"};
    const auto found = documents.find(uri.get<std::string>());
    return found == documents.end() ? nullptr : found->second.get();
}

void Server::didOpen(const Json& params) {
    const Json& item = params.at("textDocument");
    const std::string uri = item.at("uri").get<std::string>();
    std::string text = item.at("text").get<std::string>();
    const Json& version = member(item, "version");
    const std::int64_t v = version.is_number_integer() ? version.get<std::int64_t>() : 0;
    auto& slot = documents[uri];
    if (slot) {  // opened twice: the new text counts
        slot->replaceAll(std::move(text));
        slot->version = v;
    } else {
        slot = std::make_unique<Document>(uri, std::move(text), v);
    }
}

void Server::didChange(const Json& params) {
    Document* document = find(params);
    if (!document)
        return;
    const Json& changes = params.at("contentChanges");
    if (!changes.is_array())
        throw RequestError{code::invalidParams, "contentChanges is not an array"};
    // every change is read before one is made: one that cannot be read
    // leaves the text as it was
    struct Change {
        const std::string* text;
        bool whole;
        Position start;
        Position end;
    };
    std::vector<Change> read;
    read.reserve(changes.size());
    for (const Json& change : changes) {
        const std::string& text = change.at("text").get_ref<const std::string&>();
        const Json& range = member(change, "range");
        if (range.is_null())
            read.push_back(Change{&text, true, Position(), Position()});
        else
            read.push_back(Change{&text, false, positionFrom(range.at("start")), positionFrom(range.at("end"))});
    }
    for (const Change& change : read) {
        if (change.whole)
            document->replaceAll(*change.text);
        else
            document->replace(change.start, change.end, *change.text, encoding);
    }
    const Json& version = path(params, {"textDocument", "version"});
    if (version.is_number_integer())
        document->version = version.get<std::int64_t>();
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
    const Features before = features;
    for (const std::string& warning : readSwitches(settings, features.codeLens, features.inlayHints))
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
    if (refreshHints && (newModel || before.inlayHints != features.inlayHints))
        refresh("workspace/inlayHint/refresh");
    if (features.refreshLenses && (newModel || before.codeLens != features.codeLens))
        refresh("workspace/codeLens/refresh");
    if (features.refreshTokens && newModel)
        refresh("workspace/semanticTokens/refresh");
}

void Server::publish(Document& document) {
    document.published = true;
    if (features.pullsDiagnostics)
        return;
    const Subject subject{document, model, encoding};
    notify("textDocument/publishDiagnostics",
           Json{{"uri", document.uri()}, {"version", document.version}, {"diagnostics", diagnosticsOf(subject)}});
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
