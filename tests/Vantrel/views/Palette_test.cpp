#include "Vantrel/views/Palette.h"

#include "ViewTestSupport.h"

#include <QWidget>
#include <gtest/gtest.h>

#include <cmath>

using Palette::Role;

namespace {

TEST(Palette, ColoursByAppearance) {
    struct Row {
        Role role;
        QRgb light;
        QRgb dark;
    };
    const Row rows[] = {
        {Role::paneBackground, 0xF4F4F4, 0x1D1D1D}, {Role::barBackground, 0xECECEC, 0x232323},
        {Role::consoleBackground, 0xDCDCDC, 0x151515}, {Role::textPrimary, 0x1E1E1E, 0xE8E8E8},
        {Role::textSecondary, 0x5A5A5A, 0x9F9F9F}, {Role::textTertiary, 0x8A8A8A, 0x6E6E6E},
        {Role::warning, 0x8F5600, 0xFFB23E}, {Role::accent, 0xF0622A, 0xF0622A},
        {Role::success, 0x3FD68A, 0x3FD68A}, {Role::danger, 0xFF6B6B, 0xFF6B6B},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(int(row.role));
        EXPECT_EQ(Palette::color(row.role, false), QColor(row.light));
        EXPECT_EQ(Palette::color(row.role, true), QColor(row.dark));
    }
}

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

}  // namespace
