// The generated media the other tests stand on: if these fail, so does everything downstream.
#include <gtest/gtest.h>

#include "TestMedia.h"

#include <QDir>

using namespace testsupport;

TEST(TestMedia, WritesMovieWithTimecodeAndCreationDate) {
    const QString folder = makeTestFolder(QStringLiteral("testmedia"));
    const QString path = folder + QStringLiteral("/clip with space.mov");
    MovieSpec recipe;
    recipe.rate = QStringLiteral("30000/1001");
    recipe.timecode = QStringLiteral("10:20:30;15");
    recipe.creationDate = QStringLiteral("2024-03-05T14:22:33+0200");
    recipe.audio = true;
    QString error;
    ASSERT_TRUE(makeMovie(path, recipe, &error)) << error.toStdString();
    EXPECT_EQ(probeTimecode(path), QStringLiteral("10:20:30;15"));
    EXPECT_EQ(sha256OfFile(path).size(), 64);
    QDir(folder).removeRecursively();
}

TEST(TestMedia, MissingFileHasNoHashAndNoTimecode) {
    EXPECT_TRUE(sha256OfFile(QStringLiteral("/nonexistent/file.mov")).isEmpty());
    EXPECT_TRUE(probeTimecode(QStringLiteral("/nonexistent/file.mov")).isEmpty());
}
