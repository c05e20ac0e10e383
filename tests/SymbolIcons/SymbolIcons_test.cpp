#include "SymbolIcons/SymbolIcons.h"

#include <QGuiApplication>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QGuiApplication* app() { return qGuiApp; }

const QStringList kNames = {
    "film", "folder", "questionmark.circle", "checkmark", "minus", "plus", "xmark",
    "exclamationmark.triangle.fill", "exclamationmark.circle.fill", "tray.and.arrow.down", "tray.full", "clock",
    "gearshape.2", "arrow.triangle.2.circlepath", "checkmark.circle.fill", "stop.circle.fill", "xmark.circle.fill",
    "checkmark.seal.fill", "xmark.seal.fill", "xmark.octagon.fill", "arrow.clockwise", "checkmark.shield",
    "magnifyingglass", "apple.terminal", "externaldrive.badge.exclamationmark", "sidebar.left", "ant", "lightbulb",
    "exclamationmark.triangle"};

struct Coverage {
    int inked = 0;
    bool allTinted = true;
};

Coverage coverage(const QImage& img, const QColor& tint) {
    Coverage c;
    const QImage plain = img.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x) {
            const QColor px = plain.pixelColor(x, y);
            if (px.alpha() == 0) continue;
            ++c.inked;
            // Edges are partly transparent; their colour stays the tint.
            if (px.alpha() > 64 && (std::abs(px.red() - tint.red()) > 8 || std::abs(px.green() - tint.green()) > 8 ||
                                    std::abs(px.blue() - tint.blue()) > 8))
                c.allTinted = false;
        }
    return c;
}

TEST(SymbolIcons, EverySymbolDrawsInItsTint) {
    app();
    const QColor tint(240, 98, 42);
    for (const QString& name : kNames) {
        SCOPED_TRACE(name.toStdString());
        ASSERT_TRUE(SymbolIcons::has(name));
        const Coverage c = coverage(SymbolIcons::image(name, tint, 48), tint);
        EXPECT_GT(c.inked, 48 * 48 / 20);
        EXPECT_LT(c.inked, 48 * 48);
        EXPECT_TRUE(c.allTinted);
    }
}

TEST(SymbolIcons, WeightThickensStrokes) {
    app();
    const int light = coverage(SymbolIcons::image("plus", Qt::black, 48, SymbolIcons::light), Qt::black).inked;
    const int bold = coverage(SymbolIcons::image("plus", Qt::black, 48, SymbolIcons::bold), Qt::black).inked;
    EXPECT_GT(bold, light * 3 / 2);
}

TEST(SymbolIcons, FilledSymbolsKnockOutTheirMark) {
    app();
    // The centre of the stop mark is cut out of the disc; the rim is solid.
    const QImage img = SymbolIcons::image("stop.circle.fill", Qt::black, 48);
    EXPECT_EQ(qAlpha(img.pixel(24, 24)), 0);
    EXPECT_EQ(qAlpha(img.pixel(24, 6)), 255);
}

TEST(SymbolIcons, UnknownNamesDrawNothing) {
    app();
    EXPECT_FALSE(SymbolIcons::has("no.such.symbol"));
    EXPECT_TRUE(SymbolIcons::image("no.such.symbol", Qt::black, 16).isNull());
    EXPECT_TRUE(SymbolIcons::icon("no.such.symbol", Qt::black).isNull());
    QImage canvas(16, 16, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter p(&canvas);
    SymbolIcons::paint(&p, canvas.rect(), "no.such.symbol", Qt::black);
    p.end();
    EXPECT_EQ(coverage(canvas, Qt::black).inked, 0);
}

TEST(SymbolIcons, ModulesAddTheirOwnSymbols) {
    app();
    QTemporaryDir dir;
    const QString path = dir.filePath("dot.svg");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 24 24"><circle cx="12" cy="12" r="6"/></svg>)");
    file.close();
    SymbolIcons::addSymbol("test.dot", path);
    ASSERT_TRUE(SymbolIcons::has("test.dot"));
    const QIcon icon = SymbolIcons::icon("test.dot", Qt::red, 16);
    const QImage img = icon.pixmap(16, 16).toImage();
    EXPECT_EQ(img.pixelColor(8, 8), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(0, 0).alpha(), 0);
}

}  // namespace
