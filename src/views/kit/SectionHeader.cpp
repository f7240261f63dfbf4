#include "views/kit/SectionHeader.h"

namespace ostrevin::kit {

SectionHeader::SectionHeader(const QString& title, QWidget* parent) : KitLabel(title, TextStyle::Caption, parent)
{
    setTextStyle(TextStyle::Caption, QFont::DemiBold);
    setUppercase(true);
    setLetterSpacing(0.5);
    setColorRole(BrandColor::Secondary);
    setMaximumLines(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleDescription(tr("Heading"));
}

} // namespace ostrevin::kit
