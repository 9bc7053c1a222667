#include "loopcost/model/nodepool.h"

#include <atomic>
#include <new>

#include <sys/mman.h>

namespace nodepool {

namespace {

// Chunks are aligned to their size, so a node finds its chunk by masking its
// address; no per-node header is needed.
const std::size_t chunkSize = std::size_t(1) << 21;
const std::size_t alignment = alignof(void*);  // nodes hold pointers and chars only

// A shared chunk counts the nodes not yet given back. While a thread cuts from
// it the count carries a large bias, so that no release can bring it to zero;
// when the thread moves on, the bias is swapped for the number of nodes
// actually cut, and whoever brings the count to zero frees the chunk. A tree's
// chunk counts nothing: it is freed with its tree.
const std::int64_t bias = std::int64_t(1) << 40;

struct Chunk {
    std::atomic<std::int64_t> outstanding;  // shared chunks: nodes not given back
    Chunk* first;                           // tree chunks: the tree's first chunk; null if shared
    Chunk* nextOfTree;                      // tree chunks: the tree's next chunk, or null
};

const std::size_t firstOffset = (sizeof(Chunk) + alignment - 1) / alignment * alignment;

Chunk* chunkOf(const void* node) {
    const std::uintptr_t intoChunk = reinterpret_cast<std::uintptr_t>(node) & (chunkSize - 1);
    return reinterpret_cast<Chunk*>(const_cast<char*>(static_cast<const char*>(node)) - intoChunk);
}

thread_local Cutting self;       // plain data, so that reaching it is cheap
thread_local void* spare;        // a free chunk's memory, kept for the next chunk needed
thread_local bool threadEnding;  // the thread's chunks have been given back

Chunk* current() { return static_cast<Chunk*>(self.chunk); }
char* firstByte(Chunk* chunk) { return reinterpret_cast<char*>(chunk) + firstOffset; }

void freeMemory(void* memory) { ::operator delete(memory, std::align_val_t(chunkSize)); }

void freeChunk(Chunk* chunk) {
    chunk->~Chunk();
    freeMemory(chunk);
}

void retire() {
    Chunk* chunk = current();
    if (!chunk || chunk->first)  // a tree's chunks stay with the tree
        return;
    self.chunk = nullptr;
    std::int64_t unused = bias - self.cuts;
    if (chunk->outstanding.fetch_sub(unused, std::memory_order_acq_rel) == unused)
        freeChunk(chunk);
}

struct ThreadEnd {
    ThreadEnd() = default;
    ThreadEnd(const ThreadEnd&) = delete;
    ThreadEnd& operator=(const ThreadEnd&) = delete;
    ~ThreadEnd() {
        threadEnding = true;
        retire();
        if (spare)
            freeMemory(spare);
        spare = nullptr;
    }
};

void givenBackAtThreadEnd() {
    thread_local ThreadEnd end;
    (void)end;
}

// A program read after program, or statement after statement, would otherwise
// map and unmap a chunk each time: one free chunk is kept per thread.
void keepOrFree(Chunk* chunk) {
    if (spare || threadEnding) {
        freeChunk(chunk);
        return;
    }
    givenBackAtThreadEnd();
    chunk->~Chunk();
    spare = chunk;
}

void keepOrFreeFrom(Chunk* chunk) {
    while (chunk) {
        Chunk* next = chunk->nextOfTree;
        keepOrFree(chunk);
        chunk = next;
    }
}

// A tree that needs a second chunk is a large one. Its chunks, being as large
// as a huge page and aligned to one, can each be one page instead of 512: the
// kernel then takes one fault per chunk instead of one per 4 KiB, and walking
// the tree misses the TLB far less. Asked for before the chunk's first byte is
// written, as a page once touched stays small. Only a hint: where it is not
// granted, nothing changes.
void askForHugePage(void* memory) {
#ifdef MADV_HUGEPAGE
    ::madvise(memory, chunkSize, MADV_HUGEPAGE);
#else
    (void)memory;
#endif
}

Chunk* newChunk(Chunk* first) {
    givenBackAtThreadEnd();
    void* memory = spare;
    spare = nullptr;
    if (!memory) {
        memory = ::operator new(chunkSize, std::align_val_t(chunkSize));
        if (first)
            askForHugePage(memory);
    }
    return new (memory) Chunk{{bias}, first, nullptr};
}

void cutFrom(Chunk* chunk) {
    self.chunk = chunk;
    self.cuts = 0;
    self.next = firstByte(chunk);
    self.end = reinterpret_cast<char*>(chunk) + chunkSize;
}

// Out of line, so that cutting a node stays a few instructions.
[[gnu::noinline]] void startChunk(std::size_t size) {
    if (size > chunkSize - firstOffset)
        throw std::bad_alloc();
    Chunk* first = static_cast<Chunk*>(self.firstOfTree);
    Chunk* chunk = newChunk(first);
    if (first)
        current()->nextOfTree = chunk;
    else
        retire();
    cutFrom(chunk);
}

}  // namespace

void* allocate(std::size_t size) {
    size = (size + alignment - 1) / alignment * alignment;
    if (!self.chunk || size > static_cast<std::size_t>(self.end - self.next))
        startChunk(size);
    void* node = self.next;
    self.next += size;
    ++self.cuts;
    return node;
}

void release(void* node) noexcept {
    if (!node)
        return;
    Chunk* chunk = chunkOf(node);
    if (chunk->first)  // freed with its tree
        return;
    std::int64_t left = chunk->outstanding.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) {
        keepOrFree(chunk);
    } else if (chunk == current() && left == bias - self.cuts) {
        // every node cut from this thread's chunk is gone: cut again from its
        // start
        chunk->outstanding.store(bias, std::memory_order_relaxed);
        cutFrom(chunk);
    }
}

#ifdef LOOPCOST_NODE_POOL

// The tree's first chunk is taken here, so that the tree is known by it even
// before its first node.
TreeScope::TreeScope() : saved(self) {
    Chunk* first = newChunk(nullptr);
    first->first = first;
    cutFrom(first);
    self.firstOfTree = first;
}

TreeScope::~TreeScope() {
    Chunk* first = static_cast<Chunk*>(self.firstOfTree);
    self = saved;
    if (!kept)
        keepOrFreeFrom(first);
}

bool cutForTree(const void* node) noexcept { return node && chunkOf(node)->first; }

#else  // nodes are allocated one by one: a tree is freed node by node

TreeScope::TreeScope() : saved(self) {}
TreeScope::~TreeScope() { self = saved; }
bool cutForTree(const void*) noexcept { return false; }

#endif

void freeTree(void* node) noexcept { keepOrFreeFrom(chunkOf(node)->first); }

}  // namespace nodepool
