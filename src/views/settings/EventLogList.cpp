#include "views/settings/EventLogList.h"

#include "views/kit/Brand.h"
#include "views/kit/KitLabel.h"
#include "views/kit/Shapes.h"
#include "views/kit/Symbols.h"
#include "views/kit/TextStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

namespace ostrevin {

namespace {

constexpr int captionSymbolSize = 12;

kit::SymbolName levelSymbol(TrackerLogLevel level)
{
    switch (level) {
    case TrackerLogLevel::warning:
        return "exclamationmark.triangle"_symbol;
    case TrackerLogLevel::error:
        return "xmark.octagon"_symbol;
    case TrackerLogLevel::info:
        break;
    }
    return "info.circle"_symbol;
}

kit::BrandColor levelColor(TrackerLogLevel level)
{
    switch (level) {
    case TrackerLogLevel::warning:
        return kit::BrandColor::Attention;
    case TrackerLogLevel::error:
        return kit::BrandColor::Failure;
    case TrackerLogLevel::info:
        break;
    }
    return kit::BrandColor::Secondary;
}

/// The level's symbol, coloured when painted so it follows the appearance.
class LevelIcon final : public QWidget {
public:
    LevelIcon() { setFixedSize(captionSymbolSize + 2, captionSymbolSize + 2); }
    void setLevel(TrackerLogLevel level)
    {
        m_level = level;
        setAccessibleName(title(level));
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        kit::paintSymbol(painter, QRectF(rect()), levelSymbol(m_level),
                         kit::Brand::current().color(levelColor(m_level)), captionSymbolSize);
    }

private:
    TrackerLogLevel m_level = TrackerLogLevel::info;
};

/// One entry: symbol, time, message.
class EventRow final : public QWidget {
public:
    EventRow()
        : m_icon(new LevelIcon), m_time(new kit::KitLabel(QString(), kit::TextStyle::Caption)), m_message(new QLabel)
    {
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(6);
        layout->addWidget(m_icon, 0, Qt::AlignTop);
        m_time->setColorRole(kit::BrandColor::Secondary);
        m_time->setTabularDigits(true);
        m_time->setMaximumLines(1);
        m_time->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        layout->addWidget(m_time, 0, Qt::AlignTop);
        // The message comes from tools and the network: never markup.
        m_message->setTextFormat(Qt::PlainText);
        m_message->setWordWrap(true);
        m_message->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_message->setFont(kit::textFont(kit::TextStyle::Caption));
        m_message->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        layout->addWidget(m_message, 1);
    }

    void setEntry(const TrackerLogEntry& entry)
    {
        const QString time = QLocale().toString(entry.date.toLocalTime().time(), QLocale::ShortFormat);
        m_icon->setLevel(entry.level);
        m_time->setText(time);
        m_time->setFixedSize(m_time->sizeHint());
        m_message->setText(entry.message);
        setAccessibleName(title(entry.level) + QStringLiteral(", ") + time + QStringLiteral(", ") + entry.message);
    }

private:
    LevelIcon* m_icon;
    kit::KitLabel* m_time;
    QLabel* m_message;
};

} // namespace

EventLogList::EventLogList(QWidget* parent)
    : QWidget(parent), m_scroll(new QScrollArea(this)), m_rows(nullptr),
      //: Settings › Advanced: the event log is empty.
      m_empty(new kit::KitLabel(tr("No events yet."), kit::TextStyle::Caption))
{
    setFixedHeight(boxHeight);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scroll->viewport()->setAutoFillBackground(false);
    auto* content = new QWidget;
    m_rows = new QVBoxLayout(content);
    m_rows->setContentsMargins(8, 8, 8, 8);
    m_rows->setSpacing(8);
    m_empty->setColorRole(kit::BrandColor::Secondary);
    m_rows->addWidget(m_empty);
    m_rows->addStretch(1);
    m_scroll->setWidget(content);
    // setWidget() turns the content's background on; the box paints its own.
    content->setAutoFillBackground(false);
    layout->addWidget(m_scroll);
}

void EventLogList::setEntries(const QList<TrackerLogEntry>& entries)
{
    m_empty->setVisible(entries.isEmpty());
    while (m_rowWidgets.size() < entries.size()) {
        auto* row = new EventRow;
        m_rows->insertWidget(m_rows->count() - 1, row);
        m_rowWidgets.append(row);
    }
    for (qsizetype i = 0; i < m_rowWidgets.size(); ++i) {
        auto* row = static_cast<EventRow*>(m_rowWidgets.at(i));
        if (i < entries.size())
            row->setEntry(entries.at(i));
        row->setVisible(i < entries.size());
    }
}

QList<QWidget*> EventLogList::visibleRows() const
{
    QList<QWidget*> rows;
    for (QWidget* row : m_rowWidgets) {
        if (!row->isHidden())
            rows.append(row);
    }
    return rows;
}

void EventLogList::paintEvent(QPaintEvent*)
{
    const kit::Brand& brand = kit::Brand::current();
    QPainter painter(this);
    const QRectF bounds = QRectF(rect());
    kit::fillRoundedRect(painter, bounds, 8, brand.base);
    kit::strokeRoundedRectInside(painter, bounds, 8, brand.primaryAt(0.10), 1.0);
}

} // namespace ostrevin
