#include "views/settings/EventLogList.h"

#include "planner/PlannerTexts.h"
#include "views/kit/Brand.h"
#include "views/kit/KeyedRows.h"
#include "views/kit/KitLabel.h"
#include "views/kit/Shapes.h"
#include "views/kit/Symbols.h"
#include "views/kit/TextStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
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

/// A message's selectable text. Its height at a width is kept until the text
/// changes: a list of rows asks for it many times per layout, and a wrapped label
/// works it out afresh on every call.
class MessageText final : public QLabel {
public:
    void setMessage(const QString& message)
    {
        m_width = -1;
        setText(message);
    }

    int heightForWidth(int width) const override
    {
        if (width != m_width) {
            m_width = width;
            m_height = QLabel::heightForWidth(width);
        }
        return m_height;
    }

private:
    mutable int m_width = -1;
    mutable int m_height = 0;
};

/// One entry: symbol, time, message.
class EventRow final : public QWidget {
public:
    EventRow()
        : m_icon(new LevelIcon), m_time(new kit::KitLabel(QString(), kit::TextStyle::Caption)),
          m_message(new MessageText)
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
        // As Copy and Export write it: entries seconds apart must not read as one moment.
        const QString time = PlannerTexts::timeWithSeconds(entry.date.toLocalTime().time(), QLocale());
        m_icon->setLevel(entry.level);
        m_time->setText(time);
        m_time->setFixedSize(m_time->sizeHint());
        const QString message = EventLogList::shownMessage(entry.message);
        m_message->setMessage(message);
        setAccessibleName(title(entry.level) + QStringLiteral(", ") + time + QStringLiteral(", ") + message);
    }

private:
    LevelIcon* m_icon;
    kit::KitLabel* m_time;
    MessageText* m_message;
};

} // namespace

EventLogList::EventLogList(QWidget* parent)
    : QWidget(parent), m_scroll(new QScrollArea(this)),
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
    auto* rows = new QVBoxLayout(content);
    rows->setContentsMargins(8, 8, 8, 8);
    rows->setSpacing(8);
    m_empty->setColorRole(kit::BrandColor::Secondary);
    rows->addWidget(m_empty);
    rows->addStretch(1);
    // After the "No events yet." line.
    m_rows = std::make_unique<kit::KeyedRows<TrackerLogEntry, QWidget>>(*rows, 1);
    m_scroll->setWidget(content);
    // setWidget() turns the content's background on; the box paints its own.
    content->setAutoFillBackground(false);
    layout->addWidget(m_scroll);
    QScrollBar* bar = m_scroll->verticalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this, [this, bar](int value) {
        if (value >= bar->maximum() - m_scroll->viewport()->height())
            showMoreRows();
    });
}

QString EventLogList::shownMessage(const QString& message)
{
    // A tool's whole output can be one entry: a row shows its start, bounded in
    // lines and characters, as a label lays that out quickly.
    QString shown = message.left(shownCharacters);
    const QStringList lines = shown.split(u'\n');
    if (lines.size() > shownLines)
        shown = lines.mid(0, shownLines).join(u'\n');
    return shown.size() < message.size() ? shown + QChar(0x2026) : shown;
}

void EventLogList::setEntries(const QList<TrackerLogEntry>& entries)
{
    m_entries = entries;
    m_empty->setVisible(entries.isEmpty());
    // Rows are made for the first entries only, and for more as the list is scrolled
    // towards its end: a row is a few widgets, and hundreds of them take long to show.
    const qsizetype count = std::min(entries.size(), std::max<qsizetype>(rowBatch, m_rows->size()));
    syncRows(entries.mid(0, count));
}

void EventLogList::showMoreRows()
{
    if (m_rows->size() < m_entries.size())
        syncRows(m_entries.mid(0, std::min(m_entries.size(), m_rows->size() + rowBatch)));
}

void EventLogList::syncRows(const QList<TrackerLogEntry>& entries)
{
    // The log is newest first: a new entry gets a row of its own at the top, and
    // the rows of the others keep their content.
    m_rows->sync(
        entries,
        [](const TrackerLogEntry& entry, qsizetype) {
            auto* row = new EventRow;
            row->setEntry(entry);
            return row;
        },
        [](QWidget& row, const TrackerLogEntry& entry, qsizetype) { static_cast<EventRow&>(row).setEntry(entry); });
}

QList<QWidget*> EventLogList::visibleRows() const
{
    QList<QWidget*> rows;
    for (QWidget* row : m_rows->rows()) {
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
