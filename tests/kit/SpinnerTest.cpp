#include "views/kit/Spinner.h"

#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace ostrevin::kit;

TEST(Spinner, TurnsOnlyWhileVisible)
{
    QWidget panel;
    auto* layout = new QVBoxLayout(&panel);
    auto* spinner = new Spinner(16);
    layout->addWidget(spinner);
    EXPECT_FALSE(spinner->isSpinning());

    panel.show();
    EXPECT_TRUE(spinner->isSpinning());
    spinner->hide();
    EXPECT_FALSE(spinner->isSpinning());
    spinner->show();
    EXPECT_TRUE(spinner->isSpinning());
    // A spinner in a panel that is hidden as a whole stops too.
    panel.hide();
    EXPECT_FALSE(spinner->isSpinning());
    panel.show();
    EXPECT_TRUE(spinner->isSpinning());
}
