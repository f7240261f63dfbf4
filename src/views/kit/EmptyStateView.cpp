#include "views/kit/EmptyStateView.h"

#include "views/kit/IconWell.h"
#include "views/kit/KitLabel.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace ostrevin::kit {

EmptyStateView::EmptyStateView(SymbolName symbol, const QString& message, const QString& actionTitle,
                               std::function<void()> action, QWidget* parent)
    : QWidget(parent)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 24, 0, 24);
    column->setSpacing(12);
    column->addWidget(new IconWell(symbol, 44), 0, Qt::AlignHCenter);
    auto* text = new KitLabel(message, TextStyle::Callout);
    text->setColorRole(BrandColor::Secondary);
    text->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    text->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
    column->addWidget(text);
    if (!actionTitle.isEmpty() && action) {
        auto* button = new QPushButton(actionTitle);
        connect(button, &QPushButton::clicked, this, [run = std::move(action)] { run(); });
        column->addWidget(button, 0, Qt::AlignHCenter);
    }
    setAccessibleName(message);
}

} // namespace ostrevin::kit
