#pragma once

#include "views/kit/Symbols.h"

#include <QWidget>
#include <functional>

namespace ostrevin::kit {

/// What a list shows while it has nothing: a symbol, a message and, when both a
/// title and an action are given, a button.
class EmptyStateView final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EmptyStateView)

public:
    EmptyStateView(SymbolName symbol, const QString& message, const QString& actionTitle = {},
                   std::function<void()> action = {}, QWidget* parent = nullptr);
    ~EmptyStateView() override = default;
};

} // namespace ostrevin::kit
