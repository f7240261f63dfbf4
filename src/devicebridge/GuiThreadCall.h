#pragma once

#include <QObject>
#include <functional>
#include <stop_token>

namespace ostrevin {

/// Runs a function on the thread of a QObject (the GUI thread for the view model)
/// and blocks the calling device worker until it has run.
///
/// The call is posted as a queued call, never as a blocking queued connection: a
/// blocking connection cannot be abandoned, so a worker whose operation was
/// cancelled while the GUI thread was busy (or was itself waiting for that worker)
/// would hang. Here the wait ends as soon as stop is requested; a call that has not
/// started by then never runs. When the context object is destroyed before the call
/// ran, the wait ends too.
///
/// Returns true when the function ran, false when the wait was abandoned (stop
/// requested, or the context died first). An exception thrown by the function is
/// rethrown on the worker. Called on the context's own thread, it runs the function
/// directly.
bool callOnThreadOf(QObject* context, std::function<void()> function, std::stop_token stop);

} // namespace ostrevin
