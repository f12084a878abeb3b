#include "app/ui/Contrast.h"

#include <gtest/gtest.h>

using namespace yeroup::app;

// Ratios as the WCAG's own examples and contrast checkers give them, and the grey chosen on light and dark.
TEST(Contrast, RatiosAndTheReadableGrey) {
    EXPECT_NEAR(ContrastRatio(Qt::black, Qt::white), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(Qt::white, Qt::white), 1.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(QColor(0x77, 0x77, 0x77), Qt::white), 4.48, 0.01);
    EXPECT_NEAR(ContrastRatio(QColor(128, 128, 128), QColor(0xef, 0xef, 0xef)), 3.44, 0.01);
    for (const QColor background : {QColor(Qt::white), QColor(0xef, 0xef, 0xef), QColor(0xca, 0xca, 0xca),
                                    QColor(0x30, 0x30, 0x30), QColor(Qt::black)}) {
        SCOPED_TRACE(background.name().toStdString());
        const QColor grey = ReadableGrey(background);
        EXPECT_GE(ContrastRatio(grey, background), kReadableContrast);
        // The nearest such grey to the layout's: one step closer falls short.
        const int closer = grey.red() + (grey.red() < 128 ? 1 : -1);
        if (grey.red() != 128) {
            EXPECT_LT(ContrastRatio(QColor(closer, closer, closer), background), kReadableContrast);
        }
    }
}
