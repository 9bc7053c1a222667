#ifndef LOOPCOST_LARGEMEMORY_H
#define LOOPCOST_LARGEMEMORY_H

#include <cstddef>

// Memory for the large arrays that go with a large program: its text, the
// spans of its statements, their costs. Each 4 KiB page of fresh memory costs
// a fault in the kernel; a block of 8 MiB or more is aligned to 2 MiB and the
// kernel is asked to back it with huge pages, so that it costs one fault per
// 2 MiB instead. Smaller blocks come from the heap as usual.
namespace largememory {

// Throws std::bad_alloc.
void* allocate(std::size_t bytes);
// Gives back a block that allocate(bytes) returned.
void release(void* block, std::size_t bytes) noexcept;

// An allocator for the containers of such arrays.
template <class T>
class Allocator {
public:
    using value_type = T;

    Allocator() = default;
    template <class U>
    Allocator(const Allocator<U>&) noexcept {}  // NOLINT: converts implicitly, as allocators do

    T* allocate(std::size_t count) { return static_cast<T*>(largememory::allocate(count * sizeof(T))); }
    void deallocate(T* block, std::size_t count) noexcept { largememory::release(block, count * sizeof(T)); }

    template <class U>
    bool operator==(const Allocator<U>&) const noexcept {
        return true;
    }
    template <class U>
    bool operator!=(const Allocator<U>&) const noexcept {
        return false;
    }
};

}  // namespace largememory

#endif
