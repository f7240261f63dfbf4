// Every kit component on one page, so a change to the kit can be judged at a glance.

#include "SnapshotScenario.h"
#include "views/kit/ActionButton.h"
#include "views/kit/AdaptiveRow.h"
#include "views/kit/Brand.h"
#include "views/kit/DisclosureGroup.h"
#include "views/kit/EmptyStateView.h"
#include "views/kit/FieldSurface.h"
#include "views/kit/FlowLayout.h"
#include "views/kit/GlassSurface.h"
#include "views/kit/IconButton.h"
#include "views/kit/IconWell.h"
#include "views/kit/InlineNotice.h"
#include "views/kit/KitLabel.h"
#include "views/kit/LibraryRow.h"
#include "views/kit/MetricView.h"
#include "views/kit/NumberedMark.h"
#include "views/kit/PanelFooter.h"
#include "views/kit/PanelScaffold.h"
#include "views/kit/PanelSection.h"
#include "views/kit/Spinner.h"
#include "views/kit/StatusDot.h"
#include "views/kit/Symbols.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace ostrevin::snapshots {

namespace {

using namespace kit;

QWidget* row(std::initializer_list<QWidget*> widgets, int spacing = 8)
{
    auto* box = new QWidget;
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    for (QWidget* widget : widgets)
        layout->addWidget(widget);
    layout->addStretch(1);
    return box;
}

QWidget* trailingButtons()
{
    return row({new IconButton(QStringLiteral("Play"), "play.fill"_symbol),
                new IconButton(QStringLiteral("More"), "ellipsis"_symbol, BrandColor::Secondary)},
               2);
}

QWidget* samplePanel()
{
    auto* surface = new GlassPanel(GlassEmphasis::Elevated, 14);
    surface->setFixedWidth(308 + int(surface->contentsMargins().left() + surface->contentsMargins().right()));
    auto* inside = new QVBoxLayout(surface);

    auto* footer = new PanelFooter;
    footer->addContent(new ActionButton(QStringLiteral("Set location on iPhone"), ActionButton::Kind::Primary));
    footer->addContent(new ActionButton(QStringLiteral("Save place"), ActionButton::Kind::Secondary));
    auto* disabled = new ActionButton(QStringLiteral("Disabled primary"), ActionButton::Kind::Primary);
    disabled->setEnabled(false);
    footer->addContent(disabled);

    auto* scaffold = new PanelScaffold(QStringLiteral("Saved places and a title long enough to wrap onto a second line "
                                                      "and then be cut after it"),
                                       new IconButton(QStringLiteral("Add"), "plus"_symbol), footer);

    auto* rows = new RowList;
    rows->addRow(new LibraryRow("mappin"_symbol, QStringLiteral("Old Town Square"),
                                QStringLiteral("50.087465, 14.421254"), trailingButtons()));
    rows->addRow(new LibraryRow("point.topleft.down.to.point.bottomright.curvepath"_symbol,
                                QStringLiteral("Morning walk along the river with a very long name"),
                                QStringLiteral("3.2 km · 12 points · a subtitle that is cut in the middle"),
                                trailingButtons()));
    auto* noSubtitle = new LibraryRow("star.fill"_symbol, QStringLiteral("No subtitle"), QString());
    rows->addRow(noSubtitle);
    auto* disabledRow = new LibraryRow("clock"_symbol, QStringLiteral("Disabled row"), QStringLiteral("Yesterday"));
    disabledRow->setRowEnabled(false);
    rows->addRow(disabledRow);
    scaffold->addContent(new PanelSection(QStringLiteral("Saved"), rows));

    auto* metrics = row({new MetricView(QStringLiteral("Distance"), QStringLiteral("12.4 km")),
                         new MetricView(QStringLiteral("Speed"), QStringLiteral("48 km/h")),
                         new MetricView(QStringLiteral("Duration"), QStringLiteral("15:30"))},
                        16);
    scaffold->addContent(new PanelSection(QStringLiteral("Route"), metrics));

    auto* notices = new QWidget;
    auto* noticeColumn = new QVBoxLayout(notices);
    noticeColumn->setContentsMargins(0, 0, 0, 0);
    noticeColumn->addWidget(new InlineNotice("checkmark.circle.fill"_symbol,
                                             QStringLiteral("The iPhone holds this location."), BrandColor::Ready));
    noticeColumn->addWidget(new InlineNotice(
        "exclamationmark.triangle.fill"_symbol,
        QStringLiteral("A longer notice that wraps onto a second line instead of being cut at the edge."),
        BrandColor::Attention));
    noticeColumn->addWidget(new InlineNotice("xmark.octagon"_symbol, QStringLiteral("Failed."), BrandColor::Failure));
    scaffold->addContent(new PanelSection(QStringLiteral("Notices"), notices));

    auto* search = new QLineEdit;
    search->setFrame(false);
    search->setPlaceholderText(QStringLiteral("Search places or coordinates"));
    search->setAttribute(Qt::WA_MacShowFocusRect, false);
    auto* plain = new FieldSurface(search);
    auto* focusedEdit = new QLineEdit(QStringLiteral("Focused field"));
    focusedEdit->setFrame(false);
    auto* focused = new FieldSurface(focusedEdit);
    focused->setFocused(true);
    auto* fields = new QWidget;
    auto* fieldColumn = new QVBoxLayout(fields);
    fieldColumn->setContentsMargins(0, 0, 0, 0);
    fieldColumn->addWidget(plain);
    fieldColumn->addWidget(focused);
    scaffold->addContent(new PanelSection(QStringLiteral("Fields"), fields));

    inside->setContentsMargins(surface->contentsMargins());
    inside->addWidget(scaffold);
    return surface;
}

// Every symbol of the table with its name: a blank or boxed glyph shows at once.
class SymbolSheet final : public QWidget {
public:
    SymbolSheet() { setMinimumSize(520, int((symbolTable.size() + columns - 1) / columns) * cellHeight); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const Brand& brand = Brand::current();
        const int cellWidth = width() / columns;
        int index = 0;
        painter.setFont(textFont(TextStyle::Caption));
        for (const SymbolEntry& entry : symbolTable) {
            const int x = (index % columns) * cellWidth;
            const int y = (index / columns) * cellHeight;
            const QString name = QString::fromUtf8(entry.name.data(), qsizetype(entry.name.size()));
            paintSymbol(painter, QRectF(x, y, 20, cellHeight), SymbolName::fromString(name), brand.accentText, 18);
            painter.setPen(brand.primary);
            painter.drawText(QRectF(x + 24, y, cellWidth - 28, cellHeight), Qt::AlignVCenter | Qt::AlignLeft,
                             painter.fontMetrics().elidedText(name, Qt::ElideMiddle, cellWidth - 28));
            ++index;
        }
    }

private:
    static constexpr int columns = 3;
    static constexpr int cellHeight = 22;
};

QWidget* textStyles()
{
    auto* box = new QWidget;
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    const std::pair<TextStyle, const char*> styles[] = {
        {TextStyle::LargeTitle, "Large title"}, {TextStyle::Title1, "Title 1"},
        {TextStyle::Title2, "Title 2"},         {TextStyle::Title3, "Title 3"},
        {TextStyle::Headline, "Headline"},      {TextStyle::Body, "Body 0123456789"},
        {TextStyle::Callout, "Callout"},        {TextStyle::Subheadline, "Subheadline"},
        {TextStyle::Footnote, "Footnote"},      {TextStyle::Caption, "Caption"},
    };
    for (const auto& [style, name] : styles) {
        auto* label = new KitLabel(QString::fromLatin1(name), style);
        label->setMaximumLines(1);
        column->addWidget(label);
    }
    return box;
}

class Swatches final : public QWidget {
public:
    Swatches() { setFixedHeight(56); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const Brand& brand = Brand::current();
        const std::pair<BrandColor, const char*> colors[] = {
            {BrandColor::Accent, "accent"}, {BrandColor::AccentText, "accentText"}, {BrandColor::AccentWash, "wash"},
            {BrandColor::Ready, "ready"},   {BrandColor::Attention, "attn"},        {BrandColor::Failure, "failure"},
            {BrandColor::Idle, "idle"},     {BrandColor::Secondary, "secondary"},
        };
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setFont(textFont(TextStyle::Caption));
        int x = 0;
        for (const auto& [color, name] : colors) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(brand.color(color));
            painter.drawRoundedRect(QRectF(x, 0, 52, 32), 6, 6);
            painter.setPen(brand.secondary);
            painter.drawText(QRectF(x, 36, 60, 16), Qt::AlignLeft, QString::fromLatin1(name));
            x += 60;
        }
    }
};

class SurfaceSamples final : public QWidget {
public:
    SurfaceSamples() { setFixedHeight(110); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        paintGlassSurface(painter, QRectF(16, 12, 180, 70), GlassEmphasis::Standard, 12);
        paintGlassSurface(painter, QRectF(240, 12, 180, 70), GlassEmphasis::Elevated, 12);
        painter.setFont(textFont(TextStyle::Callout));
        painter.setPen(Brand::current().primary);
        painter.drawText(QRectF(16, 12, 180, 70), Qt::AlignCenter, QStringLiteral("standard"));
        painter.drawText(QRectF(240, 12, 180, 70), Qt::AlignCenter, QStringLiteral("elevated"));
    }
};

QWidget* smallWidgets()
{
    auto* chips = new QWidget;
    auto* flow = new FlowLayout(chips);
    for (const char* name : {"Prague", "Brno", "Old Town Square", "Charles Bridge", "Vyšehrad", "Letná", "Karlín"})
        flow->addWidget(new QPushButton(QString::fromUtf8(name)));
    auto* disclosure = new DisclosureGroup(QStringLiteral("Open disclosure with a chip grid"), chips);
    disclosure->setExpanded(true);

    auto* folded = new DisclosureGroup(QStringLiteral("Folded disclosure"), new QWidget);

    auto* narrow = new AdaptiveRow(row({new ActionButton(QStringLiteral("Play route"), ActionButton::Kind::Primary)}),
                                   row({new IconButton(QStringLiteral("Stop"), "stop.fill"_symbol),
                                        new IconButton(QStringLiteral("Reset"), "arrow.counterclockwise"_symbol)}));
    narrow->setFixedWidth(150);
    auto* wide = new AdaptiveRow(row({new KitLabel(QStringLiteral("One row when it fits"), TextStyle::Body)}),
                                 row({new IconButton(QStringLiteral("Stop"), "stop.fill"_symbol),
                                      new IconButton(QStringLiteral("Reset"), "arrow.counterclockwise"_symbol)}));

    auto* box = new QWidget;
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    column->addWidget(disclosure);
    column->addWidget(folded);
    column->addWidget(row({new NumberedMark(1), new NumberedMark(2), new NumberedMark(12), new NumberedMark(128),
                           new NumberedMark(3, 28, BrandColor::Failure)}));
    column->addWidget(wide);
    column->addWidget(narrow);
    return box;
}

std::unique_ptr<QWidget> gallery(const SnapshotContext&)
{
    auto page = std::make_unique<QWidget>();
    page->setWindowTitle(QStringLiteral("Interface kit"));
    auto* grid = new QHBoxLayout(page.get());
    grid->setContentsMargins(24, 24, 24, 24);
    grid->setSpacing(32);
    grid->addWidget(samplePanel());

    auto* middle = new QVBoxLayout;
    middle->setSpacing(16);
    auto* disabledButton = new IconButton(QStringLiteral("Disabled"), "stop.fill"_symbol);
    disabledButton->setEnabled(false);
    middle->addWidget(new PanelSection(
        QStringLiteral("Icon buttons, wells, dots, spinner"),
        row({new IconButton(QStringLiteral("Locate"), "location.fill"_symbol), disabledButton,
             new IconButton(QStringLiteral("Settings"), "gearshape"_symbol, BrandColor::Secondary),
             new IconWell("iphone"_symbol, 28), new IconWell("car.fill"_symbol, 44), new StatusDot(BrandColor::Ready),
             new StatusDot(BrandColor::Attention), new StatusDot(BrandColor::Failure),
             new StatusDot(BrandColor::Idle, 12), new Spinner(16)})));
    middle->addWidget(
        new PanelSection(QStringLiteral("Empty state"),
                         new EmptyStateView("bookmark"_symbol,
                                            QStringLiteral("Saved places appear here. Right-click the map or use "
                                                           "the star in the place panel to save one."),
                                            QStringLiteral("Add current place"), [] {})));
    middle->addWidget(new PanelSection(QStringLiteral("Surfaces"), new SurfaceSamples));
    middle->addWidget(new PanelSection(QStringLiteral("Colours"), new Swatches));
    middle->addWidget(new PanelSection(QStringLiteral("Text styles"), textStyles()));
    middle->addStretch(1);
    grid->addLayout(middle, 1);

    auto* right = new QVBoxLayout;
    right->addWidget(new PanelSection(QStringLiteral("Symbols"), new SymbolSheet));
    right->addWidget(new PanelSection(QStringLiteral("Disclosure, chips, marks, one or two rows"), smallWidgets()));
    right->addStretch(1);
    grid->addLayout(right, 1);
    return page;
}

const RegisterScenario kitGallery(QStringLiteral("kit"), QStringLiteral("gallery"), gallery);

} // namespace

} // namespace ostrevin::snapshots
