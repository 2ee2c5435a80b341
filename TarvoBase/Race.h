#pragma once

#include <exception>
#include <memory>
#include <type_traits>
#include <utility>
#include <variant>

#include "TarvoBase/OneShotResult.h"
#include "TarvoBase/Spawn.h"
#include "TarvoBase/Task.h"

namespace tarvo {

template <class T>
using RaceValue = std::conditional_t<std::is_void_v<T>, std::monostate, T>;

namespace detail {

template <std::size_t Index, class Result, class T>
Task<void> raceEntrant(std::shared_ptr<OneShotResult<Result>> winner, Task<T> task) {
    try {
        if constexpr (std::is_void_v<T>) {
            co_await std::move(task);
            winner->succeed(Result(std::in_place_index<Index>));
        } else {
            auto value = co_await std::move(task);
            winner->succeed(Result(std::in_place_index<Index>, std::move(value)));
        }
    } catch (...) {
        winner->fail(std::current_exception());
    }
}

} // namespace detail

// Waits for the first of `tasks` to end and gives its value, at the index of its task (or
// rethrows its exception). The others run on to their end unobserved: a caller that wants a
// late value keeps it through state of its own.
template <class... T>
Task<std::variant<RaceValue<T>...>> race(Task<T>... tasks) {
    using Result = std::variant<RaceValue<T>...>;
    auto winner = std::make_shared<OneShotResult<Result>>();
    [&]<std::size_t... Index>(std::index_sequence<Index...>) {
        (spawn(detail::raceEntrant<Index, Result>(winner, std::move(tasks))), ...);
    }(std::index_sequence_for<T...>{});
    co_return std::move(co_await *winner);
}

} // namespace tarvo
