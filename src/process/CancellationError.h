#pragma once

#include <QException>

namespace ostrevin {

/// Thrown by device work that stopped because its operation was cancelled. It is
/// never a failure to report: callers leave quietly.
class CancellationError : public QException {
public:
    void raise() const override;
    CancellationError* clone() const override;
    const char* what() const noexcept override;
};

} // namespace ostrevin
