#pragma once

#include "platform/ReverseGeocoder.h"

#include <QList>
#include <QPromise>
#include <memory>

namespace ostrevin::test {

/// Holds every lookup until the test answers it, so tests decide what happens in
/// between (a second click, a rename).
class FakeReverseGeocoder final : public ReverseGeocoder {
public:
    struct Lookup {
        double latitude;
        double longitude;
        std::shared_ptr<QPromise<std::optional<Placemark>>> promise;
    };

    ~FakeReverseGeocoder() override
    {
        for (int i = 0; i < m_lookups.size(); ++i)
            answer(i, std::nullopt);
    }

    QFuture<std::optional<Placemark>> reverseGeocode(double latitude, double longitude) override
    {
        auto promise = std::make_shared<QPromise<std::optional<Placemark>>>();
        promise->start();
        m_lookups.append({latitude, longitude, promise});
        return promise->future();
    }

    QList<Lookup> lookups() const { return m_lookups; }

    /// Finishes lookup `index` (in order of asking); later answers to it are ignored.
    void answer(int index, std::optional<Placemark> placemark)
    {
        auto& promise = *m_lookups.at(index).promise;
        if (promise.future().isFinished())
            return;
        promise.addResult(std::move(placemark));
        promise.finish();
    }

private:
    QList<Lookup> m_lookups;
};

} // namespace ostrevin::test
