#include "views/settings/SettingsSection.h"

#include "views/kit/Brand.h"
#include "views/kit/KitLabel.h"
#include "views/kit/Shapes.h"

#include <QHBoxLayout>
#include <QPaintEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace ostrevin {

namespace {

constexpr int plateRadius = 8;
constexpr int rowInset = 12;

/// The rounded plate behind a section's rows, with a hairline between rows.
class SectionPlate final : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        const kit::Brand& brand = kit::Brand::current();
        QPainter painter(this);
        const QRectF bounds = QRectF(rect());
        // Light forms sit as white plates on the grey window; dark ones as a
        // slightly lighter plate on the dark window.
        const QColor fill = brand.appearance.dark ? brand.primaryAt(0.05) : brand.base;
        kit::fillRoundedRect(painter, bounds, plateRadius, fill);
        kit::strokeRoundedRectInside(painter, bounds, plateRadius,
                                     brand.primaryAt(brand.appearance.highContrast ? 0.3 : 0.08), 1.0);
        const QColor divider = brand.primaryAt(0.08);
        const auto visibleRows = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        bool first = true;
        for (QWidget* row : visibleRows) {
            if (!row->isVisible())
                continue;
            if (!first)
                painter.fillRect(QRectF(rowInset, row->geometry().top() - 0.5, width() - 2 * rowInset, 1), divider);
            first = false;
        }
    }
};

} // namespace

SettingsSection::SettingsSection(const QString& header, QWidget* parent)
    : QWidget(parent), m_plate(new SectionPlate(this)), m_rows(new QVBoxLayout(m_plate)),
      m_footer(new kit::KitLabel(QString(), kit::TextStyle::Callout, this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    if (!header.isEmpty()) {
        auto* title = new kit::KitLabel(header, kit::TextStyle::Headline, this);
        title->setContentsMargins(rowInset - 2, 0, 0, 0);
        title->setAccessibleDescription(tr("Heading"));
        layout->addWidget(title);
    }
    m_rows->setContentsMargins(0, 0, 0, 0);
    m_rows->setSpacing(0);
    layout->addWidget(m_plate);
    m_footer->setColorRole(kit::BrandColor::Secondary);
    m_footer->setContentsMargins(rowInset - 2, 0, rowInset - 2, 0);
    m_footer->hide();
    layout->addWidget(m_footer);
}

void SettingsSection::addRow(QWidget* row)
{
    if (QLayout* layout = row->layout()) {
        layout->setContentsMargins(rowInset, 8, rowInset, 8);
    } else {
        // A bare control (a switch) gets the rows' padding from a frame around it.
        auto* frame = new QWidget;
        auto* padding = new QHBoxLayout(frame);
        padding->setContentsMargins(rowInset, 8, rowInset, 8);
        padding->addWidget(row);
        row = frame;
    }
    row->setParent(m_plate);
    m_rows->addWidget(row);
}

QWidget* SettingsSection::addLabeledRow(const QString& title, QWidget* control, const QString& description)
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(rowInset, 8, rowInset, 8);
    layout->setSpacing(12);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto* titleLabel = new kit::KitLabel(title, kit::TextStyle::Body, row);
    texts->addWidget(titleLabel);
    auto* note = new kit::KitLabel(description, kit::TextStyle::Subheadline, row);
    note->setColorRole(kit::BrandColor::Secondary);
    note->setObjectName(QStringLiteral("description"));
    note->setVisible(!description.isEmpty());
    texts->addWidget(note);
    layout->addLayout(texts, 1);
    texts->setAlignment(Qt::AlignVCenter);
    if (control)
        layout->addWidget(control, 0, Qt::AlignVCenter);
    addRow(row);
    return row;
}

void SettingsSection::setFooter(const QString& text)
{
    m_footer->setText(text);
    m_footer->setVisible(!text.isEmpty());
}

SettingsForm::SettingsForm(QWidget* parent) : QWidget(parent), m_layout(new QVBoxLayout(this))
{
    m_layout->setContentsMargins(20, 20, 20, 20);
    m_layout->setSpacing(18);
    m_layout->addStretch(1);
    setFixedWidth(width);
}

SettingsSection* SettingsForm::addSection(const QString& header)
{
    auto* section = new SettingsSection(header, this);
    m_layout->insertWidget(m_layout->count() - 1, section);
    return section;
}

} // namespace ostrevin
