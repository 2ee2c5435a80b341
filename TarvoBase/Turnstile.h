#pragma once

#include <algorithm>
#include <coroutine>
#include <deque>
#include <memory>
#include <utility>

#include "TarvoBase/RunLoop.h"

namespace tarvo {

// Lets tasks on a run loop through one at a time, in the order they came: `co_await
// turnstile->enter()` gives a pass, and the next task goes through once that pass is destroyed.
// For work that must not interleave with itself across its own awaits. Used on the loop's thread
// only; shared, so that a waiting task keeps it alive.
class Turnstile : public std::enable_shared_from_this<Turnstile> {
    struct Ticket {
        std::coroutine_handle<> waiter;
        RunLoop* loop = nullptr;
        bool granted = false;
        // The waiting task was destroyed before its turn came.
        bool abandoned = false;
    };

public:
    static std::shared_ptr<Turnstile> make() { return std::shared_ptr<Turnstile>(new Turnstile); }

    Turnstile(const Turnstile&) = delete;
    Turnstile& operator=(const Turnstile&) = delete;

    // Held while a task is through; destroying it lets the next one through.
    class Pass {
    public:
        Pass(Pass&& other) noexcept : turnstile_(std::exchange(other.turnstile_, nullptr)) {}
        Pass& operator=(Pass&&) = delete;
        Pass(const Pass&) = delete;
        ~Pass() {
            if (turnstile_) turnstile_->release();
        }

    private:
        friend class Turnstile;
        explicit Pass(std::shared_ptr<Turnstile> turnstile) : turnstile_(std::move(turnstile)) {}
        std::shared_ptr<Turnstile> turnstile_;
    };

    class Entry {
    public:
        explicit Entry(std::shared_ptr<Turnstile> turnstile) : turnstile_(std::move(turnstile)) {}
        Entry(Entry&& other) noexcept
            : turnstile_(std::move(other.turnstile_)), ticket_(std::move(other.ticket_)),
              resumed_(other.resumed_) {}
        Entry(const Entry&) = delete;
        ~Entry() {
            if (ticket_ && !resumed_) turnstile_->abandon(ticket_);
        }

        bool await_ready() {
            if (turnstile_->held_) return false;
            turnstile_->held_ = true;
            resumed_ = true;
            return true;
        }
        void await_suspend(std::coroutine_handle<> waiter) {
            ticket_ = std::make_shared<Ticket>(Ticket{waiter, &RunLoop::current()});
            turnstile_->queue_.push_back(ticket_);
        }
        Pass await_resume() {
            resumed_ = true;
            return Pass(turnstile_);
        }

    private:
        std::shared_ptr<Turnstile> turnstile_;
        std::shared_ptr<Ticket> ticket_;
        bool resumed_ = false;
    };

    Entry enter() { return Entry(shared_from_this()); }

    // A task is through now.
    bool isHeld() const { return held_; }

private:
    Turnstile() = default;

    // The turn passes straight to the first waiter, so that nothing can slip in between.
    void release() {
        if (queue_.empty()) {
            held_ = false;
            return;
        }
        std::shared_ptr<Ticket> next = std::move(queue_.front());
        queue_.pop_front();
        next->granted = true;
        next->loop->post([next] {
            if (!next->abandoned) next->waiter.resume();
        });
    }

    void abandon(const std::shared_ptr<Ticket>& ticket) {
        ticket->abandoned = true;
        if (ticket->granted) {
            release();
        } else {
            std::erase(queue_, ticket);
        }
    }

    bool held_ = false;
    std::deque<std::shared_ptr<Ticket>> queue_;
};

} // namespace tarvo
