#include "devicebridge/GuiThreadCall.h"

#include <QMetaObject>
#include <QThread>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>

namespace ostrevin {

namespace {

struct CallState {
    std::mutex mutex;
    std::condition_variable changed;
    bool finished = false;
    bool ran = false;
    bool abandoned = false;
    std::exception_ptr error;
};

// Marks the call finished when the last copy of the posted functor goes away:
// after it ran, or when Qt dropped it because the context object was destroyed.
struct FinishOnRelease {
    std::shared_ptr<CallState> state;
    explicit FinishOnRelease(std::shared_ptr<CallState> s) : state(std::move(s)) {}
    FinishOnRelease(const FinishOnRelease&) = delete;
    FinishOnRelease& operator=(const FinishOnRelease&) = delete;
    ~FinishOnRelease()
    {
        const std::lock_guard lock(state->mutex);
        state->finished = true;
        state->changed.notify_all();
    }
};

} // namespace

bool callOnThreadOf(QObject* context, std::function<void()> function, std::stop_token stop)
{
    if (!context || stop.stop_requested())
        return false;
    if (QThread::currentThread() == context->thread()) {
        function();
        return true;
    }

    auto state = std::make_shared<CallState>();
    auto release = std::make_shared<FinishOnRelease>(state);
    const bool posted = QMetaObject::invokeMethod(
        context,
        [state, release, function = std::move(function)]() {
            {
                const std::lock_guard lock(state->mutex);
                if (state->abandoned)
                    return;
            }
            try {
                function();
            } catch (...) {
                const std::lock_guard lock(state->mutex);
                state->error = std::current_exception();
            }
            const std::lock_guard lock(state->mutex);
            state->ran = true;
        },
        Qt::QueuedConnection);
    release.reset();
    if (!posted)
        return false;

    // Registered before the lock is taken: a stop that is already requested runs
    // the callback right here, and it takes the same mutex.
    const std::stop_callback wake(stop, [&state] {
        const std::lock_guard inner(state->mutex);
        state->changed.notify_all();
    });
    std::unique_lock lock(state->mutex);
    state->changed.wait(lock, [&] { return state->finished || stop.stop_requested(); });
    if (!state->finished) {
        state->abandoned = true;
        return false;
    }
    if (state->error)
        std::rethrow_exception(state->error);
    return state->ran;
}

} // namespace ostrevin
