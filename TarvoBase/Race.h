#pragma once

#include <coroutine>
#include <exception>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

#include "TarvoBase/RunLoop.h"
#include "TarvoBase/Spawn.h"
#include "TarvoBase/Task.h"

namespace tarvo {

template <class T>
using RaceValue = std::conditional_t<std::is_void_v<T>, std::monostate, T>;

namespace detail {

template <class Result>
struct RaceState {
    std::optional<Result> result;
    std::exception_ptr error;
    bool finished = false;
    std::coroutine_handle<> waiter;

    void finish() {
        finished = true;
        if (auto waiting = std::exchange(waiter, {})) {
            RunLoop::current().post([waiting] { waiting.resume(); });
        }
    }

    // Awaited by the racing task until one entrant has finished.
    struct Finished {
        RaceState* state;
        bool await_ready() const noexcept { return state->finished; }
        void await_suspend(std::coroutine_handle<> awaiting) noexcept { state->waiter = awaiting; }
        void await_resume() const noexcept {}
    };
};

template <std::size_t Index, class Result, class T>
Task<void> raceEntrant(std::shared_ptr<RaceState<Result>> state, Task<T> task) {
    try {
        if constexpr (std::is_void_v<T>) {
            co_await std::move(task);
            if (state->finished) co_return;
            state->result.emplace(std::in_place_index<Index>);
        } else {
            auto value = co_await std::move(task);
            if (state->finished) co_return;
            state->result.emplace(std::in_place_index<Index>, std::move(value));
        }
        state->finish();
    } catch (...) {
        if (state->finished) co_return;
        state->error = std::current_exception();
        state->finish();
    }
}

} // namespace detail

// Waits for the first of `tasks` to end and gives its value, at the index of its task (or
// rethrows its exception). The others run on to their end unobserved: a caller that wants a
// late value keeps it through state of its own.
template <class... T>
Task<std::variant<RaceValue<T>...>> race(Task<T>... tasks) {
    using Result = std::variant<RaceValue<T>...>;
    auto state = std::make_shared<detail::RaceState<Result>>();
    [&]<std::size_t... Index>(std::index_sequence<Index...>) {
        (spawn(detail::raceEntrant<Index, Result>(state, std::move(tasks))), ...);
    }(std::index_sequence_for<T...>{});
    co_await typename detail::RaceState<Result>::Finished{state.get()};
    if (state->error) std::rethrow_exception(state->error);
    co_return std::move(*state->result);
}

} // namespace tarvo
