#include "views/setup/OnboardingPanel.h"

#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

namespace ostrevin {

OnboardingPanel::OnboardingPanel(const QString& title, const QString& subtitle, QWidget* content, QWidget* parent)
    : QScrollArea(parent)
{
    setObjectName(QStringLiteral("onboardingPanel"));
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    // The page is at least as tall as the view, so a short card sits in its middle
    // and a tall one scrolls.
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("onboardingPage"));
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->addStretch(1);

    m_card = new QWidget;
    m_card->setObjectName(QStringLiteral("onboardingCard"));
    m_card->setFixedWidth(cardWidth);
    auto* cardLayout = new QVBoxLayout(m_card);
    cardLayout->setContentsMargins(0, 56, 0, 56 + 40);
    cardLayout->setSpacing(28);

    auto* header = new QVBoxLayout;
    header->setSpacing(14);
    auto* icon = new QLabel;
    icon->setObjectName(QStringLiteral("onboardingIcon"));
    const QIcon appIcon = QApplication::windowIcon();
    icon->setPixmap(appIcon.pixmap(QSize(88, 88)));
    icon->setFixedSize(88, 88);
    icon->setAccessibleName(QString());
    header->addWidget(icon, 0, Qt::AlignHCenter);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(6);
    auto* titleLabel = new QLabel(title);
    titleLabel->setObjectName(QStringLiteral("onboardingTitle"));
    titleLabel->setTextFormat(Qt::PlainText);
    titleLabel->setWordWrap(true);
    titleLabel->setAlignment(Qt::AlignHCenter);
    QFont titleFont = titleLabel->font();
    titleFont.setPixelSize(22);
    titleFont.setWeight(QFont::DemiBold);
    titleLabel->setFont(titleFont);
    auto* subtitleLabel = new QLabel(subtitle);
    subtitleLabel->setObjectName(QStringLiteral("onboardingSubtitle"));
    subtitleLabel->setTextFormat(Qt::PlainText);
    subtitleLabel->setWordWrap(true);
    subtitleLabel->setAlignment(Qt::AlignHCenter);
    texts->addWidget(titleLabel);
    texts->addWidget(subtitleLabel);
    header->addLayout(texts);

    cardLayout->addLayout(header);
    cardLayout->addWidget(content);

    pageLayout->addWidget(m_card, 0, Qt::AlignHCenter);
    pageLayout->addStretch(1);
    setWidget(page);
}

} // namespace ostrevin
