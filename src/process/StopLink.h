#pragma once

#include <stop_token>

namespace ostrevin {

/// A stop token that is stopped as soon as either of two others is: an
/// operation's own (the caller cancels) and its owner's (the owner goes away).
/// Keep it alive for as long as its token is used.
class StopLink {
public:
    StopLink(const std::stop_token& first, const std::stop_token& second)
        : m_first(first, Request{&m_source}), m_second(second, Request{&m_source})
    {
    }
    StopLink(const StopLink&) = delete;
    StopLink& operator=(const StopLink&) = delete;

    std::stop_token token() const { return m_source.get_token(); }

private:
    struct Request {
        std::stop_source* source;
        void operator()() const { source->request_stop(); }
    };

    std::stop_source m_source; // before the callbacks, which may run at once
    std::stop_callback<Request> m_first;
    std::stop_callback<Request> m_second;
};

} // namespace ostrevin
