// Bookmarks find a chosen file again, also after a rename in its folder, and never
// hand back a different file.
#include <gtest/gtest.h>

#include "QtPrinting.h"
#include "TestMedia.h"
#include "Vantrel/queue/Bookmarks.h"

#include <QDir>
#include <QFile>

using namespace vantrel;
using testsupport::writeFile;

namespace {

// A folder of the test's own with a file in it, and a bookmark of that file.
class Bookmarks : public ::testing::Test {
protected:
    void SetUp() override {
        folder = testsupport::makeTestFolder(QStringLiteral("bookmarks"));
        path = folder + QStringLiteral("/clip.mov");
        ASSERT_TRUE(writeFile(path, "movie bytes"));
        bookmark = makeBookmark(path);
        ASSERT_TRUE(bookmark);
    }
    void TearDown() override { QDir(folder).removeRecursively(); }

    QString folder, path;
    std::optional<QByteArray> bookmark;
};

}  // namespace

TEST_F(Bookmarks, ResolvesInPlaceAndAfterRenameInTheSameFolder) {
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
}

TEST_F(Bookmarks, MissingItemsAndForeignBytesAreUnresolvable) {
    // Deleted, and another file of different content appears in the folder: no match.
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(writeFile(folder + QStringLiteral("/other.mov"), "other bytes, longer"));
    EXPECT_FALSE(resolveBookmark(*bookmark));

    EXPECT_FALSE(makeBookmark(folder + QStringLiteral("/never-existed.mov")));
    EXPECT_FALSE(resolveBookmark(QByteArray()));
    EXPECT_FALSE(resolveBookmark(QByteArray("not a bookmark at all")));
    EXPECT_FALSE(resolveBookmark(bookmark->left(bookmark->size() - 3)));  // cut short
}

TEST_F(Bookmarks, ReplacedFileAtTheSamePathIsStale) {
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(writeFile(path, "second version"));
    const auto resolved = resolveBookmark(*bookmark);
    ASSERT_TRUE(resolved);
    EXPECT_EQ(resolved->path, path);
    EXPECT_TRUE(resolved->isStale);
}
