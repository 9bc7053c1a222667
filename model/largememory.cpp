#include "loopcost/model/largememory.h"

#include <cstdlib>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace largememory {

namespace {

const std::size_t hugePage = std::size_t(2) << 20;

#if defined(__linux__) && defined(MADV_HUGEPAGE)
const bool hugePagesKnown = true;
#else
const bool hugePagesKnown = false;
#endif

// Below a few huge pages, rounding up to whole ones would clear much memory
// that is never used.
const std::size_t largeFrom = 4 * hugePage;

bool isLarge(std::size_t bytes) { return hugePagesKnown && bytes >= largeFrom; }

std::size_t roundedUp(std::size_t bytes) { return (bytes + hugePage - 1) / hugePage * hugePage; }

}  // namespace

void* allocate(std::size_t bytes) {
    if (!isLarge(bytes))
        return ::operator new(bytes);
    void* block = nullptr;
    if (posix_memalign(&block, hugePage, roundedUp(bytes)) != 0)
        throw std::bad_alloc();
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // only a hint, before the first byte is written: a touched page stays small
    ::madvise(block, roundedUp(bytes), MADV_HUGEPAGE);
#endif
    return block;
}

void release(void* block, std::size_t bytes) noexcept {
    if (!isLarge(bytes))
        ::operator delete(block);
    else
        std::free(block);  // NOLINT: it came from posix_memalign
}

}  // namespace largememory
