#pragma once

#include <atomic>
#include <cstddef>
#include <thread>

// Pages of the heap touched ahead of a large allocation that code we do not control will make
// in one step (a software GL driver's storage for a texture, which Mesa's llvmpipe allocates
// and clears at once: some 20 ms for a 2048 x 2048 texture on a virtual machine, most of it
// the kernel handing out fresh pages). The block is allocated by the thread that will make the
// allocation, and its pages touched on a thread of its own, at low priority, while that thread
// goes on; once the block is freed, the allocator hands the same pages, already mapped, to the
// next allocation that fits, so the driver's step costs what clearing memory costs.
//
// That needs glibc's allocator to keep the block rather than map it afresh or give it back:
// the first block sets the process's thresholds for mapping and trimming (mallopt) so that
// blocks up to MAX_BYTES stay on the heap. Larger ones are not touched (Touched is true at
// once); elsewhere touching costs a little and gains nothing.
class CPrefaultedBlock {
public:
    static constexpr std::size_t MAX_BYTES = std::size_t{30} << 20;

    explicit CPrefaultedBlock(std::size_t nBytes);
    ~CPrefaultedBlock();  // waits for the touching, then frees
    CPrefaultedBlock(const CPrefaultedBlock&) = delete;
    CPrefaultedBlock& operator=(const CPrefaultedBlock&) = delete;

    bool Touched() const { return m_bTouched.load(std::memory_order_acquire); }

private:
    unsigned char* m_p = nullptr;
    std::size_t m_nBytes = 0;
    std::atomic<bool> m_bTouched{false};
    std::thread m_thread;
};
