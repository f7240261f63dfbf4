#pragma once

#include <QFuture>
#include <QPromise>
#include <utility>

namespace ostrevin {

/// A finished future holding `value`.
template <typename T> QFuture<T> readyFuture(T value)
{
    QPromise<T> promise;
    promise.start();
    promise.addResult(std::move(value));
    promise.finish();
    return promise.future();
}

/// A finished future without a value.
inline QFuture<void> readyFuture()
{
    QPromise<void> promise;
    promise.start();
    promise.finish();
    return promise.future();
}

} // namespace ostrevin
