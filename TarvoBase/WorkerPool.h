#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tarvo {

// A fixed number of threads for blocking work (SQLite, child processes, files).
// Threads start with the first job.
class WorkerPool {
public:
    explicit WorkerPool(std::size_t threadCount);
    ~WorkerPool();

    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    void submit(std::function<void()> job);

    // Jobs queued or running.
    std::size_t outstanding() const;

    // Lets running jobs finish, drops queued ones and joins every thread. Later submissions
    // are dropped.
    void shutdown();

private:
    void work();

    const std::size_t threadCount_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> queue_;
    std::vector<std::thread> threads_;
    std::size_t running_ = 0;
    bool stopping_ = false;
};

} // namespace tarvo
