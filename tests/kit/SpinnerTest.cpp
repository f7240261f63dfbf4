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

TEST(Spinner, AStillSpinnerHasNoTimerToMoveItsFrame)
{
    // Pictures of the interface hold spinners still, so two runs draw the same frame.
    Spinner::setStill(true);
    Spinner spinner(16);
    spinner.show();
    EXPECT_FALSE(spinner.isSpinning());
    Spinner::setStill(false);
}
