#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "loopcost/suites/debugheap.h"

void holdUntilExit();  // heldbystatics.cpp, a shared library

// Each scenario does one thing right or wrong with the heap, set up as the
// suites executable sets it up; CTest compares what it writes with the
// expected files beside this one. The faulty writes go through `escaped` so
// that the optimiser, which may assume them away, keeps them.

namespace {

char* volatile escaped;

char* hide(char* pointer) {
    escaped = pointer;
    return escaped;
}

void setUpHeap() {
    int flags = debugheap::setFlags(debugheap::reportFlag);
    debugheap::setFlags(flags | debugheap::checkAlways | debugheap::delayFree | debugheap::leakCheck);
    for (int type : {debugheap::reportWarn, debugheap::reportError, debugheap::reportAssert}) {
        debugheap::setReportMode(type, debugheap::modeFile);
        debugheap::setReportFile(type, debugheap::fileStdout);
    }
    debugheap::setBreakAlloc(0);
}

void leakTwoOfThree() {
    std::memcpy(hide(new char[13]), "first leak!", sizeof "first leak!");
    delete[] hide(new char[40]);
    hide(new char[7]);
}

void writeIntoFreed() {
    delete[] hide(new char[13]);
    escaped[5] = 'x';  // NOLINT(clang-analyzer-cplusplus.NewDelete): the fault to be caught
    delete hide(new char[1]);
}

void writePastEnd() {
    char* block = hide(new char[13]);
    block[13] = '!';
    delete[] block;
}

void writeBeforeStart() {
    char* block = hide(new char[13]);
    block[-1] = '!';
    delete[] block;
}

void releaseTwice() {
    delete[] hide(new char[13]);
    delete[] escaped;  // NOLINT(clang-analyzer-cplusplus.NewDelete): the fault to be caught
}

void releaseWithWrongSize() { ::operator delete(hide(static_cast<char*>(::operator new(13))), 12); }

struct alignas(64) Wide {
    char bytes[64];
};

bool aligned(const void* pointer, std::size_t alignment) {
    return reinterpret_cast<std::uintptr_t>(pointer) % alignment == 0;
}

// Every form of the operators, used rightly, is silent; aligned forms align.
void useEveryForm() {
    delete new int(1);
    delete[] new int[3];
    delete new (std::nothrow) int(2);
    delete[] new (std::nothrow) int[3];
    Wide* one = new Wide;
    Wide* some = new Wide[3];
    Wide* quiet = new (std::nothrow) Wide;
    if (!aligned(one, 64) || !aligned(some, 64) || !aligned(quiet, 64))
        std::printf("misaligned\n");
    delete one;
    delete[] some;
    delete quiet;
    ::operator delete(::operator new(5, std::nothrow), std::nothrow);
    ::operator delete[](::operator new[](5, std::align_val_t(32)), std::align_val_t(32));
    ::operator delete(::operator new(5, std::align_val_t(32), std::nothrow), std::align_val_t(32), std::nothrow);
    std::string text(100, 'a');
    if (void* none = ::operator new(SIZE_MAX / 2, std::nothrow)) {
        std::printf("nothrow new gave memory it cannot have\n");
        ::operator delete(none);
    }
    try {
        escaped = static_cast<char*>(::operator new(SIZE_MAX / 2));
        std::printf("new gave memory it cannot have\n");
    } catch (const std::bad_alloc&) {
    }
}

volatile std::sig_atomic_t trappedAt = 0;
volatile std::sig_atomic_t allocating = 0;

void noteTrap(int) { trappedAt = allocating; }

void breakAtThird() {
    std::signal(SIGTRAP, noteTrap);
    debugheap::setBreakAlloc(3);
    for (allocating = 1; allocating <= 5; allocating = allocating + 1)
        delete hide(new char);
    std::printf("trapped at allocation %d\n", static_cast<int>(trappedAt));
}

// Warnings (leaks) switched off, errors (damage) sent to standard error.
void routeReports() {
    debugheap::setReportMode(debugheap::reportWarn, 0);
    debugheap::setReportFile(debugheap::reportError, debugheap::fileStderr);
    hide(new char[13]);
    writePastEnd();
}

std::string heldByGlobal;

// Statics of the program and of a shared library free their blocks during
// exit, after main: none of them is a leak.
void holdInStatics() {
    static std::string heldByLocal(100, 'l');
    heldByGlobal.assign(100, 'g');
    holdUntilExit();
}

struct Scenario {
    const char* name;
    void (*run)();
};

const Scenario scenarios[] = {
    {"leak", leakTwoOfThree},           {"freed", writeIntoFreed}, {"past-end", writePastEnd},
    {"before-start", writeBeforeStart}, {"twice", releaseTwice},   {"wrong-size", releaseWithWrongSize},
    {"every-form", useEveryForm},       {"break", breakAtThird},   {"routing", routeReports},
    {"statics", holdInStatics},
};

}  // namespace

int main(int argc, char** argv) {
    setUpHeap();
    for (const Scenario& scenario : scenarios)
        if (argc == 2 && std::strcmp(argv[1], scenario.name) == 0) {
            scenario.run();
            std::printf("done\n");
            return 0;
        }
    std::printf("usage: heapfaults SCENARIO\n");
    return 2;
}
