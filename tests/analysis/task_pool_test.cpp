#include "analysis/search/task_pool.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace tevmar::analysis {
namespace {

// Chains that each queue tasks of their own and wait for them, as the
// candidate search does: every result arrives, in the order asked for,
// whether the pool has threads or only the waiting one.
TEST(TaskPool, NestedWaitsFinishWithAnyNumberOfThreads)
{
    for (const unsigned threads : {0u, 1u, 3u}) {
        TaskPool pool(threads);
        std::vector<std::future<int>> chains;
        for (int chain = 0; chain < 6; ++chain)
            chains.push_back(pool.Submit([&pool, chain] {
                std::vector<std::future<int>> parts;
                for (int k = 0; k < 8; ++k)
                    parts.push_back(pool.Submit([chain, k] { return chain * 100 + k; }));
                int sum = 0;
                for (std::future<int> &part : parts)
                    sum += pool.Wait(part);
                return sum;
            }));
        for (int chain = 0; chain < 6; ++chain)
            EXPECT_EQ(pool.Wait(chains[chain]), chain * 800 + 28) << threads << " " << chain;
    }
}

// A task's failure reaches the thread that waits for it; the pool goes on.
TEST(TaskPool, PassesOnATasksException)
{
    TaskPool pool(1);
    std::future<int> failed = pool.Submit([]() -> int { throw std::runtime_error("stopped"); });
    std::future<int> fine = pool.Submit([] { return 7; });
    EXPECT_THROW(pool.Wait(failed), std::runtime_error);
    EXPECT_EQ(pool.Wait(fine), 7);
}

} // namespace
} // namespace tevmar::analysis
