// Fonts at pixel sizes, and digits that keep their width.
#include "ShellTestSupport.h"
#include "Vantrel/views/Fonts.h"

using namespace shelltest;

TEST(Fonts, PixelSizesWeightsAndEqualWidthDigits) {
    ensureGuiApplication();
    const QFont caption = fonts::system(11, QFont::Medium);
    EXPECT_EQ(caption.pixelSize(), 11);
    EXPECT_EQ(caption.weight(), QFont::Medium);
    for (const QString& family : {QApplication::font().family(), QStringLiteral("DejaVu Sans")}) {
        QFont start = QApplication::font();
        start.setFamily(family);
        QApplication::setFont(start);
        EXPECT_TRUE(fonts::hasEqualWidthDigits(fonts::digits(13, QFont::DemiBold))) << family.toStdString();
    }
}
