#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleValueInterface>

#include "app/ui/Accessibility.h"
#include "app/ui/PacedProgressBar.h"

using namespace yeroup::app;

// Steps that come fast are all shown, but only the end is told; the value read meanwhile is the one shown.
TEST(PacedProgressBar, ShowsEveryStepTellsOnlyTheEndOfAFastRunAndReadsAsShown) {
    InstallAccessibleInterfaces();
    TPacedProgressBar bar(nullptr);
    bar.setRange(0, 100);
    bar.Restart();
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&bar);
    ASSERT_NE(accessible, nullptr);
    ASSERT_NE(accessible->valueInterface(), nullptr);
    for (int percent = 1; percent < 100; ++percent) {
        bar.ShowPercent(percent);
        ASSERT_EQ(bar.Shown(), percent);
        ASSERT_EQ(accessible->valueInterface()->currentValue().toInt(), percent);
        ASSERT_LT(bar.value(), 0) << "told at " << percent;
    }
    EXPECT_EQ(accessible->text(QAccessible::Value), QStringLiteral("99%"));
    bar.ShowPercent(100);
    EXPECT_EQ(bar.value(), 100);
    bar.Restart();
    EXPECT_EQ(accessible->valueInterface()->currentValue().toInt(), 0);
    EXPECT_LT(bar.value(), 0);
}
