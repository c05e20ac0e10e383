// Bookmarks find a chosen file again, also after a rename in its folder, and never
// hand back a different file.
#include <gtest/gtest.h>

#include "QtPrinting.h"
#include "TestMedia.h"
#include "Vantrel/queue/Bookmarks.h"

#include <QDir>
#include <QFile>

using namespace vantrel;
using testsupport::makeTestFolder;
using testsupport::writeFile;

TEST(Bookmarks, ResolvesInPlaceAndAfterRenameInTheSameFolder) {
    const QString folder = makeTestFolder(QStringLiteral("bookmarks"));
    const QString path = folder + QStringLiteral("/clip.mov");
    ASSERT_TRUE(writeFile(path, "movie bytes"));
    const auto bookmark = makeBookmark(path);
    ASSERT_TRUE(bookmark);

    auto resolved = resolveBookmark(*bookmark);
    ASSERT_TRUE(resolved);
    EXPECT_EQ(resolved->path, path);
    EXPECT_FALSE(resolved->isStale);

    const QString renamed = folder + QStringLiteral("/clip renamed.mov");
    ASSERT_TRUE(QFile::rename(path, renamed));
    resolved = resolveBookmark(*bookmark);
    ASSERT_TRUE(resolved);
    EXPECT_EQ(resolved->path, renamed);
    EXPECT_TRUE(resolved->isStale);

    // A renewed bookmark made from the new place resolves there without being stale.
    const auto renewed = makeBookmark(resolved->path);
    ASSERT_TRUE(renewed);
    EXPECT_FALSE(resolveBookmark(*renewed)->isStale);

    // Folders work the same way.
    const auto folderBookmark = makeBookmark(folder);
    ASSERT_TRUE(folderBookmark);
    EXPECT_EQ(resolveBookmark(*folderBookmark)->path, folder);
    QDir(folder).removeRecursively();
}

TEST(Bookmarks, MissingItemsAndForeignBytesAreUnresolvable) {
    const QString folder = makeTestFolder(QStringLiteral("bookmarks-missing"));
    const QString path = folder + QStringLiteral("/clip.mov");
    ASSERT_TRUE(writeFile(path, "movie bytes"));
    const auto bookmark = makeBookmark(path);
    ASSERT_TRUE(bookmark);

    // Deleted, and another file of different content appears in the folder: no match.
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(writeFile(folder + QStringLiteral("/other.mov"), "other bytes, longer"));
    EXPECT_FALSE(resolveBookmark(*bookmark));

    EXPECT_FALSE(makeBookmark(folder + QStringLiteral("/never-existed.mov")));
    EXPECT_FALSE(resolveBookmark(QByteArray()));
    EXPECT_FALSE(resolveBookmark(QByteArray("not a bookmark at all")));
    EXPECT_FALSE(resolveBookmark(bookmark->left(bookmark->size() - 3)));  // cut short
    QDir(folder).removeRecursively();
}

TEST(Bookmarks, ReplacedFileAtTheSamePathIsStale) {
    const QString folder = makeTestFolder(QStringLiteral("bookmarks-replaced"));
    const QString path = folder + QStringLiteral("/clip.mov");
    ASSERT_TRUE(writeFile(path, "first"));
    const auto bookmark = makeBookmark(path);
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(writeFile(path, "second version"));
    const auto resolved = resolveBookmark(*bookmark);
    ASSERT_TRUE(resolved);
    EXPECT_EQ(resolved->path, path);
    EXPECT_TRUE(resolved->isStale);
    QDir(folder).removeRecursively();
}
