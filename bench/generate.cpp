// Writes a valid program of about the requested size in the canonical layout,
// the same bytes for the same size on every machine: loops nest at most 6 deep,
// each top-level loop nest holds at most 8 loops over n, and statements have 1
// to 4 terms of 1 to 4 variables.
//
//   loopcost-generate BYTES > program.lc

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

class Random {  // a fixed LCG, so the output never depends on the library
public:
    unsigned below(unsigned bound) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<unsigned>(state >> 33) % bound;
    }

private:
    std::uint64_t state = 0x2545F4914F6CDD1DULL;
};

const int maxDepth = 6;
const int maxLoopsOverN = 8;

class Generator {
public:
    explicit Generator(long long target) : target(target) {}

    void program() {
        emit("BEGIN\n");
        do
            item(1);
        while (written < target);
        emit("END\n");
    }

private:
    void item(int depth) {
        if (depth == 1)
            loopsOverN = 0;
        if (depth <= maxDepth && random.below(4) == 0)
            loop(depth);
        else
            statement(depth);
    }

    void loop(int depth) {
        indent(depth);
        if (loopsOverN < maxLoopsOverN && random.below(2) == 0) {
            ++loopsOverN;
            emit("LOOP n\n");
        } else {
            emit("LOOP " + std::to_string(1 + random.below(9)) + "\n");
        }
        unsigned items = 1 + random.below(6);
        for (unsigned i = 0; i < items; ++i)
            item(depth + 1);
        indent(depth);
        emit("END\n");
    }

    void statement(int depth) {
        indent(depth);
        unsigned terms = 1 + random.below(4);
        for (unsigned t = 0; t < terms; ++t) {
            if (t > 0)
                emit(" + ");
            unsigned variables = 1 + random.below(4);
            for (unsigned v = 0; v < variables; ++v) {
                if (v > 0)
                    emit(" * ");
                emit(std::string(1, static_cast<char>('a' + random.below(26))));
            }
        }
        emit(" ;\n");
    }

    void indent(int depth) { emit(std::string(2 * static_cast<std::size_t>(depth), ' ')); }

    void emit(const std::string& text) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        written += static_cast<long long>(text.size());
    }

    long long target;
    long long written = 0;
    int loopsOverN = 0;
    Random random;
};

}  // namespace

int main(int argc, char** argv) {
    char* end = nullptr;
    long long bytes = argc == 2 ? std::strtoll(argv[1], &end, 10) : 0;
    if (argc != 2 || *end != '\0' || bytes <= 0) {
        std::fprintf(stderr, "usage: loopcost-generate BYTES\n");
        return 2;
    }
    Generator(bytes).program();
    return std::fflush(stdout) == 0 ? 0 : 1;
}
