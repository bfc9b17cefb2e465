#include "common/HeapTuning.h"

#include <cstdint>
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace heaptuning {

void preferLargePages(std::size_t bytes)
{
#if defined(__GLIBC__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kLargePage = std::uintptr_t(2) << 20;
    // Blocks up to 32 MiB come from the heap, and freed memory stays in it.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, static_cast<int>(bytes));
    mallopt(M_TOP_PAD, static_cast<int>(bytes));
    const auto start = reinterpret_cast<std::uintptr_t>(sbrk(0));
    // A block larger than the heap's free top makes it grow, by the top pad on top (volatile:
    // the compiler would drop an allocation that is freed unused).
    void* volatile block = std::malloc(kLargePage);
    std::free(block);
    const auto end = reinterpret_cast<std::uintptr_t>(sbrk(0));
    const std::uintptr_t from = (start + kLargePage - 1) & ~(kLargePage - 1);
    if (start != std::uintptr_t(-1) && end > from)
        madvise(reinterpret_cast<void*>(from), end - from, MADV_HUGEPAGE);
#else
    (void)bytes;
#endif
}

} // namespace heaptuning
