#include "views/setup/RuntimeSetupView.h"

#include "runtime/RuntimeInstaller.h"
#include "views/kit/ActionButton.h"
#include "views/kit/Brand.h"
#include "views/kit/KeyboardNavigation.h"
#include "views/kit/KitLabel.h"
#include "views/kit/Spinner.h"
#include "views/kit/SymbolMark.h"
#include "views/kit/TailTextBox.h"
#include "views/setup/OnboardingPanel.h"
#include "views/setup/SetupWidgets.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

namespace ostrevin {

using Phase = RuntimeInstaller::Phase;
using kit::BrandColor;
using kit::TextStyle;

struct RuntimeSetupView::Widgets {
    QWidget* facts = nullptr;
    QWidget* failure = nullptr;
    kit::TailTextBox* failureText = nullptr;
    QWidget* stepCard = nullptr;
    struct StepLine {
        kit::SymbolMark* mark = nullptr;
        kit::Spinner* spinner = nullptr;
        kit::KitLabel* title = nullptr;
        kit::KitLabel* percentage = nullptr;
    };
    QList<StepLine> stepLines;
    QProgressBar* progress = nullptr;
    MiddleElidedLine* logLine = nullptr;
    QPushButton* install = nullptr;
    QPushButton* cancel = nullptr;
};

namespace {

constexpr int failureTextMaxHeight = 120;

QWidget* factRow(const QString& symbol, const QString& text)
{
    auto* row = new QWidget;
    row->setObjectName(QStringLiteral("factRow"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    auto* label = new kit::KitLabel(text, TextStyle::Callout);
    layout->addWidget(new kit::SymbolMark(kit::SymbolName::fromString(symbol), BrandColor::Secondary, 16, 18), 0,
                      Qt::AlignTop);
    layout->addWidget(label, 1);
    return row;
}

QFont calloutFont()
{
    return kit::textFont(TextStyle::Callout);
}

} // namespace

RuntimeSetupView::RuntimeSetupView(RuntimeInstaller& runtime, std::function<void()> onInstalled, QWidget* parent)
    : QWidget(parent), m_runtime(runtime), m_onInstalled(std::move(onInstalled)),
      m_wasInstalled(runtime.phase().kind == Phase::Kind::installed), m_widgets(std::make_unique<Widgets>())
{
    setObjectName(QStringLiteral("runtimeSetupView"));
    Widgets& w = *m_widgets;

    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(18);

    w.facts = new QWidget;
    w.facts->setObjectName(QStringLiteral("setupFacts"));
    auto* factsLayout = new QVBoxLayout(w.facts);
    factsLayout->setContentsMargins(0, 0, 0, 0);
    factsLayout->setSpacing(10);
    for (const auto& [symbol, text] : RuntimeSetupRows::facts())
        factsLayout->addWidget(factRow(symbol, text));
    column->addWidget(w.facts);

    w.failure = new RoundedSurface(RoundedSurface::Style::failure, 8);
    w.failure->setObjectName(QStringLiteral("setupFailure"));
    auto* failureLayout = new QHBoxLayout(w.failure);
    failureLayout->setContentsMargins(12, 12, 12, 12);
    failureLayout->setSpacing(8);
    // A failed pip run can say 16 KiB: its end shows in a bounded box, so "Try again"
    // stays right under it.
    w.failureText = new kit::TailTextBox(failureTextMaxHeight);
    w.failureText->setObjectName(QStringLiteral("failureText"));
    w.failureText->setFont(calloutFont());
    QPalette clear = w.failureText->palette();
    clear.setColor(QPalette::Base, Qt::transparent);
    w.failureText->setPalette(clear);
    failureLayout->addWidget(new kit::SymbolMark("xmark.octagon"_symbol, BrandColor::Failure, 16, 18), 0, Qt::AlignTop);
    failureLayout->addWidget(w.failureText, 1);
    column->addWidget(w.failure);

    w.stepCard = new RoundedSurface(RoundedSurface::Style::card, 10);
    w.stepCard->setObjectName(QStringLiteral("setupStepCard"));
    auto* cardLayout = new QVBoxLayout(w.stepCard);
    cardLayout->setContentsMargins(16, 16, 16, 16);
    cardLayout->setSpacing(12);
    for (qsizetype i = 0; i < RuntimeInstaller::allSteps().size(); ++i) {
        Widgets::StepLine line;
        auto* row = new QHBoxLayout;
        row->setSpacing(10);
        // The status mark sits in a frame 18 wide: a check mark, a spinner or a circle.
        auto* markFrame = new QWidget;
        markFrame->setFixedSize(18, 18);
        auto* markLayout = new QHBoxLayout(markFrame);
        markLayout->setContentsMargins(0, 0, 0, 0);
        line.mark = new kit::SymbolMark("circle"_symbol, BrandColor::Tertiary, 16, 18);
        line.spinner = new kit::Spinner(14);
        markLayout->addWidget(line.mark, 0, Qt::AlignCenter);
        markLayout->addWidget(line.spinner, 0, Qt::AlignCenter);
        line.title = new kit::KitLabel(QString(), TextStyle::Body);
        line.title->setMaximumLines(1);
        line.percentage = new kit::KitLabel(QString(), TextStyle::Callout);
        line.percentage->setColorRole(BrandColor::Secondary);
        line.percentage->setTabularDigits(true);
        line.percentage->setObjectName(QStringLiteral("stepPercentage"));
        row->addWidget(markFrame);
        row->addWidget(line.title, 1);
        row->addWidget(line.percentage);
        cardLayout->addLayout(row);
        w.stepLines.append(line);
    }
    w.progress = new QProgressBar;
    w.progress->setObjectName(QStringLiteral("downloadProgress"));
    w.progress->setRange(0, 1000);
    w.progress->setTextVisible(false);
    w.progress->setFixedHeight(6);
    cardLayout->addWidget(w.progress);
    w.logLine = new MiddleElidedLine;
    w.logLine->setObjectName(QStringLiteral("componentLogLine"));
    cardLayout->addWidget(w.logLine);
    column->addWidget(w.stepCard);

    w.install = new kit::ActionButton(QString(), kit::ActionButton::Kind::Primary);
    w.install->setObjectName(QStringLiteral("installButton"));
    column->addWidget(w.install);
    w.cancel = new QPushButton;
    w.cancel->setObjectName(QStringLiteral("cancelInstallButton"));
    w.cancel->setMinimumWidth(96);
    column->addWidget(w.cancel, 0, Qt::AlignHCenter);

    connect(w.install, &QPushButton::clicked, this, &RuntimeSetupView::install);
    connect(w.cancel, &QPushButton::clicked, this, &RuntimeSetupView::cancel);
    // The screen is no dialog: Return and Escape need shortcuts of their own.
    // Return presses the focused button (Cancel during an installation) and
    // installs only when none has the focus.
    for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, [this] {
            if (!kit::pressFocusedButton(*window()))
                install();
        });
    }
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, &RuntimeSetupView::cancel);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    //: Title of the add-on component installation screen.
    outer->addWidget(new OnboardingPanel(tr("Finish setting up"),
                                         //: Subtitle of the add-on component installation screen.
                                         tr("Ostrevin needs an add-on component to communicate with your iPhone. "
                                            "It’s downloaded once, directly from official sources, and verified "
                                            "before use."),
                                         content));

    connect(&m_runtime, &RuntimeInstaller::phaseChanged, this, &RuntimeSetupView::handlePhaseChange);
    connect(&m_runtime, &RuntimeInstaller::logTailChanged, this, &RuntimeSetupView::render);
    render();
}

RuntimeSetupView::~RuntimeSetupView() = default;

void RuntimeSetupView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        m_runtime.refresh();
}

void RuntimeSetupView::handlePhaseChange()
{
    render();
    const bool installed = m_runtime.phase().kind == Phase::Kind::installed;
    const bool becameInstalled = installed && !m_wasInstalled;
    m_wasInstalled = installed;
    if (becameInstalled && m_onInstalled)
        m_onInstalled();
}

void RuntimeSetupView::install()
{
    if (m_rows.installEnabled &&
        (m_rows.block == RuntimeSetupRows::Block::facts || m_rows.block == RuntimeSetupRows::Block::failure))
        m_runtime.install();
}

void RuntimeSetupView::cancel()
{
    if (m_rows.block == RuntimeSetupRows::Block::steps && m_rows.cancelEnabled)
        m_runtime.cancel();
}

void RuntimeSetupView::render()
{
    showRows(RuntimeSetupRows::of(m_runtime.phase(), m_runtime.logTail(), locale()));
}

void RuntimeSetupView::showRows(const RuntimeSetupRows& rows)
{
    m_rows = rows;
    Widgets& w = *m_widgets;
    using Block = RuntimeSetupRows::Block;
    using Status = RuntimeSetupRows::StepStatus;
    const Block block = m_rows.block;

    w.facts->setVisible(block == Block::facts);
    w.failure->setVisible(block == Block::failure);
    w.failureText->setTailText(m_rows.failureMessage);
    w.install->setVisible(block == Block::facts || block == Block::failure);
    w.install->setText(m_rows.installTitle);
    w.install->setEnabled(m_rows.installEnabled);

    w.stepCard->setVisible(block == Block::steps);
    w.cancel->setVisible(block == Block::steps);
    w.cancel->setEnabled(m_rows.cancelEnabled);
    w.cancel->setText(m_rows.cancelTitle);
    for (qsizetype i = 0; i < w.stepLines.size() && i < m_rows.steps.size(); ++i) {
        const Widgets::StepLine& line = w.stepLines.at(i);
        const RuntimeSetupRows::StepRow& row = m_rows.steps.at(i);
        line.title->setText(row.title);
        // The mark and the spinner say it to the eye; a screen reader hears it with the step.
        if (row.status == Status::done)
            //: Setup checklist, read by screen readers: a finished step. %1 is the step.
            line.title->setAccessibleName(tr("%1, done").arg(row.title));
        else if (row.status == Status::current)
            //: Setup checklist, read by screen readers: the step that runs now. %1 is the step.
            line.title->setAccessibleName(tr("%1, running").arg(row.title));
        else
            //: Setup checklist, read by screen readers: a step still to come. %1 is the step.
            line.title->setAccessibleName(tr("%1, to do").arg(row.title));
        line.title->setColorRole(row.status == Status::later ? BrandColor::Secondary : BrandColor::Primary);
        line.spinner->setVisible(row.status == Status::current);
        line.mark->setVisible(row.status != Status::current);
        if (row.status == Status::done)
            line.mark->setSymbol("checkmark.circle.fill"_symbol, BrandColor::Ready);
        else
            line.mark->setSymbol("circle"_symbol, BrandColor::Tertiary);
        line.percentage->setText(row.percentage);
        line.percentage->setVisible(!row.percentage.isEmpty());
    }
    w.progress->setVisible(m_rows.progress.has_value() || m_rows.progressIndeterminate);
    // A range of 0 to 0 is the platform's busy indicator.
    w.progress->setRange(0, m_rows.progressIndeterminate ? 0 : 1000);
    QPalette bar = w.progress->palette();
    bar.setColor(QPalette::Highlight, kit::Brand::current().accent);
    w.progress->setPalette(bar);
    if (m_rows.progress)
        w.progress->setValue(static_cast<int>(*m_rows.progress * 1000.0));
    w.logLine->setVisible(!m_rows.lastLogLine.isEmpty());
    w.logLine->setText(m_rows.lastLogLine);
    // Install took the focus with it when the steps began, and a failure brings
    // back only the button: "Try again" (or Install) takes the focus again, so that
    // its ring shows what Return does.
    const QWidget* focused = window()->focusWidget();
    if (w.install->isVisible() && w.install->isEnabled() && (!focused || !focused->isVisible()))
        w.install->setFocus(Qt::OtherFocusReason);
}

} // namespace ostrevin
