#ifndef LOOPCOST_NODEPOOL_H
#define LOOPCOST_NODEPOOL_H

#include <cstddef>
#include <cstdint>
#include <type_traits>

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

// Where a thread cuts its nodes from.
struct Cutting {
    void* chunk;        // the chunk nodes are cut from, or null
    char* next;         // its first free byte
    char* end;          // its end
    std::int64_t cuts;  // nodes cut from it
    void* firstOfTree;  // while a tree is made: its first chunk, or null
};

// A whole program's tree is made in one go and dies in one go. While a
// TreeScope lives, the nodes made on its thread are cut from chunks of the
// tree's own, and the root frees them all at once with freeTree, without
// visiting millions of nodes. A scope that is not kept frees the chunks itself:
// the reading failed, and its nodes have been deleted already.
class TreeScope {
public:
    TreeScope();
    ~TreeScope();
    TreeScope(const TreeScope&) = delete;
    TreeScope& operator=(const TreeScope&) = delete;

    // The tree is complete: its chunks now belong to its root.
    void keep() { kept = true; }

private:
    Cutting saved;  // the thread's cutting before the scope
    bool kept = false;
};

// Whether `node` was made inside a kept TreeScope (false for null).
bool cutForTree(const void* node) noexcept;
// Frees at once every node of the tree that `node` was made in.
void freeTree(void* node) noexcept;

}  // namespace nodepool

namespace nodepool {

// A tree's nodes are freed with their chunks, without their destructors: a
// node may hold nothing that needs destroying but pointers to other nodes.
// Each pooled class names all its fields to LOOPCOST_NODE_FIELDS, which
// checks that, and that no field is left out (the class is no larger than
// its virtual table pointer and the named fields, padding aside).
template <class... Fields>
constexpr bool needNoDestroying() {
    return (std::is_trivially_destructible<Fields>::value && ...);
}
template <class Field>
constexpr std::size_t bytesOf() {
    return sizeof(Field);  // NOLINT(bugprone-sizeof-expression): a field may well be a pointer
}
template <class... Fields>
constexpr std::size_t fieldBytes() {
    return (bytesOf<Fields>() + ... + 0);
}

}  // namespace nodepool

#define LOOPCOST_NODE_FIELDS(Class, ...)                                                                               \
    static_assert(nodepool::needNoDestroying<__VA_ARGS__>(), #Class " holds a field that needs destroying");           \
    static_assert(sizeof(Class) < sizeof(void*) + nodepool::fieldBytes<__VA_ARGS__>() + alignof(Class),                \
                  #Class " has a field that LOOPCOST_NODE_FIELDS does not name")

// Gives a class's objects their memory from the node pool.
#ifdef LOOPCOST_NODE_POOL
#define LOOPCOST_POOLED_NODE                                                                                           \
    static void* operator new(std::size_t size) { return nodepool::allocate(size); }                                   \
    static void operator delete(void* node) noexcept { nodepool::release(node); }
#else
#define LOOPCOST_POOLED_NODE
#endif

#endif
