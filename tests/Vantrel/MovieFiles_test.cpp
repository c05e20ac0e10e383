// Which files a folder scan (and the open panel) take as movies, and how paths
// are standardized before rows are compared.
#include <gtest/gtest.h>

#include "QtPrinting.h"
#include "TestMedia.h"
#include "Vantrel/MovieFiles.h"

#include <QDir>
#include <QFile>
#include <QMimeDatabase>

using namespace vantrel;
using testsupport::makeMovie;
using testsupport::makeTestFolder;
using testsupport::writeFile;

namespace {

class MovieFilesTest : public ::testing::Test {
protected:
    void SetUp() override { folder = makeTestFolder(QStringLiteral("moviefiles")); }
    void TearDown() override {
        if (!HasFailure()) QDir(folder).removeRecursively();
    }
    QString movie(const QString& relative) {
        const QString path = folder + QLatin1Char('/') + relative;
        testsupport::MovieSpec spec;
        spec.seconds = 0.2;
        QString error;
        EXPECT_TRUE(makeMovie(path, spec, &error)) << error.toStdString();
        return path;
    }
    QString folder;
};

}  // namespace

TEST_F(MovieFilesTest, FolderScanTakesMoviesAtEveryDepthInPathOrder) {
    const QString a = movie(QStringLiteral("a.mov"));
    const QString b = movie(QStringLiteral("sub/b.mp4"));
    const QString deep = movie(QStringLiteral("sub/deeper/C.MOV"));
    movie(QStringLiteral(".hidden.mov"));
    movie(QStringLiteral(".hiddenfolder/inside.mov"));
    ASSERT_TRUE(writeFile(folder + QStringLiteral("/notes.txt"), "just text\n"));
    ASSERT_TRUE(writeFile(folder + QStringLiteral("/sub/sound.m4a"), QByteArray()));
    // A movie whose name says nothing is recognised by its content.
    const QString bare = movie(QStringLiteral("sub/clip"));
    ASSERT_TRUE(QFile::link(a, folder + QStringLiteral("/link.mov")));
    ASSERT_TRUE(QFile::link(folder + QStringLiteral("/sub"), folder + QStringLiteral("/linkedfolder")));

    const QStringList found = movieFilesInFolder(folder);
    EXPECT_EQ(found, (QStringList{a, b, bare, deep}));
}

TEST_F(MovieFilesTest, FolderScanOfMissingEmptyOrFileGivesNothing) {
    EXPECT_TRUE(movieFilesInFolder(folder).isEmpty());
    EXPECT_TRUE(movieFilesInFolder(folder + QStringLiteral("/missing")).isEmpty());
    const QString file = movie(QStringLiteral("x.mov"));
    EXPECT_TRUE(movieFilesInFolder(file).isEmpty());
    EXPECT_TRUE(movieFilesInFolder(QString()).isEmpty());
}

TEST_F(MovieFilesTest, FolderScanGivesStandardizedPathsForUntidyFolderPaths) {
    const QString a = movie(QStringLiteral("sub/a.mov"));
    EXPECT_EQ(movieFilesInFolder(folder + QStringLiteral("/sub/./../sub//")), QStringList{a});
}

TEST(MovieTypes, QuickTimeMpeg4AndOtherVideoAreAcceptedAudioAndTextAreNot) {
    QMimeDatabase db;
    const auto accepted = [&](const char* name) { return isAcceptedMovieType(db.mimeTypeForName(QLatin1String(name))); };
    EXPECT_TRUE(accepted("video/quicktime"));
    EXPECT_TRUE(accepted("video/mp4"));
    EXPECT_TRUE(accepted("video/x-m4v"));
    EXPECT_TRUE(accepted("video/x-matroska"));
    EXPECT_FALSE(accepted("audio/mp4"));
    EXPECT_FALSE(accepted("text/plain"));
    EXPECT_FALSE(accepted("application/octet-stream"));
    EXPECT_FALSE(isAcceptedMovieType(QMimeType()));

    const auto& types = acceptedMovieTypes();
    ASSERT_GE(types.size(), 3);
    EXPECT_EQ(types[0].name(), QStringLiteral("video/quicktime"));
    EXPECT_EQ(types[1].name(), QStringLiteral("video/mp4"));
}

TEST(StandardizedFilePath, RemovesDotAndDotDotAndMakesAbsolute) {
    EXPECT_EQ(standardizedFilePath(QStringLiteral("/in/./clips/../a.mov")), QStringLiteral("/in/a.mov"));
    EXPECT_EQ(standardizedFilePath(QStringLiteral("/in//a.mov")), QStringLiteral("/in/a.mov"));
    EXPECT_EQ(standardizedFilePath(QStringLiteral("/in/folder/")), QStringLiteral("/in/folder"));
    EXPECT_EQ(standardizedFilePath(QStringLiteral("a.mov")), QDir::current().absoluteFilePath(QStringLiteral("a.mov")));
    EXPECT_EQ(standardizedFilePath(QStringLiteral("/../a.mov")), QStringLiteral("/a.mov"));
    EXPECT_EQ(standardizedFilePath(QStringLiteral("/..")), QStringLiteral("/"));
    EXPECT_TRUE(standardizedFilePath(QString()).isEmpty());
}
