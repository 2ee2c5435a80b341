#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>

#include "TarvoBase/OnWorker.h"

namespace tarvo {

// The one thread that talks to the accessibility bus. The bus library keeps caches and a
// connection that are not safe to share between threads, so every read and act on an element,
// and the release of the last reference to one, runs here, in the order asked.
// The bus library's connection is the process's for its whole life (it cannot be let go and
// made again), so a program has one worker, and a later one carries on with the same connection.
// `co_await worker.run(work)` runs named `work` here and resumes on the caller's loop with its
// result, or with its exception rethrown.
class AtSpiWorker {
public:
    // The method time-out of every call on the bus: an application that does not answer within
    // it reads as one without the attribute.
    static constexpr int callTimeoutMilliseconds = 1000;

    // What is queued for the thread. Elements hold it weakly, to hand back their reference.
    class Queue {
    public:
        // False once the worker has gone; the job is then dropped.
        bool post(std::function<void()> job);
        // The queue of the thread this is called on, when it is a worker's.
        static std::shared_ptr<Queue> current();

    private:
        friend class AtSpiWorker;
        std::mutex mutex_;
        std::condition_variable wake_;
        std::deque<std::function<void()>> jobs_;
        bool closed_ = false;
    };

    AtSpiWorker();
    // Runs what was queued and joins the thread.
    ~AtSpiWorker();
    AtSpiWorker(const AtSpiWorker&) = delete;
    AtSpiWorker& operator=(const AtSpiWorker&) = delete;

    void submit(std::function<void()> job) { queue_->post(std::move(job)); }

    // Reaches the bus the first time it is called, on the worker's thread only. Not before: a
    // read refused for want of accessibility never touches the bus.
    static void connect();

    // Named work only, as `onWorker` takes it (GCC 12 destroys a lambda written in place twice).
    template <class F>
    auto run(F& work) {
        using R = std::invoke_result_t<F&>;
        return OnWorker<R>(std::function<R()>(work), [queue = queue_](std::function<void()> job) {
            queue->post(std::move(job));
        });
    }
    template <class F>
    void run(F&& work) = delete;

private:
    void work();

    std::shared_ptr<Queue> queue_;
    std::thread thread_;
};

} // namespace tarvo
