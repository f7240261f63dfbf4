#pragma once

#include "views/kit/KitLabel.h"

namespace ostrevin::kit {

/// The small upper-case title above a group of a panel.
class SectionHeader final : public KitLabel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SectionHeader)

public:
    explicit SectionHeader(const QString& title, QWidget* parent = nullptr);
    ~SectionHeader() override = default;
};

} // namespace ostrevin::kit
