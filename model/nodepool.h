#ifndef LOOPCOST_NODEPOOL_H
#define LOOPCOST_NODEPOOL_H

#include <cstddef>

// Where the nodes of parse trees live. A tree of a large program has millions
// of small nodes that are made together and die together, so they are cut
// from large chunks instead of being allocated one by one: allocation moves a
// pointer, and a chunk goes back to the heap as a whole when its last node is
// deleted. Each thread cuts from a chunk of its own; a node may be deleted on
// any thread.
namespace nodepool {

// Memory for one node of `size` bytes; throws std::bad_alloc.
void* allocate(std::size_t size);
// Gives back memory that allocate() returned.
void release(void* node) noexcept;

}  // namespace nodepool

// Gives a class's objects their memory from the node pool.
#ifdef LOOPCOST_NODE_POOL
#define LOOPCOST_POOLED_NODE                                                                                           \
    static void* operator new(std::size_t size) { return nodepool::allocate(size); }                                   \
    static void operator delete(void* node) noexcept { nodepool::release(node); }
#else
#define LOOPCOST_POOLED_NODE
#endif

#endif
