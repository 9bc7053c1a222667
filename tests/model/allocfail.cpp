// Every allocation of a parse fails in turn: whatever the failing allocation,
// the parse must end in std::bad_alloc and leave nothing allocated behind it.
// This executable replaces the global operator new and delete, so it holds no
// other tests.

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <new>
#include <sstream>
#include <streambuf>
#include <string>
#include <thread>

#include "loopcost/model/expression.h"
#include "loopcost/model/loopstatement.h"
#include "loopcost/model/program.h"
#include "loopcost/model/statementlist.h"
#include "loopcost/model/syntaxerror.h"
#include "loopcost/model/term.h"

namespace {

long live = 0;         // blocks allocated and not yet released
long allocations = 0;  // allocations so far
long failAt = 0;       // the allocation number that fails; 0: none

void* allocate(std::size_t size, std::size_t alignment) {
    if (++allocations == failAt)
        return nullptr;
    if (size == 0)
        size = 1;
    void* block = alignment <= alignof(std::max_align_t)
                      ? std::malloc(size)
                      : std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment);
    if (block)
        ++live;
    return block;
}

void* allocateOrThrow(std::size_t size, std::size_t alignment) {
    void* block = allocate(size, alignment);
    if (!block)
        throw std::bad_alloc();
    return block;
}

void release(void* block) {
    if (!block)
        return;
    --live;
    std::free(block);
}

}  // namespace

void* operator new(std::size_t size) { return allocateOrThrow(size, 0); }
void* operator new[](std::size_t size) { return allocateOrThrow(size, 0); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size, 0); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size, 0); }
void* operator new(std::size_t size, std::align_val_t a) { return allocateOrThrow(size, std::size_t(a)); }
void* operator new[](std::size_t size, std::align_val_t a) { return allocateOrThrow(size, std::size_t(a)); }
void* operator new(std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
    return allocate(size, std::size_t(a));
}
void* operator new[](std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
    return allocate(size, std::size_t(a));
}
void operator delete(void* block) noexcept { release(block); }
void operator delete[](void* block) noexcept { release(block); }
void operator delete(void* block, std::size_t) noexcept { release(block); }
void operator delete[](void* block, std::size_t) noexcept { release(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { release(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { release(block); }
void operator delete(void* block, std::align_val_t) noexcept { release(block); }
void operator delete[](void* block, std::align_val_t) noexcept { release(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { release(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { release(block); }
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept { release(block); }
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept { release(block); }

namespace {

// Swallows the error lines, allocating nothing.
class Discard : public std::streambuf {
protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

enum class Ending { built, syntaxError, outOfMemory };

const char* const endings[] = {"built", "syntax error", "bad_alloc"};

// One parse from a fresh stream, with allocation number `failing` failing.
// Reports whether anything the parse allocated outlived it. The parse runs on
// a thread of its own: the node pool starts a thread with no chunk and gives
// its chunks back when the thread ends, so the chunks a parse takes are among
// the allocations that fail, and one left over shows as a leak.
Ending parseOnce(void (*parse)(std::istream&, const char*), const char* text, long failing, bool& leaked) {
    std::istringstream in(text);
    const long before = live;
    Ending ending = Ending::built;
    std::thread worker([&] {
        allocations = 0;
        failAt = failing;
        try {
            parse(in, text);
        } catch (const SyntaxError&) {
            ending = Ending::syntaxError;
        } catch (const std::bad_alloc&) {
            ending = Ending::outOfMemory;
        }
        failAt = 0;
    });
    worker.join();
    leaked = live != before;
    return ending;
}

struct Case {
    const char* name;
    void (*parse)(std::istream&, const char*);
    const char* text;
    Ending ending;  // with enough memory
};

const Case cases[] = {
    {"program", [](std::istream& in, const char*) { delete new Program(in); },
     "BEGIN a + b * c ; LOOP n x * y ; LOOP 3 p + q ; z ; END w * w + v ; END r * s + t ; END", Ending::built},
    {"program ending in a bad term", [](std::istream& in, const char*) { delete new Program(in); },
     "BEGIN a + b ; LOOP n c * d ; LOOP 3 e ; END f + + g ; END END", Ending::syntaxError},
    {"program ending in a bad END", [](std::istream& in, const char*) { delete new Program(in); },
     "BEGIN a + b ; LOOP n c * d ; LOOP 3 e ; END f ; END g ; END;", Ending::syntaxError},
    {"loop with a bad count", [](std::istream& in, const char*) { delete new LoopStatement(in); },
     "LOOP n a ; b * c ; LOOP 99999999999 d ; END END", Ending::syntaxError},
    {"loop with a bad END", [](std::istream& in, const char*) { delete new LoopStatement(in); },
     "LOOP n a ; b * c ; LOOP 2 d ; END END;", Ending::syntaxError},
    {"statement list", [](std::istream& in, const char*) { delete new Statementlist(in); },
     "a ; b + c ; LOOP n d ; END e * f ; 3", Ending::built},
    {"expression", [](std::istream&, const char* text) { delete new Expression(11, text); }, "a*b*c+d+e*f",
     Ending::built},
    {"term", [](std::istream&, const char* text) { delete new Term(7, text); }, "a*b*c*d", Ending::built},
};

// Fails each allocation of the parse in turn, then lets it run through.
int failEveryAllocation(const Case& c) {
    bool leaked = false;
    if (parseOnce(c.parse, c.text, 0, leaked) != c.ending || leaked) {
        std::printf("%s: does not parse cleanly\n", c.name);
        return 1;
    }
    const long total = allocations;
    int faults = 0;
    for (long n = 1; n <= total + 1; ++n) {
        const Ending expected = n <= total ? Ending::outOfMemory : c.ending;
        const Ending ending = parseOnce(c.parse, c.text, n, leaked);
        if (ending != expected || leaked) {
            std::printf("%s: allocation %ld of %ld failing: %s%s, expected %s\n", c.name, n, total,
                        endings[static_cast<int>(ending)], leaked ? " and a leak" : "",
                        endings[static_cast<int>(expected)]);
            ++faults;
        }
    }
    std::printf("%s: %ld allocations failed in turn\n", c.name, total);
    return faults;
}

}  // namespace

int main() {
    Discard discard;
    std::streambuf* saved = std::cerr.rdbuf(&discard);
    int faults = 0;
    for (const Case& c : cases)
        faults += failEveryAllocation(c);
    std::cerr.rdbuf(saved);
    std::printf(faults ? "FAILED\n" : "OK\n");
    return faults ? 1 : 0;
}
