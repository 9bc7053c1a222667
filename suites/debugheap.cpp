#include "loopcost/suites/debugheap.h"

#include <csignal>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include <cxxabi.h>

namespace debugheap {

namespace {
int flags = 0;
// Until the entry function routes them, reports go to standard error rather
// than nowhere: a fault found during static initialisation still shows.
int modes[3] = {modeFile, modeFile, modeFile};
int files[3] = {fileStderr, fileStderr, fileStderr};
long breakAlloc = 0;

bool knownType(int type) { return type >= reportWarn && type <= reportAssert; }
}  // namespace

int setFlags(int newFlags) {
    int old = flags;
    if (newFlags != reportFlag)
        flags = newFlags;
    return old;
}

int setReportMode(int type, int mode) {
    if (!knownType(type))
        return -1;
    int old = modes[type];
    modes[type] = mode;
    return old;
}

int setReportFile(int type, int file) {
    if (!knownType(type))
        return -1;
    int old = files[type];
    files[type] = file;
    return old;
}

long setBreakAlloc(long number) {
    long old = breakAlloc;
    breakAlloc = number;
    return old;
}

}  // namespace debugheap

#if LOOPCOST_DEBUG_HEAP

// The checking heap proper. The executables it serves run on one thread, so
// nothing here is locked. Its own bookkeeping lives in the blocks it takes
// from malloc, so tracking a block never calls operator new.
namespace debugheap {

namespace {

const unsigned char guardByte = 0xFD;  // frames every block
const unsigned char cleanByte = 0xCD;  // a new block's bytes, so a read before any write stands out
const unsigned char deadByte = 0xDD;   // a retained released block's bytes
const std::size_t backGuardSize = 16;
const std::size_t defaultAlignment = __STDCPP_DEFAULT_NEW_ALIGNMENT__;

enum State : std::uint32_t {
    live = 0x6C697665,      // handed out
    retained = 0x64656164,  // released and kept, filled with deadByte
    returned = 0x676F6E65,  // released and given back to malloc
};

// Sits right before the bytes handed out; its last field is the front guard.
struct Block {
    Block* prev;  // neighbours in liveBlocks or retainedBlocks
    Block* next;
    void* base;        // what malloc or posix_memalign returned, for free
    std::size_t size;  // bytes asked for
    long number;       // allocation number, from 1
    std::uint32_t state;
    unsigned char front[20];  // guard bytes, ending where the user's bytes begin
};
static_assert(sizeof(Block) % defaultAlignment == 0, "user bytes would lose malloc's alignment");
static_assert(offsetof(Block, front) + sizeof(Block::front) == sizeof(Block),
              "the front guard must touch the user's bytes");

// Blocks in allocation order, so that leaks are listed oldest first.
struct BlockList {
    Block* first;
    Block* last;
};

BlockList liveBlocks = {nullptr, nullptr};
BlockList retainedBlocks = {nullptr, nullptr};
long allocations = 0;

// What the heap was doing when it found a fault, for the report.
struct Occasion {
    const char* what;
    long number;
};

void append(BlockList& list, Block* block) {
    block->prev = list.last;
    block->next = nullptr;
    (list.last ? list.last->next : list.first) = block;
    list.last = block;
}

void unlink(BlockList& list, Block* block) {
    (block->prev ? block->prev->next : list.first) = block->next;
    (block->next ? block->next->prev : list.last) = block->prev;
}

unsigned char* userBytes(Block* block) { return reinterpret_cast<unsigned char*>(block + 1); }
unsigned char* backGuard(Block* block) { return userBytes(block) + block->size; }
Block* blockOf(void* pointer) { return static_cast<Block*>(pointer) - 1; }

void report(int type, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Writes one line; stdio, not iostreams, so that reporting never allocates
// through operator new and keeps its place among the runner's output.
void report(int type, const char* format, ...) {
    if (!(modes[type] & modeFile))
        return;
    char line[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    std::FILE* out = files[type] == fileStdout ? stdout : stderr;
    std::fprintf(out, "heap: %s\n", line);
    std::fflush(out);
}

void describe(const Occasion& at, char* text, std::size_t capacity) {
    if (at.number > 0)
        std::snprintf(text, capacity, "found %s %ld", at.what, at.number);
    else
        std::snprintf(text, capacity, "found %s", at.what);
}

// All `count` bytes equal `fill`: the first does, and each equals its successor.
bool filledWith(const unsigned char* bytes, std::size_t count, unsigned char fill) {
    return count == 0 || (bytes[0] == fill && std::memcmp(bytes, bytes + 1, count - 1) == 0);
}

bool frontIntact(Block* block) { return filledWith(block->front, sizeof block->front, guardByte); }
bool backIntact(Block* block) { return filledWith(backGuard(block), backGuardSize, guardByte); }

void guard(Block* block) {
    std::memset(block->front, guardByte, sizeof block->front);
    std::memset(backGuard(block), guardByte, backGuardSize);
}

// A damaged guard is reported and then mended, so the run goes on and each
// damage is told once.
void checkLive(Block* block, const Occasion& at) {
    char where[64];
    if (!frontIntact(block)) {
        describe(at, where, sizeof where);
        report(reportError, "block %ld, %zu bytes, written before its start (%s)", block->number, block->size, where);
    }
    if (!backIntact(block)) {
        describe(at, where, sizeof where);
        report(reportError, "block %ld, %zu bytes, written past its end (%s)", block->number, block->size, where);
    }
    guard(block);
}

void checkRetained(Block* block, const Occasion& at) {
    if (frontIntact(block) && filledWith(userBytes(block), block->size, deadByte) && backIntact(block))
        return;
    char where[64];
    describe(at, where, sizeof where);
    report(reportError, "freed block %ld, %zu bytes, written after release (%s)", block->number, block->size, where);
    std::memset(userBytes(block), deadByte, block->size);
    guard(block);
}

void checkAll(const Occasion& at) {
    for (Block* block = liveBlocks.first; block; block = block->next)
        checkLive(block, at);
    for (Block* block = retainedBlocks.first; block; block = block->next)
        checkRetained(block, at);
}

// The first bytes of a leaked block, printable ones as they are, help tell
// which object it was.
void reportLeak(Block* block) {
    const std::size_t shown = block->size < 16 ? block->size : 16;
    char data[17];
    for (std::size_t i = 0; i < shown; ++i) {
        unsigned char c = userBytes(block)[i];
        data[i] = c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '.';
    }
    data[shown] = '\0';
    report(reportWarn, "leaked block %ld, %zu bytes: <%s>", block->number, block->size, data);
}

// Runs after every static object of the process is gone (see the note at
// ExitCheck below).
void checkAtExit() {
    if (flags & checkAlways)
        checkAll(Occasion{"at exit", 0});
    if (flags & leakCheck)
        for (Block* block = liveBlocks.first; block; block = block->next)
            reportLeak(block);
}

std::size_t roundUp(std::size_t n, std::size_t multiple) { return (n + multiple - 1) / multiple * multiple; }

// Takes the memory for a block of `size` bytes from malloc and frames it;
// null when there is none.
Block* obtain(std::size_t size, std::size_t alignment, long number) {
    const std::size_t offset = alignment <= defaultAlignment ? sizeof(Block) : roundUp(sizeof(Block), alignment);
    if (size > SIZE_MAX - offset - backGuardSize)
        return nullptr;
    void* base = nullptr;
    if (alignment <= defaultAlignment)
        base = std::malloc(offset + size + backGuardSize);
    else if (posix_memalign(&base, alignment, offset + size + backGuardSize) != 0)
        base = nullptr;
    if (!base)
        return nullptr;
    Block* block = reinterpret_cast<Block*>(static_cast<unsigned char*>(base) + offset) - 1;
    block->base = base;
    block->size = size;
    block->number = number;
    block->state = live;
    guard(block);
    std::memset(userBytes(block), cleanByte, size);
    return block;
}

void* allocate(std::size_t size, std::size_t alignment) {
    if (flags & checkAlways)
        checkAll(Occasion{"before allocation", allocations + 1});
    const long number = ++allocations;
    if (number == breakAlloc)
        std::raise(SIGTRAP);
    Block* block = obtain(size, alignment, number);
    if (!block)
        return nullptr;
    append(liveBlocks, block);
    return userBytes(block);
}

const std::size_t sizeUnknown = SIZE_MAX;

void release(void* pointer, std::size_t sizeGiven) {
    if (!pointer)
        return;
    Block* block = blockOf(pointer);
    const bool ours = block->state == live || block->state == retained;
    if (flags & checkAlways)
        checkAll(ours ? Occasion{"at release of block", block->number} : Occasion{"at a release", 0});
    if (block->state == retained) {
        report(reportAssert, "block %ld, %zu bytes, released twice", block->number, block->size);
        return;
    }
    if (block->state != live) {
        // Left alone: giving memory the heap did not hand out to free would
        // damage malloc's own records.
        report(reportAssert, "release of %p, which the heap did not hand out", pointer);
        return;
    }
    if (!(flags & checkAlways))
        checkLive(block, Occasion{"at release of block", block->number});
    if (sizeGiven != sizeUnknown && sizeGiven != block->size)
        report(reportAssert, "block %ld, %zu bytes, released as %zu bytes", block->number, block->size, sizeGiven);
    unlink(liveBlocks, block);
    if (flags & delayFree) {
        block->state = retained;
        std::memset(userBytes(block), deadByte, block->size);
        append(retainedBlocks, block);
    } else {
        block->state = returned;
        std::free(block->base);
    }
}

// What operator new must do when memory runs out: ask the new-handler to
// free some and try again, or throw when there is none.
void* allocateOrThrow(std::size_t size, std::size_t alignment) {
    for (;;) {
        if (void* pointer = allocate(size, alignment))
            return pointer;
        std::new_handler handler = std::get_new_handler();
        if (!handler)
            throw std::bad_alloc();
        handler();
    }
}

void* allocateOrNull(std::size_t size, std::size_t alignment) noexcept {
    try {
        return allocateOrThrow(size, alignment);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// The leak check must run after the last static object of the process is
// destroyed: the executable's, every shared library's (CppUnit is one), and
// every function-local static (CppUnit's registry is one). Exit handlers run
// in the reverse order of their registration, and static destructors are
// exit handlers registered as each object is built. So the check registers
// itself before any object is built anywhere: from the executable's
// pre-initialisation array, which the dynamic linker runs before the
// initialisers of every shared library. It is registered with no owning
// module, so that finalising one (as the executable's own finalisation does
// for handlers tied to it) does not run it early.
void runExitCheck(void*) { checkAtExit(); }

void registerExitCheck() { abi::__cxa_atexit(runExitCheck, nullptr, nullptr); }

__attribute__((section(".preinit_array"), used)) void (*exitCheckRegistration)() = registerExitCheck;

}  // namespace

}  // namespace debugheap

using debugheap::allocateOrNull;
using debugheap::allocateOrThrow;
using debugheap::defaultAlignment;
using debugheap::release;
using debugheap::sizeUnknown;

void* operator new(std::size_t size) { return allocateOrThrow(size, defaultAlignment); }
void* operator new[](std::size_t size) { return allocateOrThrow(size, defaultAlignment); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocateOrNull(size, defaultAlignment); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return allocateOrNull(size, defaultAlignment);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    return allocateOrThrow(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return allocateOrThrow(size, static_cast<std::size_t>(alignment));
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return allocateOrNull(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return allocateOrNull(size, static_cast<std::size_t>(alignment));
}

void operator delete(void* pointer) noexcept { release(pointer, sizeUnknown); }
void operator delete[](void* pointer) noexcept { release(pointer, sizeUnknown); }
void operator delete(void* pointer, const std::nothrow_t&) noexcept { release(pointer, sizeUnknown); }
void operator delete[](void* pointer, const std::nothrow_t&) noexcept { release(pointer, sizeUnknown); }
void operator delete(void* pointer, std::size_t size) noexcept { release(pointer, size); }
void operator delete[](void* pointer, std::size_t size) noexcept { release(pointer, size); }
void operator delete(void* pointer, std::align_val_t) noexcept { release(pointer, sizeUnknown); }
void operator delete[](void* pointer, std::align_val_t) noexcept { release(pointer, sizeUnknown); }
void operator delete(void* pointer, std::align_val_t, const std::nothrow_t&) noexcept { release(pointer, sizeUnknown); }
void operator delete[](void* pointer, std::align_val_t, const std::nothrow_t&) noexcept {
    release(pointer, sizeUnknown);
}
void operator delete(void* pointer, std::size_t size, std::align_val_t) noexcept { release(pointer, size); }
void operator delete[](void* pointer, std::size_t size, std::align_val_t) noexcept { release(pointer, size); }

#endif
