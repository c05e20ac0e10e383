#include <gtest/gtest.h>

#include "HelpMenu/BundleImageProvider.h"

#include <QDir>
#include <QTemporaryDir>

using namespace helpmenu;

namespace {

QImage square(int size, QColor color) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

}  // namespace

TEST(BundleImage, LookupOrder) {
    QTemporaryDir dir;
    const QString help = dir.path() + "/help";
    QDir().mkpath(help + "/images");
    square(4, Qt::red).save(help + "/trim.png");
    square(6, Qt::green).save(dir.path() + "/outside.png");
    square(6, Qt::green).save(help + "/https.png");
    const BundleImageLookup lookup(QUrl::fromLocalFile(help), [](const QString& name) {
        return name == "logo" ? square(8, Qt::blue) : QImage();
    });
    const auto width = [&](const std::optional<QUrl>& url) { return lookup.find(url).width(); };

    EXPECT_EQ(width(std::nullopt), 0);
    EXPECT_EQ(width(QUrl("images/trim.png")), 4);        // by file name inside the folder
    EXPECT_EQ(width(QUrl("logo.svg")), 8);               // else the named image
    EXPECT_EQ(width(QUrl("missing.png")), 0);
    EXPECT_EQ(width(QUrl("https://example.invalid/https.png")), 0);  // never looked up here
    EXPECT_EQ(width(QUrl("http://example.invalid/trim.png")), 0);
    EXPECT_EQ(width(QUrl::fromLocalFile(help + "/trim.png")), 4);
    // A file outside the folder is not read, but its name may still be found inside.
    EXPECT_EQ(width(QUrl::fromLocalFile(dir.path() + "/outside.png")), 0);
    EXPECT_EQ(width(QUrl::fromLocalFile(dir.path() + "/elsewhere/trim.png")), 4);
    EXPECT_EQ(width(QUrl("")), 0);
    EXPECT_EQ(BundleImageLookup(std::nullopt).find(QUrl("trim.png")).width(), 0);
}
