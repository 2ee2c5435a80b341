#include "Platform/AtSpiWorker.h"

#include <atspi/atspi.h>

namespace tarvo {
namespace {

thread_local std::weak_ptr<AtSpiWorker::Queue> workerQueue;

} // namespace

bool AtSpiWorker::Queue::post(std::function<void()> job) {
    {
        const std::lock_guard lock(mutex_);
        if (closed_) return false;
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
    return true;
}

std::shared_ptr<AtSpiWorker::Queue> AtSpiWorker::Queue::current() { return workerQueue.lock(); }

void AtSpiWorker::connect() {
    atspi_init();
    atspi_set_timeout(callTimeoutMilliseconds, callTimeoutMilliseconds);
}

AtSpiWorker::AtSpiWorker() : queue_(std::make_shared<Queue>()) { thread_ = std::thread([this] { work(); }); }

AtSpiWorker::~AtSpiWorker() {
    {
        const std::lock_guard lock(queue_->mutex_);
        queue_->closed_ = true;
    }
    queue_->wake_.notify_one();
    thread_.join();
}

void AtSpiWorker::work() {
    workerQueue = queue_;
    while (true) {
        std::function<void()> job;
        {
            std::unique_lock lock(queue_->mutex_);
            queue_->wake_.wait(lock, [this] { return queue_->closed_ || !queue_->jobs_.empty(); });
            if (queue_->jobs_.empty()) break;
            job = std::move(queue_->jobs_.front());
            queue_->jobs_.pop_front();
        }
        // The bus connection's messages wait on GLib's default context, which only this thread
        // runs: taking them before each job keeps them from piling up.
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
        job();
    }
    workerQueue.reset();
}

} // namespace tarvo
