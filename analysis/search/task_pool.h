#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

namespace tevmar::analysis {

// Tasks run on a fixed set of threads, one per core. A thread that waits for
// a task's result runs queued tasks meanwhile, so a task may queue tasks of
// its own and wait for them (a chain of candidates waits for its starts)
// without holding a core idle or needing a thread per task. Every task
// queued must be waited for before the pool goes.
class TaskPool
{
  public:
    // `threads` working threads besides the ones that wait; zero runs every
    // task on the waiting thread.
    explicit TaskPool(unsigned threads);
    // The number of cores less the thread that waits.
    static unsigned ThreadsBesideCaller();
    ~TaskPool();
    TaskPool(const TaskPool &) = delete;
    TaskPool &operator=(const TaskPool &) = delete;

    template <class Function> auto Submit(Function function)
    {
        using Result = std::invoke_result_t<Function>;
        std::packaged_task<Result()> task(std::move(function));
        std::future<Result> result = task.get_future();
        Push(std::packaged_task<void()>(std::move(task)));
        return result;
    }

    // The task's result (or its exception), running other tasks until it is ready.
    template <class Result> Result Wait(std::future<Result> &result)
    {
        HelpUntil([&result] {
            return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
        });
        return result.get();
    }

  private:
    void Push(std::packaged_task<void()> task);
    void Work();
    template <class Ready> void HelpUntil(Ready ready);
    // Runs the newest or the oldest queued task, the lock released
    // meanwhile, and tells the waiting threads that a result may be ready.
    void RunQueued(std::unique_lock<std::mutex> &lock, bool newest);

    std::mutex mutex_;
    std::condition_variable changed_; // a task queued or finished, or the pool closing
    std::deque<std::packaged_task<void()>> queue_;
    bool closing_ = false;
    std::vector<std::thread> threads_;
};

template <class Ready> void TaskPool::HelpUntil(Ready ready)
{
    std::unique_lock lock(mutex_);
    for (;;) {
        if (ready())
            return;
        if (queue_.empty()) {
            changed_.wait(lock);
            continue;
        }
        // The newest task: most often one the waiting task queued itself.
        RunQueued(lock, true);
    }
}

} // namespace tevmar::analysis
