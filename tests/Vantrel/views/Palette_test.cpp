// The palette's tints, the installed application palette, and digits of equal width.
#include "Vantrel/views/Palette.h"

#include "ShellTestSupport.h"
#include "ViewTestSupport.h"
#include "Vantrel/views/Fonts.h"

#include <QWidget>
#include <gtest/gtest.h>

#include <cmath>

using namespace vantrel;
using Palette::Role;

namespace {

TEST(Palette, TintMakers) {
    struct Row {
        QColor made;
        QColor base;
        double alpha;
    };
    const Row rows[] = {
        {Palette::shadow(0.35, false), Qt::black, 0.1575},   {Palette::shadow(0.35, true), Qt::black, 0.35},
        {Palette::overlay(0.12, false), Qt::black, 0.12},    {Palette::overlay(0.12, true), Qt::white, 0.12},
        {Palette::overlay(0, false), Qt::black, 0},          {Palette::overlay(0, true), Qt::white, 0},
        {Palette::color(Role::hairline, false), Qt::black, 0.07}, {Palette::color(Role::barDivider, true), Qt::white, 0.12},
        // Out-of-range and non-finite opacities never make a colour Qt rejects.
        {Palette::overlay(1.5, true), Qt::white, 1},         {Palette::shadow(NAN, false), Qt::black, 0},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.made.rgb(), row.base.rgb());
        EXPECT_NEAR(row.made.alphaF(), row.alpha, 1.0 / 255);
    }
}

TEST(Palette, WidgetsFollowTheInstalledPalette) {
    viewtest::app();
    QWidget widget;
    for (bool dark : {false, true}) {
        viewtest::setAppearance(dark);
        EXPECT_EQ(Palette::isDark(&widget), dark);
        EXPECT_EQ(Palette::isDark(nullptr), dark);
        EXPECT_EQ(QApplication::palette().color(QPalette::Highlight), Palette::color(Role::accent, dark));
        EXPECT_EQ(QApplication::palette().color(QPalette::Window), Palette::color(Role::paneBackground, dark));
    }
}

// Counters and times keep their width as digits change, whatever the start font.
TEST(Fonts, DigitsKeepAnEqualWidth) {
    shelltest::ensureGuiApplication();
    for (const QString& family : {QApplication::font().family(), QStringLiteral("DejaVu Sans")}) {
        QFont start = QApplication::font();
        start.setFamily(family);
        QApplication::setFont(start);
        EXPECT_TRUE(vantrel::fonts::hasEqualWidthDigits(vantrel::fonts::digits(13, QFont::DemiBold))) << family.toStdString();
    }
}

}  // namespace
