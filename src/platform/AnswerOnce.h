#pragma once

#include <QFuture>
#include <QPromise>
#include <utility>

namespace ostrevin {

/// The promise behind a future that a coroutine co_awaits: it is finished exactly
/// once and always with a value, the fallback when nobody answered before it was
/// destroyed (a reply or a dialog deleted unfinished). A cancelled or abandoned
/// QFuture would carry no result, and awaiting it would fail. Use on one thread.
template <typename T> class AnswerOnce {
public:
    explicit AnswerOnce(T fallback) : m_fallback(std::move(fallback)) { m_promise.start(); }
    AnswerOnce(const AnswerOnce&) = delete;
    AnswerOnce& operator=(const AnswerOnce&) = delete;
    ~AnswerOnce() { answer(std::move(m_fallback)); }

    QFuture<T> future() { return m_promise.future(); }

    void answer(T value)
    {
        if (m_answered)
            return;
        m_answered = true;
        m_promise.addResult(std::move(value));
        m_promise.finish();
    }

private:
    QPromise<T> m_promise;
    T m_fallback;
    bool m_answered = false;
};

} // namespace ostrevin
