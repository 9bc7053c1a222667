#include <cppunit/extensions/HelperMacros.h>

#include <cerrno>
#include <iostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <system_error>
#include <vector>

#include <nlohmann/json.hpp>

#include "loopcost/lsp/framing.h"
#include "loopcost/lsp/languageserver.h"
#include "loopcost/lsp/message.h"
#include "loopcost/lsp/protocol.h"
#include "loopcost/lsp/requests.h"
#include "loopcost/lsp/server.h"

namespace {

using Json = nlohmann::json;

std::string framed(const std::string& body) {
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}
std::string framed(const Json& message) { return framed(message.dump()); }

Json request(int id, const std::string& method, Json params = Json::object()) {
    return Json{{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", std::move(params)}};
}
Json notification(const std::string& method, Json params = Json::object()) {
    return Json{{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
}
Json initialize(int id = 1, Json capabilities = Json::object(), Json options = nullptr) {
    Json params{{"capabilities", std::move(capabilities)}, {"processId", nullptr}};
    if (!options.is_null())
        params["initializationOptions"] = std::move(options);
    return request(id, "initialize", params);
}
Json open(const std::string& text, const std::string& uri = "file:///p.lc") {
    return notification("textDocument/didOpen",
                        {{"textDocument", {{"uri", uri}, {"languageId", "loopcost"}, {"version", 1}, {"text", text}}}});
}
Json at(int id, const std::string& method, int line, int character, const std::string& uri = "file:///p.lc") {
    return request(id, method,
                   {{"textDocument", {{"uri", uri}}}, {"position", {{"line", line}, {"character", character}}}});
}

struct Session {
    std::vector<Json> messages;
    int status;
    std::string cerrText;

    // The response to request `id`.
    const Json& response(int id) const {
        for (const Json& m : messages)
            if (m.contains("id") && m["id"] == id && !m.contains("method"))
                return m;
        static const Json none;
        return none;
    }
    std::vector<Json> withMethod(const std::string& method) const {
        std::vector<Json> found;
        for (const Json& m : messages)
            if (m.value("method", "") == method)
                found.push_back(m);
        return found;
    }
    std::vector<Json> nullIdErrors() const {
        std::vector<Json> found;
        for (const Json& m : messages)
            if (m.contains("error") && m["id"].is_null())
                found.push_back(m);
        return found;
    }
};

// Runs the server on the bytes; every byte it writes must be a frame.
Session runBytes(const std::string& bytes) {
    std::istringstream in(bytes);
    std::ostringstream out;
    std::ostringstream err;
    std::streambuf* saved = std::cerr.rdbuf(err.rdbuf());
    Session s;
    s.status = runLanguageServer(in, out);
    std::cerr.rdbuf(saved);
    s.cerrText = err.str();
    lsp::FrameReader reader;
    reader.feed(out.str());
    lsp::Frame frame;
    while (reader.next(frame)) {
        CPPUNIT_ASSERT(frame.kind == lsp::Frame::Kind::message);
        s.messages.push_back(Json::parse(frame.text));
    }
    CPPUNIT_ASSERT(!reader.finish());
    return s;
}

Session run(const std::vector<Json>& messages) {
    std::string bytes;
    for (const Json& m : messages)
        bytes += framed(m);
    return runBytes(bytes);
}

int errorCode(const Json& response) { return response.at("error").at("code").get<int>(); }

// A stream that hands out its bytes, then fails as reading a directory does.
class FailingInput : public std::streambuf {
public:
    explicit FailingInput(std::string bytes) : bytes(std::move(bytes)) {
        setg(&this->bytes[0], &this->bytes[0], &this->bytes[0] + this->bytes.size());
    }

protected:
    int_type underflow() override {
        throw std::ios_base::failure("read", std::error_code(EISDIR, std::generic_category()));
    }

private:
    std::string bytes;
};

}  // namespace

class ServerTests : public CppUnit::TestFixture {
    CPPUNIT_TEST_SUITE(ServerTests);
    CPPUNIT_TEST(lifecycle);
    CPPUNIT_TEST(exitWithoutShutdown);
    CPPUNIT_TEST(endOfInputWithoutExit);
    CPPUNIT_TEST(faults);
    CPPUNIT_TEST(diagnosticsAndFix);
    CPPUNIT_TEST(encodings);
    CPPUNIT_TEST(hover);
    CPPUNIT_TEST(inlayHintsAndSymbols);
    CPPUNIT_TEST(formatting);
    CPPUNIT_TEST(costModel);
    CPPUNIT_TEST(costsAsWritten);
    CPPUNIT_TEST(deepNesting);
    CPPUNIT_TEST(nothingOnStandardError);
    CPPUNIT_TEST(percentages);
    CPPUNIT_TEST(nesting);
    CPPUNIT_TEST(bodies);
    CPPUNIT_TEST(everyFeature);
    CPPUNIT_TEST(analysedOncePerVersion);
    CPPUNIT_TEST(hugeNumbersAndNegativePositions);
    CPPUNIT_TEST(hugeNumbersBeforeInitialize);
    CPPUNIT_TEST(changesThatCannotBeReadChangeNothing);
    CPPUNIT_TEST(unreadableInputAndUnwritableOutput);
    CPPUNIT_TEST(twoContentLengths);
    CPPUNIT_TEST_SUITE_END();

public:
    void lifecycle() {
        const Session s = run({request(1, "textDocument/hover"), initialize(2), notification("initialized"),
                               initialize(3), request(4, "shutdown"), request(5, "textDocument/hover"),
                               notification("exit"), request(6, "shutdown")});
        CPPUNIT_ASSERT_EQUAL(lsp::code::serverNotInitialized, errorCode(s.response(1)));
        CPPUNIT_ASSERT_EQUAL(std::string("utf-16"),
                             s.response(2)["result"]["capabilities"]["positionEncoding"].get<std::string>());
        CPPUNIT_ASSERT_EQUAL(lsp::code::invalidRequest, errorCode(s.response(3)));
        CPPUNIT_ASSERT(s.response(4)["result"].is_null() && !s.response(4).contains("error"));
        CPPUNIT_ASSERT_EQUAL(lsp::code::invalidRequest, errorCode(s.response(5)));
        CPPUNIT_ASSERT(s.response(6).is_null());  // nothing is read after exit
        CPPUNIT_ASSERT_EQUAL(0, s.status);
    }

    void exitWithoutShutdown() { CPPUNIT_ASSERT_EQUAL(1, run({initialize(), notification("exit")}).status); }

    void endOfInputWithoutExit() {
        CPPUNIT_ASSERT_EQUAL(1, run({initialize()}).status);
        CPPUNIT_ASSERT_EQUAL(0, run({initialize(), request(2, "shutdown")}).status);
    }

    void faults() {
        std::string bytes = framed(initialize());
        bytes += framed(std::string(R"({"jsonrpc": "2.0", "id": 2, "method": )"));  // cut short
        bytes += framed(request(3, "no/such/method"));
        bytes += framed(notification("no/such/notification"));
        bytes += framed(notification("$/cancelRequest", {{"id", 3}}));
        bytes += framed(std::string("[1, 2]"));
        bytes += framed(std::string(R"({"jsonrpc": "2.0", "id": {}, "method": "x"})"));
        bytes += framed(request(4, "textDocument/hover", {{"textDocument", 5}}));
        bytes += framed(request(5, "$/unknown"));
        bytes += R"({"raw": "json without headers"})";
        bytes += "Content-Length: x\r\n\r\n";
        bytes += framed(Json{{"jsonrpc", "2.0"}, {"id", 99}, {"result", nullptr}});  // an answer to nothing
        bytes += framed(request(6, "shutdown"));
        const Session s = runBytes(bytes);
        CPPUNIT_ASSERT_EQUAL(lsp::code::methodNotFound, errorCode(s.response(3)));
        CPPUNIT_ASSERT_EQUAL(lsp::code::invalidParams, errorCode(s.response(4)));
        CPPUNIT_ASSERT_EQUAL(lsp::code::methodNotFound, errorCode(s.response(5)));
        CPPUNIT_ASSERT(s.response(6)["result"].is_null());
        const std::vector<Json> errors = s.nullIdErrors();
        CPPUNIT_ASSERT_EQUAL(std::size_t(5), errors.size());
        CPPUNIT_ASSERT_EQUAL(lsp::code::parseError, errorCode(errors[0]));
        CPPUNIT_ASSERT_EQUAL(lsp::code::invalidRequest, errorCode(errors[1]));
        CPPUNIT_ASSERT_EQUAL(lsp::code::invalidRequest, errorCode(errors[2]));
        CPPUNIT_ASSERT_EQUAL(lsp::code::parseError, errorCode(errors[3]));
        CPPUNIT_ASSERT_EQUAL(lsp::code::parseError, errorCode(errors[4]));
        CPPUNIT_ASSERT_EQUAL(std::size_t(10), s.messages.size());  // nothing else: no answer to notifications
    }

    void diagnosticsAndFix() {
        const Json change = notification(
            "textDocument/didChange",
            {{"textDocument", {{"uri", "file:///p.lc"}, {"version", 2}}},
             {"contentChanges",
              {{{"range", {{"start", {{"line", 2}, {"character", 12}}}, {"end", {{"line", 2}, {"character", 13}}}}},
                {"text", "d"}}}}});
        std::string bytes = framed(initialize()) + framed(open("BEGIN\n  LOOP n\n    a + b * 2 ;\n  END\nEND\n"));
        // the server publishes when no more input waits: here once, after
        // the open
        const Session broken = runBytes(bytes);
        const std::vector<Json> published = broken.withMethod("textDocument/publishDiagnostics");
        CPPUNIT_ASSERT_EQUAL(std::size_t(1), published.size());
        const Json& d = published[0]["params"]["diagnostics"][0];
        CPPUNIT_ASSERT_EQUAL(
            Json({{"start", {{"line", 2}, {"character", 12}}}, {"end", {{"line", 2}, {"character", 13}}}}), d["range"]);
        CPPUNIT_ASSERT_EQUAL(1, d["severity"].get<int>());
        CPPUNIT_ASSERT_EQUAL(std::string("loopcost"), d["source"].get<std::string>());
        CPPUNIT_ASSERT_EQUAL(std::string("expected a variable, '+', '*' or ';', found '2'"),
                             d["message"].get<std::string>());

        const Session fixed = runBytes(bytes + framed(change));
        const std::vector<Json> after = fixed.withMethod("textDocument/publishDiagnostics");
        CPPUNIT_ASSERT_EQUAL(std::size_t(1), after.size());  // the open and the change came together
        CPPUNIT_ASSERT(after[0]["params"]["diagnostics"].empty());
        CPPUNIT_ASSERT_EQUAL(2, after[0]["params"]["version"].get<int>());

        const Session closed = runBytes(
            bytes + framed(notification("textDocument/didClose", {{"textDocument", {{"uri", "file:///p.lc"}}}})));
        const std::vector<Json> cleared = closed.withMethod("textDocument/publishDiagnostics");
        CPPUNIT_ASSERT_EQUAL(std::size_t(1), cleared.size());
        CPPUNIT_ASSERT(cleared[0]["params"]["diagnostics"].empty());
    }

    void encodings() {
        // after a byte-order mark, a 4-byte character is an error 2 UTF-16 units wide
        const std::string text = "\xEF\xBB\xBF"
                                 "BEGIN \xF0\x9D\x91\x8E ; END";
        const Json utf8 = {{"general", {{"positionEncodings", {"utf-8", "utf-16"}}}}};
        const Session s16 = run({initialize(), open(text)});
        const Session s8 = run({initialize(1, utf8), open(text)});
        CPPUNIT_ASSERT_EQUAL(std::string("utf-8"),
                             s8.response(1)["result"]["capabilities"]["positionEncoding"].get<std::string>());
        const Json r16 = s16.withMethod("textDocument/publishDiagnostics")[0]["params"]["diagnostics"][0]["range"];
        const Json r8 = s8.withMethod("textDocument/publishDiagnostics")[0]["params"]["diagnostics"][0]["range"];
        CPPUNIT_ASSERT_EQUAL(7, r16["start"]["character"].get<int>());
        CPPUNIT_ASSERT_EQUAL(9, r16["end"]["character"].get<int>());
        CPPUNIT_ASSERT_EQUAL(9, r8["start"]["character"].get<int>());
        CPPUNIT_ASSERT_EQUAL(13, r8["end"]["character"].get<int>());
    }

    void hover() {
        const Session s = run(
            {initialize(),
             open("\xEF\xBB\xBF"
                  "BEGIN LOOP n a + b * c ; END\n  s * s ;\nEND\n"),
             at(2, "textDocument/hover", 0, 14), at(3, "textDocument/hover", 0, 8), at(4, "textDocument/hover", 2, 1),
             at(5, "textDocument/hover", 0, 1), at(6, "textDocument/hover", 0, 12), at(7, "textDocument/hover", 1, 0),
             at(8, "textDocument/hover", 0, 27), at(9, "textDocument/hover", 0, 1, "file:///none"),
             request(10, "textDocument/hover",
                     {{"textDocument", {{"uri", "file:///p.lc"}}}, {"position", {{"line", 1e20}, {"character", 0}}}}),
             at(11, "textDocument/hover", -3, -1)});
        const std::string statement = s.response(2)["result"]["contents"]["value"];
        CPPUNIT_ASSERT(statement.find("`a + b * c ;`") != std::string::npos);
        CPPUNIT_ASSERT(statement.find("cost: `2 * n^1`") != std::string::npos);
        CPPUNIT_ASSERT(statement.find("share of the total as n grows: 100%") != std::string::npos);
        CPPUNIT_ASSERT(statement.find("additions: `n^1`") != std::string::npos);
        CPPUNIT_ASSERT(statement.find("multiplications: `n^1`") != std::string::npos);
        CPPUNIT_ASSERT_EQUAL(
            Json({{"start", {{"line", 0}, {"character", 14}}}, {"end", {{"line", 0}, {"character", 25}}}}),
            s.response(2)["result"]["range"]);
        const std::string loop = s.response(3)["result"]["contents"]["value"];
        CPPUNIT_ASSERT(loop.find("**Loop** `LOOP n`") != std::string::npos);
        CPPUNIT_ASSERT(loop.find("cost of the whole loop: `2 * n^1`") != std::string::npos);
        CPPUNIT_ASSERT(loop.find("sum over one pass of its body: `Σ_{i=1}^{n} 2 = 2n`") != std::string::npos);
        for (int id : {4, 5}) {
            const std::string program = s.response(id)["result"]["contents"]["value"];
            CPPUNIT_ASSERT(program.find("total cost: `2 * n^1 + 1`") != std::string::npos);
            CPPUNIT_ASSERT(program.find("`O(n)`") != std::string::npos);
            // the derivation whole, as --derive writes it
            CPPUNIT_ASSERT_MESSAGE(program, program.find("```\nT(n) = Σ_{i=1}^{n} 2 + 1\n     = 2n + 1\n```") !=
                                                std::string::npos);
        }
        CPPUNIT_ASSERT(s.response(6)["result"]["contents"]["value"].get<std::string>().find("**Loop**") == 0);
        CPPUNIT_ASSERT(s.response(7)["result"].is_null());  // blanks
        CPPUNIT_ASSERT(s.response(8)["result"]["contents"]["value"].get<std::string>().find("**Loop**") == 0);
        CPPUNIT_ASSERT(s.response(9)["result"].is_null());
        CPPUNIT_ASSERT_EQUAL(lsp::code::invalidParams, errorCode(s.response(10)));
        CPPUNIT_ASSERT_EQUAL(lsp::code::invalidParams, errorCode(s.response(11)));
    }

    void inlayHintsAndSymbols() {
        const std::string text =
            "BEGIN\n  LOOP n\n    a + b ;\n    LOOP 3\n      c * d ;\n    END\n  END\n  e ;\nEND\n";
        const Json all = {
            {"textDocument", {{"uri", "file:///p.lc"}}},
            {"range", {{"start", {{"line", 0}, {"character", 0}}}, {"end", {{"line", 9}, {"character", 0}}}}}};
        Json part = all;
        part["range"] = {{"start", {{"line", 3}, {"character", 0}}}, {"end", {{"line", 4}, {"character", 0}}}};
        const Json hierarchical = {
            {"textDocument", {{"documentSymbol", {{"hierarchicalDocumentSymbolSupport", true}}}}}};
        const Json document = {{"textDocument", {{"uri", "file:///p.lc"}}}};
        const Session s =
            run({initialize(1, hierarchical), open(text), request(2, "textDocument/inlayHint", all),
                 request(3, "textDocument/inlayHint", part), request(4, "textDocument/documentSymbol", document)});
        const Json& hints = s.response(2)["result"];
        CPPUNIT_ASSERT_EQUAL(std::size_t(5), hints.size());
        CPPUNIT_ASSERT_EQUAL(std::string("4 * n^1"), hints[0]["label"].get<std::string>());
        CPPUNIT_ASSERT_EQUAL(Json({{"line", 1}, {"character", 8}}), hints[0]["position"]);
        CPPUNIT_ASSERT_EQUAL(std::string("n^1"), hints[1]["label"].get<std::string>());
        CPPUNIT_ASSERT_EQUAL(Json({{"line", 2}, {"character", 11}}), hints[1]["position"]);
        CPPUNIT_ASSERT_EQUAL(std::string("3 * n^1"), hints[3]["label"].get<std::string>());
        CPPUNIT_ASSERT_EQUAL(std::string("0"), hints[4]["label"].get<std::string>());
        CPPUNIT_ASSERT_EQUAL(std::size_t(1), s.response(3)["result"].size());
        CPPUNIT_ASSERT_EQUAL(std::string("3 * n^1"), s.response(3)["result"][0]["label"].get<std::string>());
        const Json& symbols = s.response(4)["result"];
        CPPUNIT_ASSERT_EQUAL(std::size_t(1), symbols.size());
        CPPUNIT_ASSERT_EQUAL(std::string("LOOP n"), symbols[0]["name"].get<std::string>());
        CPPUNIT_ASSERT_EQUAL(std::string("4 * n^1"), symbols[0]["detail"].get<std::string>());
        CPPUNIT_ASSERT_EQUAL(std::string("LOOP 3"), symbols[0]["children"][0]["name"].get<std::string>());
        CPPUNIT_ASSERT_EQUAL(
            Json({{"start", {{"line", 3}, {"character", 4}}}, {"end", {{"line", 5}, {"character", 7}}}}),
            symbols[0]["children"][0]["range"]);
        const Session flat = run({initialize(), open(text), request(2, "textDocument/documentSymbol", document)});
        CPPUNIT_ASSERT_EQUAL(std::size_t(2), flat.response(2)["result"].size());
        CPPUNIT_ASSERT_EQUAL(std::string("LOOP n"), flat.response(2)["result"][1]["containerName"].get<std::string>());
        // the same hints at the same places whatever ends the lines: a lone CR
        // as an editor sends it, CRLF, or both mixed
        for (const std::string newline : {"\r", "\r\n", "\n\r"}) {
            std::string other;
            for (const char c : text)
                other += c == '\n' ? newline : std::string(1, c);
            Json whole = all;
            whole["range"]["end"]["line"] = 20;  // "\n\r" is two line ends
            const Session ended = run({initialize(), open(other), request(2, "textDocument/inlayHint", whole)});
            const Json& got = ended.response(2)["result"];
            CPPUNIT_ASSERT_EQUAL(hints.size(), got.size());
            for (std::size_t i = 0; newline != "\n\r" && i < hints.size(); ++i) {
                CPPUNIT_ASSERT_EQUAL(hints[i]["label"], got[i]["label"]);
                CPPUNIT_ASSERT_EQUAL(hints[i]["position"], got[i]["position"]);
            }
        }
    }

    // Whole-document formatting: one edit that gives the canonical layout
    // with the document's own line ends, whichever they are.
    void formatting() {
        const Json document = {{"textDocument", {{"uri", "file:///p.lc"}}},
                               {"options", {{"tabSize", 4}, {"insertSpaces", true}}}};
        struct Case {
            std::string text;
            std::string formatted;
        };
        const Case cases[] = {
            {"BEGIN\r\n  a+b ;\r\nLOOP 2 c; END\r\nEND",
             "BEGIN\r\n  a + b ;\r\n  LOOP 2\r\n    c ;\r\n  END\r\nEND\r\n"},
            {"BEGIN\r  a+b ;\rLOOP 2 c; END\rEND\r", "BEGIN\r  a + b ;\r  LOOP 2\r    c ;\r  END\rEND\r"},
            {"BEGIN\n  a+b ;\nLOOP 2 c; END\nEND", "BEGIN\n  a + b ;\n  LOOP 2\n    c ;\n  END\nEND\n"},
        };
        for (const Case& c : cases) {
            const Session s = run({initialize(), open(c.text), request(2, "textDocument/formatting", document)});
            const Json& edits = s.response(2)["result"];
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.text, std::size_t(1), edits.size());
            lsp::Document d("file:///p.lc", c.text, 1);
            const Json& range = edits[0]["range"];
            d.replace(range["start"].get<lsp::Position>(), range["end"].get<lsp::Position>(),
                      edits[0]["newText"].get<std::string>(), lsp::Encoding::utf16);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.text, c.formatted, std::string(d.text()));
            const Session again =
                run({initialize(), open(c.formatted), request(2, "textDocument/formatting", document)});
            CPPUNIT_ASSERT_MESSAGE(c.text, again.response(2)["result"].empty());
        }
        const Session broken =
            run({initialize(), open("BEGIN a+ ; END"), request(2, "textDocument/formatting", document)});
        CPPUNIT_ASSERT(broken.response(2)["result"].empty());
    }

    // A cost is what the user wrote, digits that start with 0 included:
    // never the double nearest it, and never a failed initialize.
    void costsAsWritten() {
        struct Case {
            std::string addCost;  // as the JSON text has it
            std::string total;    // of "a + b", in the hover of BEGIN
        };
        const Case cases[] = {
            {"0.25", "0.25"},
            {"0.8", "0.8"},
            {"\"08\"", "8"},
            {"\"010.5\"", "10.5"},
            {"0.125", "0.125"},
            {"0.30000000000000004", "0.30000000000000004"},
            {"12345678901234567890123", "12345678901234567890123"},
            {"1e-399", "0." + std::string(398, '0') + "1"},
            {"\" 2\"", "1"},
        };
        for (const Case& c : cases) {
            const std::string init = R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{},)"
                                     R"("initializationOptions":{"addCost":)" +
                                     c.addCost + "}}}";
            const Session s =
                runBytes(framed(init) + framed(open("BEGIN a + b ; END")) + framed(at(2, "textDocument/hover", 0, 1)));
            CPPUNIT_ASSERT_MESSAGE(c.addCost, s.response(1).contains("result"));
            const std::string hover = s.response(2)["result"]["contents"]["value"].get<std::string>();
            CPPUNIT_ASSERT_MESSAGE(hover, hover.find("total cost: `" + c.total + "`") != std::string::npos);
        }
        // a configuration change reads the same way
        const Session s = runBytes(
            framed(initialize()) + framed(open("BEGIN a + b ; END")) +
            framed(std::string(
                R"({"jsonrpc":"2.0","method":"workspace/didChangeConfiguration","params":{"settings":{"loopcost":{"addCost":0.9}}}})")) +
            framed(at(2, "textDocument/hover", 0, 1)));
        CPPUNIT_ASSERT(s.response(2)["result"]["contents"]["value"].get<std::string>().find("total cost: `0.9`") !=
                       std::string::npos);
    }

    void costModel() {
        const std::string text = "BEGIN a + b * c ; END";
        const Json settings = notification("workspace/didChangeConfiguration",
                                           {{"settings", {{"loopcost", {{"addCost", "0.1"}, {"mulCost", 1e-07}}}}}});
        const Json refresh = {{"workspace", {{"inlayHint", {{"refreshSupport", true}}}}}};
        const Session s =
            run({initialize(1, refresh, {{"addCost", 2}, {"mulCost", "4"}}), open(text),
                 at(2, "textDocument/hover", 0, 1), settings, at(3, "textDocument/hover", 0, 1),
                 notification("workspace/didChangeConfiguration", {{"settings", {{"loopcost", {{"addCost", "two"}}}}}}),
                 at(4, "textDocument/hover", 0, 1)});
        CPPUNIT_ASSERT(s.response(2)["result"]["contents"]["value"].get<std::string>().find("total cost: `6`") !=
                       std::string::npos);
        CPPUNIT_ASSERT(s.response(3)["result"]["contents"]["value"].get<std::string>().find(
                           "total cost: `0.1000001`") != std::string::npos);
        CPPUNIT_ASSERT(s.response(4)["result"]["contents"]["value"].get<std::string>().find(
                           "total cost: `0.1000001`") != std::string::npos);
        CPPUNIT_ASSERT_EQUAL(std::size_t(1), s.withMethod("workspace/inlayHint/refresh").size());
        const std::vector<Json> warnings = s.withMethod("window/showMessage");
        CPPUNIT_ASSERT_EQUAL(std::size_t(1), warnings.size());
        CPPUNIT_ASSERT(warnings[0]["params"]["message"].get<std::string>().find("addCost must be a decimal number") !=
                       std::string::npos);
    }

    void deepNesting() {
        std::string text = "BEGIN\n";
        for (int i = 0; i < 100000; ++i)
            text += "LOOP n\n";
        text += "a ;\n";
        for (int i = 0; i < 100001; ++i)
            text += "END\n";
        const Session s =
            run({initialize(), open(text),
                 request(2, "textDocument/documentSymbol", {{"textDocument", {{"uri", "file:///p.lc"}}}})});
        const Json d = s.withMethod("textDocument/publishDiagnostics")[0]["params"]["diagnostics"][0];
        CPPUNIT_ASSERT_EQUAL(std::string("loops nested deeper than 1000"), d["message"].get<std::string>());
        CPPUNIT_ASSERT_EQUAL(1001, d["range"]["start"]["line"].get<int>());
        // the loops that read are symbols; those too deep are not
        CPPUNIT_ASSERT_EQUAL(std::size_t(1000), s.response(2)["result"].size());
        // JSON itself nested far too deep is refused unread
        const Session json =
            runBytes(framed(std::string(100000, '[') + std::string(100000, ']')) + framed(initialize(2)));
        CPPUNIT_ASSERT_EQUAL(lsp::code::parseError, errorCode(json.nullIdErrors()[0]));
        CPPUNIT_ASSERT(json.response(2).contains("result"));
    }

    // The errors of documents are diagnostics: nothing of a session goes to
    // standard error.
    void nothingOnStandardError() {
        const Session s =
            run({initialize(), open("BEGIN a + ; END"), open("BEGIN LOOP x a ; END END", "file:///q.lc")});
        CPPUNIT_ASSERT_EQUAL(std::size_t(2), s.withMethod("textDocument/publishDiagnostics").size());
        CPPUNIT_ASSERT_EQUAL(std::string(), s.cerrText);
    }

    void percentages() {
        CPPUNIT_ASSERT_EQUAL(std::string("100%"), lsp::percent(1.0));
        CPPUNIT_ASSERT_EQUAL(std::string("77.8%"), lsp::percent(42.0 / 54.0));
        CPPUNIT_ASSERT_EQUAL(std::string("5.5%"), lsp::percent(0.055));
        CPPUNIT_ASSERT_EQUAL(std::string("0.123%"), lsp::percent(0.00123));
        CPPUNIT_ASSERT_EQUAL(std::string("0%"), lsp::percent(0.0));
        CPPUNIT_ASSERT_EQUAL(std::string("less than 0.001%"), lsp::percent(1e-9));
    }

    void nesting() {
        CPPUNIT_ASSERT_EQUAL(2, lsp::nestingOf("{\"a\": [1, \"[[[\\\"[\"]}", 10));
        CPPUNIT_ASSERT_EQUAL(0, lsp::nestingOf("\"{\"", 10));
        CPPUNIT_ASSERT_EQUAL(4, lsp::nestingOf("[[[[[[[[", 3));
    }

    // A body read once: the message, the costs as written by their JSON
    // pointer, or the fault to answer and whether the body is JSON at all.
    void bodies() {
        struct Case {
            std::string body;
            int code;   // of the fault; 0: read
            bool json;  // of a fault: JSON all the same
            lsp::NumberTexts costs;
        };
        const std::string deep = std::string(6, '[') + std::string(6, ']');
        const std::vector<Case> cases = {
            {R"({"params":{"settings":{"loopcost":{"addCost":0.10,"mulCost":12345678901234567890123}}}})",
             0,
             false,
             {{"/params/settings/loopcost/addCost", "0.10"},
              {"/params/settings/loopcost/mulCost", "12345678901234567890123"}}},
            {R"({"params":{"initializationOptions":{"addCost":-3,"x":[{"mulCost":1e-2}]}}})",
             0,
             false,
             {{"/params/initializationOptions/addCost", "-3"}, {"/params/initializationOptions/x/-/mulCost", "1e-2"}}},
            {R"({"a~/b":{"addCost":7},"addCost":"7","n":[1,2]})", 0, false, {{"/a~0~1b/addCost", "7"}}},
            {R"({"addCost":1,"addCost":2})", 0, false, {{"/addCost", "2"}}},  // the last of a key given twice
            {deep, 0, false, {}},
            {"[[[[[[[]]]]]]]", lsp::code::parseError, true, {}},  // deeper than the limit of 6
            {R"({"a":)", lsp::code::parseError, false, {}},
            {R"({"a":1} x)", lsp::code::parseError, false, {}},
            {R"({"method":"x","params":[1e400]})", 0, false, {}},  // huge numbers, all in the params
            {R"({"method":"x","id":1e400})", lsp::code::parseError, true, {}},
            {R"({"method":"x","params":[1e400})", lsp::code::parseError, false, {}},
        };
        for (const Case& c : cases) {
            const lsp::Body body(c.body, 6);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.body, c.code, body.fault ? body.fault->code : 0);
            if (body.fault) {
                CPPUNIT_ASSERT_EQUAL_MESSAGE(c.body, c.json, body.fault->json);
                continue;
            }
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.body, c.body.find("1e400") != std::string::npos, body.hugeParams);
            if (!body.hugeParams)
                CPPUNIT_ASSERT_EQUAL_MESSAGE(c.body, Json::parse(c.body), body.message);
            CPPUNIT_ASSERT_MESSAGE(c.body, c.costs == body.costs);
        }
    }

    // Every feature of the table is offered in the capabilities, answers
    // about a document that is not open with its empty answer, answers about
    // one that is, and refuses params without a document.
    void everyFeature() {
        struct Case {
            std::string method;
            bool answers;  // something other than the empty answer, about the program below
        };
        const Case cases[] = {
            {"textDocument/hover", true},
            {"textDocument/inlayHint", true},
            {"textDocument/codeLens", true},
            {"textDocument/documentSymbol", true},
            {"textDocument/diagnostic", false},  // it has no errors
            {"textDocument/codeAction", false},  // nor, so, fixes
            {"textDocument/foldingRange", true},
            {"textDocument/documentHighlight", true},
            {"textDocument/selectionRange", true},
            {"textDocument/semanticTokens/full", true},
            {"textDocument/semanticTokens/range", true},
            {"textDocument/completion", true},
            {"textDocument/formatting", true},
            {"textDocument/rangeFormatting", true},
        };
        const Json position = {{"line", 1}, {"character", 1}};  // in LOOP
        const Json range = {{"start", {{"line", 0}, {"character", 0}}}, {"end", {{"line", 9}, {"character", 0}}}};
        const Json params = {{"textDocument", {{"uri", "file:///p.lc"}}},
                             {"position", position},
                             {"range", range},
                             {"positions", {position}},
                             {"context", {{"diagnostics", Json::array()}}}};
        Json unopened = params;
        unopened["textDocument"]["uri"] = "file:///none";
        Json nameless = params;
        nameless.erase("textDocument");
        std::vector<Json> messages = {initialize(), open("BEGIN\nLOOP n\na+b ;\nEND\nEND\n")};
        int id = 2;
        for (const Case& c : cases) {
            messages.push_back(request(id++, c.method, params));
            messages.push_back(request(id++, c.method, unopened));
            messages.push_back(request(id++, c.method, nameless));
        }
        const Session s = run(messages);
        const Json& capabilities = s.response(1)["result"]["capabilities"];
        CPPUNIT_ASSERT_EQUAL(lsp::featureCapabilities().size() + 2, capabilities.size());  // and the document sync
        id = 2;
        for (const Case& c : cases) {
            const lsp::Feature* feature = lsp::featureFor(c.method);
            CPPUNIT_ASSERT_MESSAGE(c.method, feature != nullptr);
            if (feature->capability)
                CPPUNIT_ASSERT_EQUAL_MESSAGE(c.method, feature->offered, capabilities[feature->capability]);
            const Json& answer = s.response(id++);
            CPPUNIT_ASSERT_MESSAGE(c.method, answer.contains("result"));
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.method, c.answers, answer["result"] != feature->unopened);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.method, feature->unopened, s.response(id++)["result"]);
            CPPUNIT_ASSERT_EQUAL_MESSAGE(c.method, lsp::code::invalidParams, errorCode(s.response(id++)));
        }
        CPPUNIT_ASSERT(lsp::featureFor("textDocument/didOpen") == nullptr);
    }

    // One message after initialize and the open of a document, then a hover
    // and shutdown: the server answers the message as the table says, and
    // goes on. Numbers beyond a double's range are JSON that the JSON library
    // does not read; positions are the protocol's unsigned integers.
    void hugeNumbersAndNegativePositions() {
        struct Case {
            std::string body;
            Json id;     // of the error expected; null for a parse error
            int code;    // expected; 0: no error at all
            bool warns;  // a notification ignored, in a log message
        };
        const std::string hover = R"({"jsonrpc":"2.0","id":7,"method":"textDocument/hover","params":)"
                                  R"({"textDocument":{"uri":"file:///p.lc"},"position":)";
        const std::string hints = R"({"jsonrpc":"2.0","id":7,"method":"textDocument/inlayHint","params":)"
                                  R"({"textDocument":{"uri":"file:///p.lc"},"range":)";
        const std::string change = R"({"jsonrpc":"2.0","method":"textDocument/didChange","params":)"
                                   R"({"textDocument":{"uri":"file:///p.lc","version":2},"contentChanges":)";
        const std::vector<Case> cases = {
            {hover + R"({"line":1e400,"character":0}}})", Json(7), lsp::code::invalidParams, false},
            {hover + R"({"line":0,"character":-1e400}}})", Json(7), lsp::code::invalidParams, false},
            {hover + R"({"line":1e309,"character":0}}})", Json(7), lsp::code::invalidParams, false},
            {hover + R"({"line":0,"character":0},"x":[1,-2e308,1E+999]}})", Json(7), lsp::code::invalidParams, false},
            {hover + R"({"line":0,"character":0},"x":1)" + std::string(400, '0') + "}}", Json(7),
             lsp::code::invalidParams, false},
            {hover + R"({"line":0,"character":6},"x":[1e-400,-1e-999,1)" + std::string(300, '0') + "]}}", Json(7), 0,
             false},  // a number too small for a double is 0, and 10^300 fits
            {hover + R"({"line":-1,"character":0}}})", Json(7), lsp::code::invalidParams, false},
            {hover + R"({"line":0,"character":-1}}})", Json(7), lsp::code::invalidParams, false},
            {hover + R"({"line":0,"character":1.5}}})", Json(7), lsp::code::invalidParams, false},
            {hover + R"({"line":0,"character":-1.0}}})", Json(7), lsp::code::invalidParams, false},
            {hover + R"({"line":0,"character":"6"}}})", Json(7), lsp::code::invalidParams, false},
            {hover + R"({"line":0,"character":1e16}}})", Json(7), lsp::code::invalidParams, false},
            {hover + R"({"line":-0,"character":6.0}}})", Json(7), 0, false},  // whole numbers all the same
            {hover + R"({"line":0.0,"character":6e0}}})", Json(7), 0, false},
            {hints + R"({"start":{"line":-1,"character":0},"end":{"line":9,"character":0}}}})", Json(7),
             lsp::code::invalidParams, false},
            {hover + R"({"line":0,"character":0}},"id2":1e400})", Json(nullptr), lsp::code::parseError, false},
            {R"({"jsonrpc":"2.0","id":1e400,"method":"shutdown"})", Json(nullptr), lsp::code::parseError, false},
            {R"([1e400])", Json(nullptr), lsp::code::parseError, false},
            {R"(1e400)", Json(nullptr), lsp::code::parseError, false},
            {R"({"jsonrpc":"2.0","id":7,"method":"x","params":[1e400})", Json(nullptr), lsp::code::parseError, false},
            {R"({"jsonrpc":"2.0","id":55,"result":[1e400]})", Json(nullptr), 0, false},  // an answer: nothing waits
            {change + R"([{"text":"x","range":{"start":{"line":0,"character":-1e400},)"
                      R"("end":{"line":0,"character":0}}}]}})",
             Json(nullptr), 0, true},
            {change + R"([{"text":"x","range":{"start":{"line":-1,"character":0},)"
                      R"("end":{"line":0,"character":0}}}]}})",
             Json(nullptr), 0, true},
            {hover + R"({"line":0,"character":0},"uri":"1e400 -1e400"}})", Json(nullptr), 0, false},  // in a string
        };
        for (const Case& c : cases) {
            const Session s = runBytes(framed(initialize()) + framed(open("BEGIN a ; END")) + framed(c.body) +
                                       framed(at(8, "textDocument/hover", 0, 6)) + framed(request(9, "shutdown")));
            const std::string& what = c.body;
            std::vector<Json> errors;
            for (const Json& m : s.messages)
                if (m.contains("error"))
                    errors.push_back(m);
            if (c.code == 0) {
                CPPUNIT_ASSERT_MESSAGE(what, errors.empty());
                if (c.id == 7)  // answered as the hover at 0:6
                    CPPUNIT_ASSERT_MESSAGE(what, s.response(7)["result"]["contents"]["value"].get<std::string>().find(
                                                     "`a ;`") != std::string::npos);
            } else {
                CPPUNIT_ASSERT_EQUAL_MESSAGE(what, std::size_t(1), errors.size());
                CPPUNIT_ASSERT_EQUAL_MESSAGE(what, c.code, errorCode(errors[0]));
                CPPUNIT_ASSERT_EQUAL_MESSAGE(what, c.id, errors[0]["id"]);
            }
            CPPUNIT_ASSERT_EQUAL_MESSAGE(what, c.warns ? std::size_t(1) : std::size_t(0),
                                         s.withMethod("window/logMessage").size());
            // the server went on, the document as it was
            CPPUNIT_ASSERT_MESSAGE(what, s.response(8)["result"]["contents"]["value"].get<std::string>().find(
                                             "`a ;`") != std::string::npos);
            CPPUNIT_ASSERT_MESSAGE(what, s.response(9).contains("result"));
        }
    }

    void hugeNumbersBeforeInitialize() {
        const Session s =
            runBytes(framed(std::string(R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"x":1e400}})")) +
                     framed(std::string(R"({"jsonrpc":"2.0","id":2,"method":"shutdown","params":[1e400]})")) +
                     framed(initialize(3)) + framed(request(4, "shutdown")) +
                     framed(std::string(R"({"jsonrpc":"2.0","method":"exit","params":[-1e400]})")) +
                     framed(request(5, "shutdown")));
        CPPUNIT_ASSERT_EQUAL(lsp::code::invalidParams, errorCode(s.response(1)));
        CPPUNIT_ASSERT_EQUAL(lsp::code::serverNotInitialized, errorCode(s.response(2)));
        CPPUNIT_ASSERT(s.response(3).contains("result"));
        CPPUNIT_ASSERT(s.response(4).contains("result"));
        CPPUNIT_ASSERT(s.response(5).is_null());  // exit, whatever its params
        CPPUNIT_ASSERT_EQUAL(0, s.status);
    }

    // A change notification with one change that cannot be read makes none
    // of its changes.
    void changesThatCannotBeReadChangeNothing() {
        const auto change = [](Json changes) {
            return notification("textDocument/didChange", {{"textDocument", {{"uri", "file:///p.lc"}, {"version", 2}}},
                                                           {"contentChanges", std::move(changes)}});
        };
        const Json good = {
            {"range", {{"start", {{"line", 0}, {"character", 6}}}, {"end", {{"line", 0}, {"character", 7}}}}},
            {"text", "z"}};
        Json negative = good;
        negative["range"]["end"]["character"] = -7;
        for (const Json& changes : {Json::array({good, negative}), Json::array({good, {{"text", 5}}}),
                                    Json::array({{{"text", "BEGIN z ; END"}}, 7}), Json{{"x", good}}}) {
            const Session s =
                run({initialize(), open("BEGIN a ; END"), change(changes), at(2, "textDocument/hover", 0, 6)});
            CPPUNIT_ASSERT_MESSAGE(changes.dump(), s.response(2)["result"]["contents"]["value"].get<std::string>().find(
                                                       "`a ;`") != std::string::npos);
            CPPUNIT_ASSERT_EQUAL(std::size_t(1), s.withMethod("window/logMessage").size());
        }
    }

    // Input that cannot be read ends the server with one line on standard
    // error, after what it read before; output that cannot be written too.
    void unreadableInputAndUnwritableOutput() {
        FailingInput failing(framed(initialize()));
        std::istream in(&failing);
        std::ostringstream out;
        std::ostringstream err;
        CPPUNIT_ASSERT_EQUAL(1, runLanguageServer(in, out, err));
        CPPUNIT_ASSERT_EQUAL(std::string("loopcost: <stdin>: Is a directory\n"), err.str());
        CPPUNIT_ASSERT(out.str().find("\"capabilities\"") != std::string::npos);

        std::istringstream messages(framed(initialize()) + framed(request(2, "shutdown")));
        std::ostringstream broken;
        broken.setstate(std::ios::badbit);
        std::ostringstream brokenErr;
        CPPUNIT_ASSERT_EQUAL(1, runLanguageServer(messages, broken, brokenErr));
        CPPUNIT_ASSERT_EQUAL(std::string("loopcost: cannot write to standard output\n"), brokenErr.str());
    }

    // One message, one outcome: read when its two lengths agree, else one
    // parse error that says so and nothing else.
    void twoContentLengths() {
        const std::string body = request(2, "shutdown").dump();
        const std::string length = "Content-Length: " + std::to_string(body.size()) + "\r\n";
        const std::string other = "Content-Length: " + std::to_string(body.size() + 1) + "\r\n";
        const Session agree = runBytes(framed(initialize()) + length + length + "\r\n" + body);
        CPPUNIT_ASSERT(agree.nullIdErrors().empty());
        CPPUNIT_ASSERT(agree.response(2).contains("result"));
        CPPUNIT_ASSERT_EQUAL(0, agree.status);
        const Session disagree =
            runBytes(framed(initialize()) + length + other + "\r\n" + body + framed(request(3, "textDocument/hover")));
        CPPUNIT_ASSERT_EQUAL(std::size_t(1), disagree.nullIdErrors().size());
        const std::string message = disagree.nullIdErrors()[0]["error"]["message"];
        CPPUNIT_ASSERT(message.find("disagree") != std::string::npos);
        CPPUNIT_ASSERT(disagree.response(2).is_null());
        CPPUNIT_ASSERT_EQUAL(lsp::code::invalidParams, errorCode(disagree.response(3)));
        CPPUNIT_ASSERT_EQUAL(std::size_t(3), disagree.messages.size());
    }

    // Diagnostics and every request share one analysis of a version; a
    // burst of changes is analysed once, when next asked about.
    void analysedOncePerVersion() {
        lsp::Document d("file:///p.lc", "BEGIN\n  LOOP n\n    a + b ;\n  END\nEND\n", 1);
        const analysis::CostModel model;
        const lsp::ClientCapabilities client;
        const lsp::Switches switches;
        const lsp::Subject subject{d, model, client, switches};
        const Json all = {
            {"textDocument", {{"uri", "file:///p.lc"}}},
            {"position", {{"line", 2}, {"character", 4}}},
            {"range", {{"start", {{"line", 0}, {"character", 0}}}, {"end", {{"line", 9}, {"character", 0}}}}}};
        const auto answer = [&](const char* method) { return lsp::featureFor(method)->answer(subject, all); };
        CPPUNIT_ASSERT(lsp::diagnosticsOf(subject).empty());
        CPPUNIT_ASSERT(!answer("textDocument/hover").is_null());
        CPPUNIT_ASSERT_EQUAL(std::size_t(2), answer("textDocument/inlayHint").size());
        CPPUNIT_ASSERT_EQUAL(std::size_t(1), answer("textDocument/documentSymbol").size());
        CPPUNIT_ASSERT_EQUAL(std::size_t(1), d.analyses());
        for (std::size_t i = 0; i <= 50; ++i)
            d.replace(lsp::Position{2, 4}, lsp::Position{2, 5}, i % 2 ? "a" : "z", lsp::Encoding::utf16);
        CPPUNIT_ASSERT(answer("textDocument/hover")["contents"]["value"].get<std::string>().find("`z + b ;`") !=
                       std::string::npos);
        CPPUNIT_ASSERT(lsp::diagnosticsOf(subject).empty());
        CPPUNIT_ASSERT_EQUAL(std::size_t(2), d.analyses());
        d.forgetAnalysis();  // a new model
        CPPUNIT_ASSERT(lsp::diagnosticsOf(subject).empty());
        CPPUNIT_ASSERT_EQUAL(std::size_t(3), d.analyses());
    }
};

CPPUNIT_TEST_SUITE_REGISTRATION(ServerTests);
