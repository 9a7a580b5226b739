#include "analysis/search/task_pool.h"

#include <algorithm>

namespace tevmar::analysis {

TaskPool::TaskPool(unsigned threads)
{
    for (unsigned k = 0; k < threads; ++k)
        threads_.emplace_back([this] { Work(); });
}

unsigned TaskPool::ThreadsBesideCaller()
{
    return std::max(1u, std::thread::hardware_concurrency()) - 1;
}

TaskPool::~TaskPool()
{
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
    }
    changed_.notify_all();
    for (std::thread &thread : threads_)
        thread.join();
}

void TaskPool::Push(std::packaged_task<void()> task)
{
    {
        const std::lock_guard lock(mutex_);
        queue_.push_back(std::move(task));
    }
    changed_.notify_all();
}

void TaskPool::RunQueued(std::unique_lock<std::mutex> &lock, bool newest)
{
    std::packaged_task<void()> task = std::move(newest ? queue_.back() : queue_.front());
    if (newest)
        queue_.pop_back();
    else
        queue_.pop_front();
    lock.unlock();
    task();
    lock.lock();
    // Under the lock, so that a waiter between its check and its wait
    // cannot miss the news.
    changed_.notify_all();
}

// The oldest task first: the chains queued at the start come before the
// tasks they queue, which their own waits pick up.
void TaskPool::Work()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return closing_ || !queue_.empty(); });
        if (queue_.empty())
            return;
        RunQueued(lock, false);
    }
}

} // namespace tevmar::analysis
