// Which files a folder scan (and the open panel) take as movies, and how paths
// are standardized before rows are compared.
#include <gtest/gtest.h>

#include "QtPrinting.h"
#include "TestMedia.h"
#include "Vantrel/media/MovieFiles.h"

#include <QDir>
#include <QFile>
#include <QMimeDatabase>

using namespace vantrel;
using testsupport::writeFile;

TEST(MovieFiles, FolderScanTakesMoviesAtEveryDepthInPathOrder) {
    const QString folder = testsupport::makeTestFolder(QStringLiteral("moviefiles"));
    const auto movie = [&](const char* relative) {
        const QString path = folder + QLatin1Char('/') + QLatin1String(relative);
        testsupport::MovieRecipe recipe;
        recipe.seconds = 0.2;
        EXPECT_TRUE(testsupport::makeMovie(path, recipe));
        return path;
    };
    EXPECT_TRUE(movieFilesInFolder(folder).isEmpty());
    const QString a = movie("a.mov");
    const QString b = movie("sub/b.mp4");
    const QString deep = movie("sub/deeper/C.MOV");
    const QString bare = movie("sub/clip");  // no extension: known by its content
    movie(".hidden.mov");
    movie(".hiddenfolder/inside.mov");
    ASSERT_TRUE(writeFile(folder + QStringLiteral("/notes.txt"), "just text\n"));
    ASSERT_TRUE(writeFile(folder + QStringLiteral("/sub/sound.m4a"), QByteArray()));
    ASSERT_TRUE(QFile::link(a, folder + QStringLiteral("/link.mov")));
    ASSERT_TRUE(QFile::link(folder + QStringLiteral("/sub"), folder + QStringLiteral("/linkedfolder")));

    EXPECT_EQ(movieFilesInFolder(folder), (QStringList{a, b, bare, deep}));
    EXPECT_EQ(movieFilesInFolder(folder + QStringLiteral("/sub/./deeper/../deeper//")), QStringList{deep});
    EXPECT_TRUE(movieFilesInFolder(folder + QStringLiteral("/missing")).isEmpty());
    EXPECT_TRUE(movieFilesInFolder(a).isEmpty());
    EXPECT_TRUE(movieFilesInFolder(QString()).isEmpty());
    if (!::testing::Test::HasFailure()) QDir(folder).removeRecursively();
}

TEST(MovieFiles, QuickTimeMpeg4AndOtherVideoAreAcceptedAudioAndTextAreNot) {
    QMimeDatabase db;
    for (const char* name : {"video/quicktime", "video/mp4", "video/x-m4v", "video/x-matroska"}) {
        EXPECT_TRUE(isAcceptedMovieType(db.mimeTypeForName(QLatin1String(name)))) << name;
    }
    for (const char* name : {"audio/mp4", "text/plain", "application/octet-stream"}) {
        EXPECT_FALSE(isAcceptedMovieType(db.mimeTypeForName(QLatin1String(name)))) << name;
    }
    EXPECT_FALSE(isAcceptedMovieType(QMimeType()));
    ASSERT_GE(acceptedMovieTypes().size(), 3);
    EXPECT_EQ(acceptedMovieTypes()[0].name(), QStringLiteral("video/quicktime"));
    EXPECT_EQ(acceptedMovieTypes()[1].name(), QStringLiteral("video/mp4"));
}

TEST(MovieFiles, StandardizedPathsHaveNoDotDotDotOrDoubledSeparators) {
    EXPECT_EQ(standardizedFilePath(QStringLiteral("/in/./clips/../a.mov")), QStringLiteral("/in/a.mov"));
    EXPECT_EQ(standardizedFilePath(QStringLiteral("/in//folder/")), QStringLiteral("/in/folder"));
    EXPECT_EQ(standardizedFilePath(QStringLiteral("/../a.mov")), QStringLiteral("/a.mov"));
    EXPECT_EQ(standardizedFilePath(QStringLiteral("/..")), QStringLiteral("/"));
    EXPECT_EQ(standardizedFilePath(QStringLiteral("a.mov")), QDir::current().absoluteFilePath(QStringLiteral("a.mov")));
    EXPECT_TRUE(standardizedFilePath(QString()).isEmpty());
}
