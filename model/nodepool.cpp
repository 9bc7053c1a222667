#include "nodepool.h"

#include <atomic>
#include <cstdint>
#include <new>

namespace nodepool {

namespace {

// Chunks are aligned to their size, so a node finds its chunk by masking its
// address; no per-node header is needed.
const std::size_t chunkSize = std::size_t(1) << 21;
const std::size_t alignment = alignof(void*);  // nodes hold pointers and chars only

// A chunk counts the nodes not yet given back. While a thread cuts from it the
// count carries a large bias, so that no release can bring it to zero; when
// the thread moves on, the bias is swapped for the number of nodes actually
// cut, and whoever brings the count to zero frees the chunk.
const std::int64_t bias = std::int64_t(1) << 40;

struct Chunk {
    std::atomic<std::int64_t> outstanding;
};

const std::size_t firstOffset = (sizeof(Chunk) + alignment - 1) / alignment * alignment;

Chunk* chunkOf(void* node) {
    const std::uintptr_t intoChunk = reinterpret_cast<std::uintptr_t>(node) & (chunkSize - 1);
    return reinterpret_cast<Chunk*>(static_cast<char*>(node) - intoChunk);
}

// What a thread cuts from: plain data, so that reaching it is cheap.
struct Thread {
    Chunk* current;     // the chunk nodes are cut from, or null
    char* next;         // its first free byte
    char* end;          // its end
    std::int64_t cuts;  // nodes cut from it
};

thread_local Thread self;

void freeChunk(Chunk* chunk) {
    chunk->~Chunk();
    ::operator delete(static_cast<void*>(chunk), std::align_val_t(chunkSize));
}

void retire() {
    Chunk* chunk = self.current;
    if (!chunk)
        return;
    self.current = nullptr;
    std::int64_t unused = bias - self.cuts;
    if (chunk->outstanding.fetch_sub(unused, std::memory_order_acq_rel) == unused)
        freeChunk(chunk);
}

struct ThreadEnd {
    ThreadEnd() = default;
    ThreadEnd(const ThreadEnd&) = delete;
    ThreadEnd& operator=(const ThreadEnd&) = delete;
    ~ThreadEnd() { retire(); }
};

// Out of line, so that cutting a node stays a few instructions.
[[gnu::noinline]] void startChunk(std::size_t size) {
    if (size > chunkSize - firstOffset)
        throw std::bad_alloc();
    thread_local ThreadEnd end;  // gives the last chunk back when the thread ends
    (void)end;
    void* memory = ::operator new(chunkSize, std::align_val_t(chunkSize));
    retire();
    self.current = new (memory) Chunk{{bias}};
    self.cuts = 0;
    self.next = static_cast<char*>(memory) + firstOffset;
    self.end = static_cast<char*>(memory) + chunkSize;
}

}  // namespace

void* allocate(std::size_t size) {
    size = (size + alignment - 1) / alignment * alignment;
    if (!self.current || size > static_cast<std::size_t>(self.end - self.next))
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
    std::int64_t left = chunk->outstanding.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) {
        freeChunk(chunk);
    } else if (chunk == self.current && left == bias - self.cuts) {
        // every node cut from this thread's chunk is gone: an idle pool holds
        // no memory
        self.current = nullptr;
        freeChunk(chunk);
    }
}

}  // namespace nodepool
