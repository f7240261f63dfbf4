#include "views/route/RouteStepRow.h"

#include "views/kit/KitLabel.h"

#include <QHBoxLayout>
#include <QLocale>
#include <QVBoxLayout>

namespace ostrevin {

using namespace kit;

namespace {
/// Numbers up to 99 line up on their right edge.
constexpr int numberWidth = 22;
} // namespace

RouteStepRow::RouteStepRow(int number, const PlannedRouteStep& step, const QString& detail, QWidget* parent)
    : QWidget(parent)
{
    auto* index = new KitLabel(QLocale().toString(number) + QLatin1Char('.'), TextStyle::Caption);
    index->setColorRole(BrandColor::Secondary);
    index->setTabularDigits(true);
    index->setAlignment(Qt::AlignRight | Qt::AlignTop);
    index->setMinimumWidth(numberWidth);
    index->setMaximumLines(1);

    auto* texts = new QVBoxLayout;
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(2);
    texts->addWidget(new KitLabel(step.instruction, TextStyle::Callout));
    auto* detailLabel = new KitLabel(detail, TextStyle::Caption);
    detailLabel->setColorRole(BrandColor::Secondary);
    texts->addWidget(detailLabel);
    QStringList spoken{step.instruction, detail};
    if (!step.notice.isEmpty()) {
        auto* notice = new KitLabel(step.notice, TextStyle::Caption);
        notice->setColorRole(BrandColor::Secondary);
        texts->addWidget(notice);
        spoken << step.notice;
    }

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(index, 0, Qt::AlignTop);
    layout->addLayout(texts, 1);
    setAccessibleName(QLocale().toString(number) + QStringLiteral(". ") + spoken.join(QStringLiteral(", ")));
}

} // namespace ostrevin
