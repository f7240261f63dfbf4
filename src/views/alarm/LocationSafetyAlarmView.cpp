#include "views/alarm/LocationSafetyAlarmView.h"

#include "views/alarm/FittedText.h"
#include "views/kit/Accessibility.h"
#include "views/kit/Brand.h"
#include "views/kit/Shapes.h"
#include "views/kit/Symbols.h"
#include "views/kit/TextStyle.h"

#include <QHBoxLayout>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QResizeEvent>
#include <QVBoxLayout>

namespace ostrevin {

namespace {

QColor white(qreal opacity = 1.0)
{
    return kit::withOpacity(Qt::white, opacity);
}

QFont systemFont(int pixelSize, QFont::Weight weight)
{
    QFont font = kit::textFont(kit::TextStyle::Body, weight);
    font.setPixelSize(pixelSize);
    return font;
}

/// The detail boxes and the button: a rounded rectangle with a 1-point outline.
void paintBox(QPainter& painter, const QRect& rect, const QColor& fill, const QColor& outline)
{
    painter.setRenderHint(QPainter::Antialiasing);
    kit::fillRoundedRect(painter, rect, 14, fill);
    kit::strokeRoundedRectInside(painter, rect, 14, outline, 1);
}

/// A symbol of the symbol font, square, at a pixel size.
class SymbolView final : public QWidget {
public:
    SymbolView(kit::SymbolName symbol, QColor color, int pixelSize) : m_symbol(symbol), m_color(std::move(color))
    {
        setPixelSize(pixelSize);
    }

    void setPixelSize(int pixelSize)
    {
        m_pixelSize = pixelSize;
        setFixedSize(pixelSize, pixelSize);
        update();
    }

    void setSymbol(kit::SymbolName symbol, const QColor& color)
    {
        m_symbol = symbol;
        m_color = color;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        kit::paintSymbol(painter, rect(), m_symbol, m_color, m_pixelSize);
    }

private:
    kit::SymbolName m_symbol;
    QColor m_color;
    int m_pixelSize = 0;
};

/// How roomy the alarm is laid out: the largest that fits the screen's height is
/// taken, so on a small screen the button stays on it.
struct Density {
    int margin;
    int spacing;
    int iconSize;
    int titleSize;
};

constexpr Density densities[] = {{40, 22, 76, 54}, {24, 14, 56, 44}, {16, 8, 40, 34}};

/// One of the three boxes under the explanation: a label and its value.
class DetailBox final : public QWidget {
public:
    explicit DetailBox(const QString& title) : m_title(title)
    {
        setMinimumHeight(82);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(16, 16, 16, 16);
        layout->setSpacing(8);
        layout->addWidget(new FittedText(title, kit::textFont(kit::TextStyle::Headline), white(0.72)));
        m_value = new FittedText(QString(), kit::textFont(kit::TextStyle::Body, QFont::DemiBold), white());
        // Room for a tool's whole cause on a small screen, where the boxes are narrow:
        // cut off, it would lose what the user needs to act on.
        m_value->setMaximumLines(5);
        m_value->setMinimumScale(0.8);
        // The value and its footer read as one text, one line under the other.
        m_values = new QVBoxLayout;
        m_values->setSpacing(0);
        m_values->addWidget(m_value);
        layout->addLayout(m_values);
        layout->addStretch(1);
    }

    /// footer: a line of its own under the value, shown whole; the value gives up
    /// lines for it, so no length of the value can cut it off.
    void setValue(const QString& value, const QString& footer = {})
    {
        if (!footer.isEmpty() && !m_footer) {
            m_footer = new FittedText(QString(), kit::textFont(kit::TextStyle::Body, QFont::DemiBold), white());
            m_footer->setMaximumLines(2);
            m_footer->setMinimumScale(0.8);
            m_values->addWidget(m_footer);
        }
        m_value->setMaximumLines(footer.isEmpty() ? 5 : 3);
        m_value->setText(value);
        if (m_footer) {
            m_footer->setText(footer);
            m_footer->setVisible(!footer.isEmpty());
        }
        setAccessibleName(m_title + u": " + value + (footer.isEmpty() ? QString() : u'\n' + footer));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        paintBox(painter, rect(), kit::withOpacity(Qt::black, 0.64), white(0.18));
    }

private:
    QString m_title;
    FittedText* m_value = nullptr;
    QVBoxLayout* m_values = nullptr;
    FittedText* m_footer = nullptr;
};

/// The white button that silences and closes the alarm. It takes no keyboard focus:
/// Space on a focused button would acknowledge at once, past the grace the panel
/// gives Return after a new alarm.
class AcknowledgeButton final : public QPushButton {
public:
    explicit AcknowledgeButton(const QString& text) : QPushButton(text)
    {
        setFocusPolicy(Qt::NoFocus);
        setCursor(Qt::PointingHandCursor);
        setFont(kit::textFont(kit::TextStyle::Title2, QFont::Bold));
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override
    {
        const QFontMetrics metrics(font());
        const int symbol = metrics.height();
        return {28 + symbol + 8 + metrics.horizontalAdvance(text()) + 28, 14 + metrics.height() + 14};
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        paintBox(painter, rect(), isDown() ? QColor(0xe6, 0xe6, 0xe6) : QColor(Qt::white),
                 kit::withOpacity(Qt::black, 0.2));
        const QFontMetrics metrics(font());
        const int symbol = metrics.height();
        const QRect content = rect().adjusted(28, 14, -28, -14);
        kit::paintSymbol(painter, QRectF(content.left(), content.top(), symbol, symbol), "speaker.slash.fill"_symbol,
                         Qt::black, symbol * 0.9);
        painter.setPen(Qt::black);
        painter.drawText(content.adjusted(symbol + 8, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text());
    }
};

/// Centres a widget that may not grow past its maximum width.
QWidget* centred(QWidget* widget)
{
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addStretch(0);
    layout->addWidget(widget, 1);
    layout->addStretch(0);
    return row;
}

FittedText* centredText(const QString& text, const QFont& font, const QColor& color)
{
    auto* label = new FittedText(text, font, color);
    label->setAlignment(Qt::AlignHCenter);
    label->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    return label;
}

} // namespace

LocationSafetyAlarmView::LocationSafetyAlarmView(const LocationSafetyAlarmEvent& alarm,
                                                 std::function<void()> acknowledge, QWidget* parent)
    : QWidget(parent)
{
    auto* outer = new QVBoxLayout(this);
    m_outer = outer;
    m_column = new QWidget;
    auto* column = m_column;
    column->setMaximumWidth(1280 - 2 * 40);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    outer->addStretch(1);
    outer->addWidget(centred(column));
    outer->addStretch(1);

    QFont eyebrowFont = kit::textFont(kit::TextStyle::Title3, QFont::DemiBold);
    eyebrowFont.setLetterSpacing(QFont::AbsoluteSpacing, 3);
    const QString eyebrow = tr("Simulated location interrupted");
    auto* eyebrowText = centredText(QLocale().toUpper(eyebrow), eyebrowFont, white(0.85));
    eyebrowText->setAccessibleName(eyebrow);
    layout->addWidget(eyebrowText);

    m_icon = new SymbolView("exclamationmark.triangle.fill"_symbol, white(), densities[0].iconSize);
    kit::hideFromAccessibility(*m_icon);
    layout->addWidget(m_icon, 0, Qt::AlignHCenter);

    m_title = centredText(QString(), systemFont(54, QFont::Bold), white());
    m_title->setMaximumLines(2);
    m_title->setMinimumScale(0.55);
    kit::markAsHeading(*m_title);
    layout->addWidget(m_title);

    m_explanation = centredText(QString(), kit::textFont(kit::TextStyle::Title2, QFont::Medium), white(0.9));
    m_explanation->setMaximumWidth(900);
    layout->addWidget(centred(m_explanation));

    auto* details = new QWidget;
    details->setMaximumWidth(1180);
    auto* detailRow = new QHBoxLayout(details);
    detailRow->setContentsMargins(0, 0, 0, 0);
    detailRow->setSpacing(14);
    //: Label of a detail box in the full-screen location interruption alarm.
    m_point = new DetailBox(tr("Last set location"));
    detailRow->addWidget(m_point, 1);
    //: Label of a detail box in the full-screen location interruption alarm.
    m_cause = new DetailBox(tr("Cause"));
    detailRow->addWidget(m_cause, 1);
    //: Label of a detail box in the full-screen location interruption alarm; the value is a date and time.
    m_detected = new DetailBox(tr("Detected"));
    detailRow->addWidget(m_detected, 1);
    layout->addWidget(centred(details));

    const QFont statusFont = kit::textFont(kit::TextStyle::Title3, QFont::DemiBold);
    auto* status = new QWidget;
    auto* statusRow = new QHBoxLayout(status);
    statusRow->setContentsMargins(0, 0, 0, 0);
    statusRow->setSpacing(8);
    statusRow->addStretch(1);
    m_statusSymbol = new SymbolView("arrow.triangle.2.circlepath"_symbol, white(), QFontMetrics(statusFont).height());
    statusRow->addWidget(m_statusSymbol);
    m_status = new FittedText(QString(), statusFont, white());
    statusRow->addWidget(m_status);
    statusRow->addStretch(1);
    layout->addWidget(status);

    auto* button = new AcknowledgeButton(tr("Acknowledge and silence alarm"));
    button->setAccessibleName(button->text());
    button->setAccessibleDescription(tr("Turns off the sound and closes this alert."));
    connect(button, &QPushButton::clicked, this, [acknowledge = std::move(acknowledge)] {
        if (acknowledge)
            acknowledge();
    });
    layout->addWidget(button, 0, Qt::AlignHCenter);

    layout->addWidget(centredText(tr("The sound and alert stay on until you acknowledge them."),
                                  kit::textFont(kit::TextStyle::Callout), white(0.72)));

    setAccessibleName(eyebrow);
    setAlarm(alarm);
    applyDensity(0);
}

void LocationSafetyAlarmView::setAlarm(const LocationSafetyAlarmEvent& alarm)
{
    const bool recovered = alarm.isRecoveryConfirmed;
    const QColor green = kit::Brand::current().ready;
    const QColor statusColor = recovered ? green : white();
    static_cast<SymbolView*>(m_icon)->setSymbol(recovered ? "checkmark.shield.fill"_symbol
                                                          : "exclamationmark.triangle.fill"_symbol,
                                                recovered ? green : white());
    m_title->setText(recovered ? tr("Simulated location is set again") : tr("iPhone may be using its real location"));
    m_title->setAccessibleDescription(alarmExplanation(recovered));
    m_explanation->setText(alarmExplanation(recovered));
    // A name of hundreds of characters must not push the coordinates out of the box.
    static_cast<DetailBox*>(m_point)->setValue(alarm.pointName, coordinateLine(alarm));
    static_cast<DetailBox*>(m_cause)->setValue(alarm.reason);
    static_cast<DetailBox*>(m_detected)->setValue(detectedAtDescription(alarm.detectedAt));
    const kit::SymbolName statusSymbol = recovered                      ? "checkmark.circle.fill"_symbol
                                         : alarm.recoveryWait.isEmpty() ? "arrow.triangle.2.circlepath"_symbol
                                                                        : "lock.shield"_symbol;
    static_cast<SymbolView*>(m_statusSymbol)->setSymbol(statusSymbol, statusColor);
    m_status->setText(recoveryStatus(alarm));
    m_status->setColor(statusColor);
}

void LocationSafetyAlarmView::applyDensity(int level)
{
    const Density& density = densities[level];
    m_density = level;
    m_outer->setContentsMargins(density.margin, density.margin, density.margin, density.margin);
    m_column->layout()->setSpacing(density.spacing);
    static_cast<SymbolView*>(m_icon)->setPixelSize(density.iconSize);
    m_title->setTextFont(systemFont(density.titleSize, QFont::Bold));
}

void LocationSafetyAlarmView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The roomiest layout whose content column fits the height; the tightest one
    // fits every screen from 800 × 600 up.
    const int levels = int(std::size(densities));
    int level = 0;
    for (; level < levels - 1; ++level) {
        const Density& density = densities[level];
        applyDensity(level);
        const int width = std::min(m_column->maximumWidth(), event->size().width() - 2 * density.margin);
        if (m_column->heightForWidth(width) + 2 * density.margin <= event->size().height())
            break;
    }
    if (level != m_density)
        applyDensity(level);
}

LocationSafetyAlarmView::~LocationSafetyAlarmView() = default;

AlarmViewFactory LocationSafetyAlarmView::factory()
{
    return {[](const LocationSafetyAlarmEvent& event, std::function<void()> acknowledge) -> QWidget* {
                return new LocationSafetyAlarmView(event, std::move(acknowledge));
            },
            [](QWidget* view, const LocationSafetyAlarmEvent& event) {
                static_cast<LocationSafetyAlarmView*>(view)->setAlarm(event);
            }};
}

QString LocationSafetyAlarmView::alarmExplanation(bool isRecoveryConfirmed)
{
    if (isRecoveryConfirmed)
        //: Explanation in the location interruption alarm after the location was restored.
        return tr("During the interruption, iPhone may briefly have used its real location. Acknowledge that "
                  "you’ve seen this alert.");
    //: Explanation in the full-screen location interruption alarm.
    return tr("The connection to iPhone was interrupted. Until it’s restored, Ostrevin can’t verify that iPhone is "
              "still using the simulated location.");
}

QString LocationSafetyAlarmView::recoveryStatus(const LocationSafetyAlarmEvent& alarm)
{
    if (alarm.isRecoveryConfirmed)
        //: Status line in the location interruption alarm after recovery.
        return tr("Location verified again.");
    // Not "trying": the user must know that nothing happens until they act.
    if (!alarm.recoveryWait.isEmpty())
        return alarm.recoveryWait;
    //: Status line in the location interruption alarm.
    return tr("Ostrevin is trying to restore the location automatically.");
}

QString LocationSafetyAlarmView::coordinateLine(const LocationSafetyAlarmEvent& alarm)
{
    if (!alarm.latitude || !alarm.longitude)
        return {};
    return QString::number(*alarm.latitude, 'f', 5) + u", " + QString::number(*alarm.longitude, 'f', 5);
}

QString LocationSafetyAlarmView::pointDescription(const LocationSafetyAlarmEvent& alarm)
{
    const QString coordinates = coordinateLine(alarm);
    return coordinates.isEmpty() ? alarm.pointName : alarm.pointName + u'\n' + coordinates;
}

QString LocationSafetyAlarmView::detectedAtDescription(const QDateTime& detectedAt, const QLocale& locale)
{
    // Qt has no date skeletons: take the locale's long date without the weekday and
    // with the short month name, and its long time without the time zone.
    QString date = locale.dateFormat(QLocale::LongFormat);
    date.remove(QRegularExpression(QStringLiteral("d{4}[,.]?\\s*")));
    date.replace(QRegularExpression(QStringLiteral("M{4}")), QStringLiteral("MMM"));
    QString time = locale.timeFormat(QLocale::LongFormat);
    time.remove(QRegularExpression(QStringLiteral("\\s*\\(?t+\\)?")));
    return locale.toString(detectedAt.toLocalTime(), date.trimmed() + u' ' + time.trimmed());
}

void LocationSafetyAlarmView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    QLinearGradient gradient(rect().topLeft(), rect().bottomRight());
    const QColor red = kit::Brand::current().failure;
    gradient.setColorAt(0, kit::withOpacity(red, 0.62));
    gradient.setColorAt(0.5, Qt::black);
    gradient.setColorAt(1, kit::withOpacity(red, 0.32));
    painter.fillRect(rect(), gradient);
}

} // namespace ostrevin
