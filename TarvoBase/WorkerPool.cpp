#include "TarvoBase/WorkerPool.h"

namespace tarvo {

WorkerPool::WorkerPool(std::size_t threadCount) : threadCount_(threadCount == 0 ? 1 : threadCount) {}

WorkerPool::~WorkerPool() { shutdown(); }

void WorkerPool::submit(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_) return;
        queue_.push_back(std::move(job));
        if (threads_.size() < threadCount_ && threads_.size() < queue_.size() + running_) {
            threads_.emplace_back([this] { work(); });
        }
    }
    wake_.notify_one();
}

std::size_t WorkerPool::outstanding() const {
    std::lock_guard lock(mutex_);
    return queue_.size() + running_;
}

void WorkerPool::shutdown() {
    std::deque<std::function<void()>> dropped;
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        dropped.swap(queue_);
        threads.swap(threads_);
    }
    wake_.notify_all();
    for (auto& thread : threads) thread.join();
}

void WorkerPool::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_) return;
        auto job = std::move(queue_.front());
        queue_.pop_front();
        ++running_;
        lock.unlock();
        job();
        job = nullptr;
        lock.lock();
        --running_;
    }
}

} // namespace tarvo
