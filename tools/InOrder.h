#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

// fnBuild(i) for every i below n, on nThreads threads (0: one per core), and fnTake with each
// result in order of i on the calling thread: work that can be done apart, written out in
// order. fnBuild is never called for an i 2 * nThreads or more past those fnTake has been
// given, so that no more than that many results wait in memory. An exception of either
// reaches the caller once every worker has stopped; no fnTake follows it.
template <class T, class FBuild, class FTake>
void InOrder(std::size_t n, unsigned nThreads, FBuild fnBuild, FTake fnTake)
{
    if (nThreads == 0)
        nThreads = std::max(1u, std::thread::hardware_concurrency());
    nThreads = static_cast<unsigned>(std::min<std::size_t>(nThreads, n));
    if (nThreads <= 1) {
        for (std::size_t i = 0; i < n; ++i)
            fnTake(fnBuild(i));
        return;
    }
    const std::size_t nAhead = 2 * std::size_t{nThreads};
    struct SSlot {
        std::optional<T> result;
        std::exception_ptr error;
        bool bDone = false;
    };
    std::vector<SSlot> aSlots(n);
    std::mutex mutex;
    std::condition_variable cv;
    std::size_t nNext = 0, nTaken = 0;
    bool bStop = false;
    auto work = [&] {
        for (;;) {
            std::size_t i;
            {
                std::unique_lock lock(mutex);
                cv.wait(lock, [&] { return bStop || nNext >= n || nNext < nTaken + nAhead; });
                if (bStop || nNext >= n)
                    return;
                i = nNext++;
            }
            std::optional<T> result;
            std::exception_ptr error;
            try {
                result.emplace(fnBuild(i));
            } catch (...) {
                error = std::current_exception();
            }
            std::lock_guard lock(mutex);
            aSlots[i].result = std::move(result);
            aSlots[i].error = error;
            aSlots[i].bDone = true;
            cv.notify_all();
        }
    };
    std::vector<std::thread> aWorkers;
    auto stop = [&] {
        {
            std::lock_guard lock(mutex);
            bStop = true;
        }
        cv.notify_all();
        for (std::thread& t : aWorkers)
            t.join();
        aWorkers.clear();
    };
    try {
        for (unsigned k = 0; k < nThreads; ++k)
            aWorkers.emplace_back(work);
        for (std::size_t i = 0; i < n; ++i) {
            SSlot slot;
            {
                std::unique_lock lock(mutex);
                cv.wait(lock, [&] { return aSlots[i].bDone; });
                slot = std::move(aSlots[i]);
                aSlots[i] = {};
                nTaken = i + 1;
            }
            cv.notify_all();
            if (slot.error)
                std::rethrow_exception(slot.error);
            fnTake(std::move(*slot.result));
        }
    } catch (...) {
        stop();
        throw;
    }
    stop();
}
