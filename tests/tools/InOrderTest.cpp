// The converter's pipeline: objects built on worker threads, handed over in order.
#include "tools/InOrder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

TEST(InOrder, ResultsComeInOrderOnTheCallingThreadAndNeverRunFarAhead)
{
    for (const unsigned nThreads : {1u, 2u, 4u}) {
        SCOPED_TRACE(nThreads);
        constexpr std::size_t N = 400;
        std::atomic<std::size_t> nTaken{0}, nFarthest{0};
        std::vector<std::atomic<bool>> aDone(N);
        std::atomic<bool> bOvertaken{false};
        std::vector<std::size_t> aTaken;
        const std::thread::id caller = std::this_thread::get_id();
        InOrder<std::unique_ptr<std::size_t>>(
            N, nThreads,
            [&](std::size_t i) {
                // How far ahead of the taker a build starts.
                const std::size_t nAhead = i - std::min(i, nTaken.load());
                for (std::size_t n = nFarthest.load(); nAhead > n && !nFarthest.compare_exchange_weak(n, nAhead);)
                    ;
                // Now and then a build waits, with a bound, for the next one to be done first,
                // so that results come out of order whenever there are threads to overtake.
                if (nThreads > 1 && i % 7 == 0 && i + 1 < N) {
                    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
                    while (!aDone[i + 1] && std::chrono::steady_clock::now() < deadline)
                        std::this_thread::yield();
                    bOvertaken = bOvertaken || aDone[i + 1];
                }
                aDone[i] = true;
                return std::make_unique<std::size_t>(i);
            },
            [&](std::unique_ptr<std::size_t>&& p) {
                EXPECT_EQ(std::this_thread::get_id(), caller);
                aTaken.push_back(*p);
                nTaken = aTaken.size();
            });
        ASSERT_EQ(aTaken.size(), N);
        for (std::size_t i = 0; i < N; ++i)
            ASSERT_EQ(aTaken[i], i);
        EXPECT_LE(nFarthest.load(), 2 * std::size_t{nThreads});
        EXPECT_EQ(bOvertaken.load(), nThreads > 1);
    }
}

TEST(InOrder, AnExceptionOfABuildOrOfTheTakerReachesTheCallerAndStopsTheRest)
{
    for (const unsigned nThreads : {1u, 3u}) {
        SCOPED_TRACE(nThreads);
        std::atomic<std::size_t> nBuilt{0};
        std::vector<int> aTaken;
        EXPECT_THROW(InOrder<int>(
                         10000, nThreads,
                         [&](std::size_t i) {
                             ++nBuilt;
                             if (i == 20)
                                 throw std::runtime_error("build");
                             return static_cast<int>(i);
                         },
                         [&](int&& n) { aTaken.push_back(n); }),
                     std::runtime_error);
        // Everything before the failed one, nothing after it.
        ASSERT_EQ(aTaken.size(), 20u);
        EXPECT_EQ(aTaken.back(), 19);
        EXPECT_LE(nBuilt.load(), 20 + 1 + 2 * std::size_t{nThreads});

        aTaken.clear();
        EXPECT_THROW(InOrder<int>(
                         10000, nThreads, [](std::size_t i) { return static_cast<int>(i); },
                         [&](int&& n) {
                             if (n == 5)
                                 throw std::length_error("take");
                             aTaken.push_back(n);
                         }),
                     std::length_error);
        EXPECT_EQ(aTaken.size(), 5u);
    }
    // Nothing to do: neither is called.
    InOrder<int>(0, 2, [](std::size_t) -> int { throw std::logic_error("no build"); }, [](int&&) { FAIL(); });
}

} // namespace
