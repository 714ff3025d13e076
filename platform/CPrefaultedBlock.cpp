#include "CPrefaultedBlock.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <system_error>

#include <sys/resource.h>
#include <unistd.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

constexpr std::size_t PAGE = 4096;

// Whether freed blocks stay on the heap for the next allocation.
bool KeepBlocksOnTheHeap()
{
#if defined(__GLIBC__)
    static std::once_flag once;
    static bool bKept = false;
    std::call_once(once, [] {
        // Above the largest block, mapped on their own; at most twice that left free at the
        // top of the heap before it is given back.
        bKept = mallopt(M_MMAP_THRESHOLD, static_cast<int>(CPrefaultedBlock::MAX_BYTES + (std::size_t{2} << 20))) == 1 &&
                mallopt(M_TRIM_THRESHOLD, static_cast<int>(2 * CPrefaultedBlock::MAX_BYTES + (std::size_t{4} << 20))) == 1;
    });
    return bKept;
#else
    return false;
#endif
}

} // namespace

CPrefaultedBlock::CPrefaultedBlock(std::size_t nBytes)
{
    if (nBytes != 0 && nBytes <= MAX_BYTES && KeepBlocksOnTheHeap())
        m_p = static_cast<unsigned char*>(std::malloc(nBytes));
    if (!m_p) {
        m_bTouched = true;
        return;
    }
    m_nBytes = nBytes;
    try {
        m_thread = std::thread([this] {
            // Behind every thread that draws or decodes.
            ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 19);
            // A write a page makes the kernel map it; volatile, so the writes are not dropped
            // as stores to memory that is only freed.
            volatile unsigned char* p = m_p;
            for (std::size_t n = 0; n < m_nBytes; n += PAGE)
                p[n] = 0;
            m_bTouched.store(true, std::memory_order_release);
        });
    } catch (const std::system_error&) {
        m_bTouched = true;  // no thread to be had: the driver maps its pages itself
    }
}

CPrefaultedBlock::~CPrefaultedBlock()
{
    if (m_thread.joinable())
        m_thread.join();
    std::free(m_p);
}
