#pragma once

#include <QCoro/QCoroTask>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <exception>
#include <memory>
#include <optional>
#include <type_traits>
#include <variant>

namespace ostrevin::test {

/// How a coroutine ended: its value, or the exception it threw, or neither when it
/// did not finish in time.
template <typename T> struct TaskOutcome {
    using Value = std::conditional_t<std::is_void_v<T>, std::monostate, T>;

    bool finished = false;
    std::optional<Value> value;
    std::exception_ptr error;

    /// The exception as E, or nothing when the task did not throw an E.
    template <typename E> std::optional<E> errorAs() const
    {
        if (!error)
            return std::nullopt;
        try {
            std::rethrow_exception(error);
        } catch (const E& e) {
            return e;
        } catch (...) {
            return std::nullopt;
        }
    }
};

namespace detail {

template <typename T> struct AwaitState {
    TaskOutcome<T> outcome;
    QEventLoop* loop = nullptr;
};

// Static and by value: the runner may outlive the call when the task hangs.
template <typename T> QCoro::Task<void> runTask(QCoro::Task<T> task, std::shared_ptr<AwaitState<T>> state)
{
    try {
        if constexpr (std::is_void_v<T>) {
            co_await std::move(task);
            state->outcome.value.emplace();
        } else {
            state->outcome.value.emplace(co_await std::move(task));
        }
    } catch (...) {
        state->outcome.error = std::current_exception();
    }
    state->outcome.finished = true;
    if (state->loop)
        state->loop->quit();
}

} // namespace detail

/// Runs the event loop until task ends (or limit passes) and reports how it ended.
/// Unlike QCoro::waitFor, a task that throws ends the wait and hands over its error.
template <typename T>
TaskOutcome<T> awaitTask(QCoro::Task<T> task, std::chrono::milliseconds limit = std::chrono::seconds(60))
{
    auto state = std::make_shared<detail::AwaitState<T>>();
    QEventLoop loop;
    state->loop = &loop;
    auto runner = detail::runTask<T>(std::move(task), state);
    if (!state->outcome.finished) {
        QTimer::singleShot(limit, &loop, &QEventLoop::quit);
        loop.exec();
    }
    state->loop = nullptr;
    return state->outcome;
}

} // namespace ostrevin::test
