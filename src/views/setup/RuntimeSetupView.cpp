#include "views/setup/RuntimeSetupView.h"

#include "runtime/RuntimeInstaller.h"
#include "views/setup/OnboardingPanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QResizeEvent>
#include <QShowEvent>
#include <QShortcut>
#include <QVBoxLayout>

namespace ostrevin {

using Phase = RuntimeInstaller::Phase;

namespace {

/// One line of tool output: cut in the middle when it does not fit, whole in the tooltip.
class MiddleElidedLabel final : public QLabel {
public:
    void setFullText(const QString& text)
    {
        if (text == m_fullText)
            return;
        m_fullText = text;
        setToolTip(text);
        elide();
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QLabel::resizeEvent(event);
        elide();
    }
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

private:
    void elide()
    {
        setText(fontMetrics().elidedText(m_fullText, Qt::ElideMiddle, std::max(0, contentsRect().width())));
    }

    QString m_fullText;
};

QWidget* factRow(const QString& symbol, const QString& text)
{
    auto* row = new QWidget;
    row->setObjectName(QStringLiteral("factRow"));
    row->setProperty("symbol", symbol);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    auto* icon = new QLabel;
    icon->setObjectName(QStringLiteral("factSymbol"));
    icon->setFixedWidth(18);
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    layout->addWidget(icon, 0, Qt::AlignTop);
    layout->addWidget(label, 1);
    return row;
}

} // namespace

struct RuntimeSetupView::Widgets {
    QWidget* facts = nullptr;
    QWidget* failure = nullptr;
    QLabel* failureText = nullptr;
    QWidget* stepCard = nullptr;
    struct StepLine {
        QLabel* mark = nullptr;
        QLabel* title = nullptr;
        QLabel* percentage = nullptr;
    };
    QList<StepLine> stepLines;
    QProgressBar* progress = nullptr;
    MiddleElidedLabel* logLine = nullptr;
    QPushButton* install = nullptr;
    QPushButton* cancel = nullptr;
};

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

    w.failure = new QWidget;
    w.failure->setObjectName(QStringLiteral("setupFailure"));
    auto* failureLayout = new QHBoxLayout(w.failure);
    failureLayout->setContentsMargins(12, 12, 12, 12);
    failureLayout->setSpacing(8);
    auto* failureSymbol = new QLabel;
    failureSymbol->setObjectName(QStringLiteral("failureSymbol"));
    w.failureText = new QLabel;
    w.failureText->setObjectName(QStringLiteral("failureText"));
    w.failureText->setTextFormat(Qt::PlainText);
    w.failureText->setWordWrap(true);
    w.failureText->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    failureLayout->addWidget(failureSymbol, 0, Qt::AlignTop);
    failureLayout->addWidget(w.failureText, 1);
    column->addWidget(w.failure);

    w.stepCard = new QWidget;
    w.stepCard->setObjectName(QStringLiteral("setupStepCard"));
    auto* cardLayout = new QVBoxLayout(w.stepCard);
    cardLayout->setContentsMargins(16, 16, 16, 16);
    cardLayout->setSpacing(12);
    for (qsizetype i = 0; i < RuntimeInstaller::allSteps().size(); ++i) {
        Widgets::StepLine line;
        auto* row = new QHBoxLayout;
        row->setSpacing(10);
        line.mark = new QLabel;
        line.mark->setFixedWidth(18);
        line.title = new QLabel;
        line.title->setTextFormat(Qt::PlainText);
        line.percentage = new QLabel;
        line.percentage->setObjectName(QStringLiteral("stepPercentage"));
        row->addWidget(line.mark);
        row->addWidget(line.title);
        row->addStretch(1);
        row->addWidget(line.percentage);
        cardLayout->addLayout(row);
        w.stepLines.append(line);
    }
    w.progress = new QProgressBar;
    w.progress->setObjectName(QStringLiteral("downloadProgress"));
    w.progress->setRange(0, 1000);
    w.progress->setTextVisible(false);
    cardLayout->addWidget(w.progress);
    w.logLine = new MiddleElidedLabel;
    w.logLine->setObjectName(QStringLiteral("componentLogLine"));
    w.logLine->setTextFormat(Qt::PlainText);
    cardLayout->addWidget(w.logLine);
    column->addWidget(w.stepCard);

    w.install = new QPushButton;
    w.install->setObjectName(QStringLiteral("installButton"));
    w.install->setDefault(true);
    column->addWidget(w.install);
    //: Button that cancels the add-on component installation.
    w.cancel = new QPushButton(tr("Cancel"));
    w.cancel->setObjectName(QStringLiteral("cancelInstallButton"));
    column->addWidget(w.cancel, 0, Qt::AlignHCenter);

    connect(w.install, &QPushButton::clicked, this, &RuntimeSetupView::install);
    connect(w.cancel, &QPushButton::clicked, this, &RuntimeSetupView::cancel);
    // The screen is no dialog: Return and Escape need shortcuts of their own.
    for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* shortcut = new QShortcut(QKeySequence(key), this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, &RuntimeSetupView::install);
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
    m_rows = RuntimeSetupRows::of(m_runtime.phase(), m_runtime.logTail(), locale());
    Widgets& w = *m_widgets;
    using Block = RuntimeSetupRows::Block;
    const Block block = m_rows.block;

    w.facts->setVisible(block == Block::facts);
    w.failure->setVisible(block == Block::failure);
    if (w.failureText->text() != m_rows.failureMessage)
        w.failureText->setText(m_rows.failureMessage);
    w.install->setVisible(block == Block::facts || block == Block::failure);
    w.install->setText(m_rows.installTitle);
    w.install->setEnabled(m_rows.installEnabled);

    w.stepCard->setVisible(block == Block::steps);
    w.cancel->setVisible(block == Block::steps);
    w.cancel->setEnabled(m_rows.cancelEnabled);
    for (qsizetype i = 0; i < w.stepLines.size(); ++i) {
        const Widgets::StepLine& line = w.stepLines.at(i);
        if (i >= m_rows.steps.size()) {
            line.title->clear();
            continue;
        }
        const RuntimeSetupRows::StepRow& row = m_rows.steps.at(i);
        line.title->setText(row.title);
        line.title->setProperty("stepStatus", static_cast<int>(row.status));
        line.percentage->setText(row.percentage);
        line.percentage->setVisible(!row.percentage.isEmpty());
    }
    w.progress->setVisible(m_rows.progress.has_value());
    if (m_rows.progress)
        w.progress->setValue(static_cast<int>(*m_rows.progress * 1000.0));
    w.logLine->setVisible(!m_rows.lastLogLine.isEmpty());
    w.logLine->setFullText(m_rows.lastLogLine);
}

} // namespace ostrevin
