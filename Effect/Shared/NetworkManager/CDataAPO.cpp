#include "NetworkManager/CDataAPO.h"

#include <unistd.h>

#include <new>
#include <utility>

#if defined(__SANITIZE_ADDRESS__)
#define TARVO_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TARVO_ADDRESS_SANITIZER 1
#endif
#endif
#ifdef TARVO_ADDRESS_SANITIZER
#include <sanitizer/asan_interface.h>
// A kept block is poisoned, so that a record used after its release is
// still reported.
#define TARVO_POISON_BLOCK(p) ASAN_POISON_MEMORY_REGION((p), sizeof(CDataAPO))
#define TARVO_UNPOISON_BLOCK(p) ASAN_UNPOISON_MEMORY_REGION((p), sizeof(CDataAPO))
#else
#define TARVO_POISON_BLOCK(p) static_cast<void>(p)
#define TARVO_UNPOISON_BLOCK(p) static_cast<void>(p)
#endif

namespace TarvoFX {

namespace {

// Enough for the records of one request in flight and a few queued ones.
constexpr size_t kKeptBlocks = 8;

// Constant-initialised and trivially destructible, so it is usable at any
// point of a thread's life; bClosed is set once the thread's cleanup has
// given the kept blocks back, and blocks released after that are freed.
struct SBlockCache {
    void* apBlocks[kKeptBlocks];
    size_t nCount;
    bool bArmed;
    bool bClosed;
};
thread_local SBlockCache t_blocks = {};

// Gives the thread's kept blocks back when the thread ends; armed by the
// first block kept.
struct SBlockCacheCloser {
    void Arm() {}
    ~SBlockCacheCloser() {
        t_blocks.bClosed = true;
        while (t_blocks.nCount > 0) {
            void* pBlock = t_blocks.apBlocks[--t_blocks.nCount];
            TARVO_UNPOISON_BLOCK(pBlock);
            ::operator delete(pBlock);
        }
    }
};
thread_local SBlockCacheCloser t_blocksCloser;

}  // namespace

void* CDataAPO::operator new(size_t nSize) {
    SBlockCache& cache = t_blocks;
    if (nSize == sizeof(CDataAPO) && cache.nCount > 0) {
        void* pBlock = cache.apBlocks[--cache.nCount];
        TARVO_UNPOISON_BLOCK(pBlock);
        return pBlock;
    }
    return ::operator new(nSize);
}

void CDataAPO::operator delete(void* pBlock, size_t nSize) noexcept {
    SBlockCache& cache = t_blocks;
    if (pBlock == nullptr || nSize != sizeof(CDataAPO) || cache.bClosed ||
        cache.nCount == kKeptBlocks) {
        ::operator delete(pBlock);
        return;
    }
    if (!cache.bArmed) {
        t_blocksCloser.Arm();
        cache.bArmed = true;
    }
    TARVO_POISON_BLOCK(pBlock);
    cache.apBlocks[cache.nCount++] = pBlock;
}

CDataAPO::~CDataAPO() {
    for (int nFD : vecFDs) {
        close(nFD);
    }
}

std::vector<int> CDataAPO::ReleaseFDs() {
    return std::exchange(vecFDs, {});
}

}  // namespace TarvoFX
