// Times the language server from a client's side: `loopcost --lsp` run on
// pipes, sessions written to it and its answers awaited. Prints a Markdown
// table of the time from sending to the answer (wall clock) and the CPU time
// the server spent on it, the least of RUNS runs, and the target.
//
//   loopcost-lsp-bench LOOPCOST [RUNS]
//
// The sessions: a 2 MB program opened, then one with an error at its end, a
// one-character change in the first and a hover in it; 40 keystrokes into
// the 2 MB program, sent together or typed, then a hover; and 500 one-character incremental
// changes into a 4 MB program sent together, then a hover, once typed at one
// place and once scattered over the program.

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

namespace {

using Json = nlohmann::json;
using Clock = std::chrono::steady_clock;

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "loopcost-lsp-bench: %s\n", what.c_str());
    std::exit(1);
}

std::string framed(const Json& message) {
    const std::string body = message.dump();
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

Json notification(const char* method, Json params) {
    return Json{{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
}

Json request(int id, const char* method, Json params) {
    return Json{{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", std::move(params)}};
}

Json position(std::size_t line, std::size_t character) { return Json{{"line", line}, {"character", character}}; }

// A server on pipes, and what it wrote, read frame by frame.
class Server {
public:
    explicit Server(const char* program) {
        int in[2];
        int out[2];
        if (pipe(in) != 0 || pipe(out) != 0)
            fail(std::string("pipe: ") + std::strerror(errno));
        child = fork();
        if (child < 0)
            fail(std::string("fork: ") + std::strerror(errno));
        if (child == 0) {
            dup2(in[0], STDIN_FILENO);
            dup2(out[1], STDOUT_FILENO);
            close(in[0]);
            close(in[1]);
            close(out[0]);
            close(out[1]);
            execl(program, program, "--lsp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        input = in[1];
        output = out[0];
    }
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;
    ~Server() {
        if (input >= 0)
            close(input);
        close(output);
        if (child > 0) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
        }
    }

    void write(const std::string& bytes) const {
        for (std::size_t at = 0; at < bytes.size();) {
            const ssize_t n = ::write(input, bytes.data() + at, bytes.size() - at);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                fail(std::string("writing to the server: ") + std::strerror(errno));
            at += static_cast<std::size_t>(n);
        }
    }

    // The next message for which `wanted` holds; the others are dropped.
    Json await(const std::function<bool(const Json&)>& wanted) {
        for (;;) {
            const std::size_t end = buffer.find("\r\n\r\n");
            if (end != std::string::npos) {
                const std::size_t length = std::stoul(buffer.substr(buffer.find(':') + 1));
                if (buffer.size() >= end + 4 + length) {
                    Json message = Json::parse(buffer.substr(end + 4, length));
                    buffer.erase(0, end + 4 + length);
                    if (wanted(message))
                        return message;
                    continue;
                }
            }
            char chunk[1 << 16];
            const ssize_t n = read(output, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                fail("the server ended before it answered");
            buffer.append(chunk, static_cast<std::size_t>(n));
        }
    }
    Json answer(int id) {
        return await([id](const Json& m) { return m.contains("id") && m["id"] == id && !m.contains("method"); });
    }
    Json diagnostics(const std::string& uri) {
        return await([&uri](const Json& m) {
            return m.value("method", "") == "textDocument/publishDiagnostics" && m["params"]["uri"] == uri;
        });
    }

    // The CPU time the server has used so far, in seconds.
    double cpu() const {
        std::ifstream stat("/proc/" + std::to_string(child) + "/schedstat");
        double nanoseconds = 0;
        if (!(stat >> nanoseconds))
            fail("no /proc/PID/schedstat to read the server's CPU time from");
        return nanoseconds / 1e9;
    }

    void stop() {
        write(framed(request(999999, "shutdown", nullptr)));
        answer(999999);
        write(framed(notification("exit", nullptr)));
        close(input);
        input = -1;
        int status = 0;
        waitpid(child, &status, 0);
        child = -1;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            fail("the server did not exit with status 0");
    }

private:
    pid_t child = -1;
    int input = -1;
    int output = -1;
    std::string buffer;
};

// What one step took: wall clock from the first byte sent to the answer, and
// the server's CPU time in between.
struct Figure {
    double wall = 0;
    double cpu = 0;
};

class Stopwatch {
public:
    explicit Stopwatch(const Server& server) : server(server) { restart(); }
    void restart() {
        started = Clock::now();
        cpuAtStart = server.cpu();
    }
    Figure stop() const {
        return Figure{std::chrono::duration<double>(Clock::now() - started).count(), server.cpu() - cpuAtStart};
    }

private:
    const Server& server;
    Clock::time_point started;
    double cpuAtStart = 0;
};

const char* const block = "  LOOP n\n    a + b * c ;\n    LOOP 3\n      d * e + f ;\n    END\n  END\n";
const std::size_t blockLines = 6;

// A program of about `bytes` bytes: BEGIN, blocks, END; `tail` before END.
std::string program(std::size_t bytes, const std::string& tail, std::size_t& blocks) {
    blocks = bytes / std::strlen(block) + 1;
    std::string text = "BEGIN\n";
    text.reserve(bytes + 64);
    for (std::size_t i = 0; i < blocks; ++i)
        text += block;
    return text + tail + "END\n";
}

void initialize(Server& server) {
    server.write(framed(request(1, "initialize", {{"processId", nullptr}, {"capabilities", Json::object()}})));
    server.answer(1);
    server.write(framed(notification("initialized", Json::object())));
}

Json open(const std::string& uri, const std::string& text) {
    return notification("textDocument/didOpen",
                        {{"textDocument", {{"uri", uri}, {"languageId", "loopcost"}, {"version", 1}, {"text", text}}}});
}

Json hover(int id, const std::string& uri, std::size_t line, std::size_t character) {
    return request(id, "textDocument/hover",
                   {{"textDocument", {{"uri", uri}}}, {"position", position(line, character)}});
}

Json change(const std::string& uri, int version, std::size_t line, std::size_t character, std::size_t length,
            const char* text) {
    return notification(
        "textDocument/didChange",
        {{"textDocument", {{"uri", uri}, {"version", version}}},
         {"contentChanges",
          {{{"range", {{"start", position(line, character)}, {"end", position(line, character + length)}}},
            {"text", text}}}}});
}

void expect(bool holds, const char* what) {
    if (!holds)
        fail(std::string("the server answered wrongly: ") + what);
}

// The 2 MB program opened; one with an error at its end; a change; a hover.
std::vector<Figure> twoMegabytes(const char* loopcost) {
    Server server(loopcost);
    initialize(server);
    std::size_t blocks = 0;
    const std::string good = program(2000000, "", blocks);
    const std::string bad = program(2000000, "  a + ;\n", blocks);
    const std::string goodUri = "file:///bench/good.lc";
    const std::string badUri = "file:///bench/bad.lc";
    std::vector<Figure> figures;

    Stopwatch watch(server);
    server.write(framed(open(goodUri, good)));
    expect(server.diagnostics(goodUri)["params"]["diagnostics"].empty(), "errors in the 2 MB program");
    figures.push_back(watch.stop());

    watch.restart();
    server.write(framed(open(badUri, bad)));
    expect(server.diagnostics(badUri)["params"]["diagnostics"][0]["range"]["start"]["line"] == 1 + blocks * blockLines,
           "the error at the end of the 2 MB program");
    figures.push_back(watch.stop());

    watch.restart();
    server.write(framed(change(goodUri, 2, 2, 4, 1, "z")));
    expect(server.diagnostics(goodUri)["params"]["diagnostics"].empty(), "errors after a change");
    figures.push_back(watch.stop());

    watch.restart();
    server.write(framed(hover(2, goodUri, 2, 4)));
    const Json answer = server.answer(2);
    expect(answer["result"]["contents"]["value"].get<std::string>().find("`z + b * c ;`") != std::string::npos,
           "the hover after a change");
    figures.push_back(watch.stop());
    server.stop();
    return figures;
}

// One-character changes to a program of `bytes`, each written as soon as
// the last (from another thread: the server writes while it reads), as a
// client sends them, then a hover.
Figure burst(const char* loopcost, std::size_t bytes, int edits, bool scattered) {
    Server server(loopcost);
    initialize(server);
    std::size_t blocks = 0;
    const std::string text = program(bytes, "", blocks);
    const std::string uri = "file:///bench/burst.lc";
    server.write(framed(open(uri, text)));
    server.diagnostics(uri);

    std::vector<std::string> messages;
    std::size_t lastLine = 0;
    for (int i = 0; i < edits; ++i) {
        if (scattered) {  // the 'a' of a statement far from the last, made 'a' again or 'z'
            lastLine = 2 + blockLines * ((static_cast<std::size_t>(i) * 7919 % blocks));
            messages.push_back(framed(change(uri, 2 + i, lastLine, 4, 1, i % 2 ? "a" : "z")));
        } else {  // blanks typed after the first statement's ';'
            lastLine = 2;
            messages.push_back(framed(change(uri, 2 + i, 2, 15 + static_cast<std::size_t>(i), 0, " ")));
        }
    }
    messages.push_back(framed(hover(2, uri, lastLine, 4)));

    Stopwatch watch(server);
    std::thread writer([&server, &messages] {
        for (const std::string& message : messages)
            server.write(message);
    });
    const Json answer = server.answer(2);
    const Figure figure = watch.stop();
    writer.join();
    expect(answer["result"]["contents"]["value"].get<std::string>().find("**Statement**") != std::string::npos,
           "the hover after the changes");
    server.stop();
    return figure;
}

// 40 keystrokes into the 2 MB program as a person types them, 30 ms apart,
// so that the server analyses each version before the next comes, and a
// hover together with the last: the time from the last keystroke to the
// hover's answer, which waits for that version's analysis.
Figure typing(const char* loopcost) {
    Server server(loopcost);
    initialize(server);
    std::size_t blocks = 0;
    const std::string uri = "file:///bench/typing.lc";
    server.write(framed(open(uri, program(2000000, "", blocks))));
    server.diagnostics(uri);
    const int keystrokes = 40;
    Stopwatch watch(server);
    for (int i = 0; i < keystrokes; ++i) {  // blanks typed after the first statement's ';'
        if (i > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        watch.restart();
        server.write(framed(change(uri, 2 + i, 2, 15 + static_cast<std::size_t>(i), 0, " ")));
    }
    server.write(framed(hover(2, uri, 2, 4)));
    const Json answer = server.answer(2);
    const Figure figure = watch.stop();
    expect(answer["result"]["contents"]["value"].get<std::string>().find("`a + b * c ;`") != std::string::npos,
           "the hover after the keystrokes");
    server.stop();
    return figure;
}

Figure least(const std::vector<Figure>& runs) {
    Figure best = runs.front();
    for (const Figure& f : runs) {
        best.wall = std::min(best.wall, f.wall);
        best.cpu = std::min(best.cpu, f.cpu);
    }
    return best;
}

void row(const char* what, const Figure& f) { std::printf("| %s | %.0f | %.3f |\n", what, f.wall * 1000, f.cpu); }

int measure(const char* loopcost, int runs) {
    std::signal(SIGPIPE, SIG_IGN);
    std::vector<std::vector<Figure>> two(4);
    std::vector<Figure> keystrokes;
    std::vector<Figure> typed40;
    std::vector<Figure> typed;
    std::vector<Figure> scattered;
    for (int i = 0; i < runs; ++i) {
        const std::vector<Figure> figures = twoMegabytes(loopcost);
        for (std::size_t k = 0; k < figures.size(); ++k)
            two[k].push_back(figures[k]);
        keystrokes.push_back(burst(loopcost, 2000000, 40, false));
        typed40.push_back(typing(loopcost));
        typed.push_back(burst(loopcost, 4000000, 500, false));
        scattered.push_back(burst(loopcost, 4000000, 500, true));
    }
    std::printf("| language server, from the client's side | ms until answered | server CPU s |\n");
    std::printf("|---|---:|---:|\n");
    row("2 MB program opened, until its diagnostics", least(two[0]));
    row("2 MB program with an error at its end, until its diagnostics", least(two[1]));
    row("one-character change in the 2 MB program, until its diagnostics", least(two[2]));
    row("hover in the 2 MB program after that change", least(two[3]));
    row("40 one-character changes sent together into the 2 MB program, then a hover", least(keystrokes));
    row("40 keystrokes typed 30 ms apart into the 2 MB program, a hover with the last", least(typed40));
    row("500 one-character changes typed into a 4 MB program, then a hover", least(typed));
    row("500 one-character changes scattered over a 4 MB program, then a hover", least(scattered));
    std::printf("\n2 MB: a hover after 40 keystrokes: answered %.0f ms after the last typed, %.0f ms after the first "
                "of 40 sent together (target at most 30)\n",
                least(typed40).wall * 1000, least(keystrokes).wall * 1000);
    std::printf("4 MB: 500 changes, then a hover: %.3f s of server CPU, typed or scattered (target at most 0.5)\n",
                std::max(least(typed).cpu, least(scattered).cpu));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: loopcost-lsp-bench LOOPCOST [RUNS]\n");
        return 2;
    }
    try {
        return measure(argv[1], argc == 3 ? std::max(1, std::atoi(argv[2])) : 3);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "loopcost-lsp-bench: %s\n", e.what());
        return 1;
    }
}
