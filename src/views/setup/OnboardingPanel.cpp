#include "views/setup/OnboardingPanel.h"

#include "views/kit/Accessibility.h"
#include "views/kit/KitLabel.h"

#include <QApplication>
#include <QHBoxLayout>
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
    // It draws no focus: the first Tab stop is the card's first button.
    setFocusPolicy(Qt::NoFocus);
    viewport()->setBackgroundRole(QPalette::Window);
    viewport()->setAutoFillBackground(true);

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
    kit::hideFromAccessibility(*icon);
    header->addWidget(icon, 0, Qt::AlignHCenter);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(6);
    auto* titleLabel = new kit::KitLabel(title, kit::TextStyle::Title1);
    titleLabel->setObjectName(QStringLiteral("onboardingTitle"));
    titleLabel->setTextStyle(kit::TextStyle::Title1, QFont::DemiBold);
    titleLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    auto* subtitleLabel = new kit::KitLabel(subtitle, kit::TextStyle::Body);
    subtitleLabel->setObjectName(QStringLiteral("onboardingSubtitle"));
    subtitleLabel->setColorRole(kit::BrandColor::Secondary);
    subtitleLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    texts->addWidget(titleLabel);
    texts->addWidget(subtitleLabel);
    header->addLayout(texts);

    cardLayout->addLayout(header);
    cardLayout->addWidget(content);

    // Centred by stretches rather than an alignment: an aligned item gets its size
    // hint, and the wrapped texts would lose their second lines.
    auto* centre = new QHBoxLayout;
    centre->addStretch(1);
    centre->addWidget(m_card);
    centre->addStretch(1);
    pageLayout->addLayout(centre);
    pageLayout->addStretch(1);
    setWidget(page);
}

} // namespace ostrevin
