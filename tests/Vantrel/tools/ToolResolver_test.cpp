// Where ffmpeg and ffprobe are found: the Helpers folder first, then the
// installation folders in order, and only ever as executable files.
#include <gtest/gtest.h>

#include "QtPrinting.h"
#include "TestMedia.h"
#include "Vantrel/tools/BundledToolResolver.h"

#include <QDir>
#include <QFile>

using namespace vantrel;
using Tool = BundledToolResolver::Tool;
using testsupport::writeFile;
using testsupport::writeScript;

namespace {

class ToolResolverTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = testsupport::makeTestFolder(QStringLiteral("resolver"));
        helpers = root + QStringLiteral("/Helpers");
        local = root + QStringLiteral("/local");
        system = root + QStringLiteral("/system");
        for (const QString& folder : {helpers, local, system}) QDir().mkpath(folder);
    }
    void TearDown() override {
        if (!HasFailure()) QDir(root).removeRecursively();
    }
    BundledToolResolver resolver() const { return BundledToolResolver({helpers, {local, system}}); }
    static void tool(const QString& path) { ASSERT_TRUE(writeScript(path, "exit 0\n")); }
    static void plainFile(const QString& path) { ASSERT_TRUE(writeFile(path, "not a program\n")); }

    QString root, helpers, local, system;
};

}  // namespace

TEST_F(ToolResolverTest, ExecutableInHelpersWinsOverInstallationFolders) {
    tool(helpers + QStringLiteral("/ffmpeg"));
    tool(local + QStringLiteral("/ffmpeg"));
    tool(system + QStringLiteral("/ffmpeg"));
    EXPECT_EQ(resolver().resolve(Tool::ffmpeg), helpers + QStringLiteral("/ffmpeg"));
    EXPECT_EQ(resolver().systemToolURL(Tool::ffmpeg), local + QStringLiteral("/ffmpeg"));
}

TEST_F(ToolResolverTest, InstallationFoldersAreTriedInOrder) {
    tool(system + QStringLiteral("/ffprobe"));
    EXPECT_EQ(resolver().resolve(Tool::ffprobe), system + QStringLiteral("/ffprobe"));
    tool(local + QStringLiteral("/ffprobe"));
    EXPECT_EQ(resolver().resolve(Tool::ffprobe), local + QStringLiteral("/ffprobe"));
}

TEST_F(ToolResolverTest, NonExecutableFilesAndFoldersAreSkipped) {
    plainFile(helpers + QStringLiteral("/ffmpeg"));
    QDir().mkpath(local + QStringLiteral("/ffmpeg"));
    tool(system + QStringLiteral("/ffmpeg"));
    EXPECT_EQ(resolver().resolve(Tool::ffmpeg), system + QStringLiteral("/ffmpeg"));

    QFile::remove(system + QStringLiteral("/ffmpeg"));
    plainFile(system + QStringLiteral("/ffmpeg"));
    EXPECT_EQ(resolver().resolve(Tool::ffmpeg), std::nullopt);
    EXPECT_FALSE(resolver().isAvailable(Tool::ffmpeg));
}

TEST_F(ToolResolverTest, LinkToAnExecutableCountsAndABrokenLinkDoesNot) {
    tool(root + QStringLiteral("/real-ffmpeg"));
    ASSERT_TRUE(QFile::link(root + QStringLiteral("/real-ffmpeg"), helpers + QStringLiteral("/ffmpeg")));
    ASSERT_TRUE(QFile::link(root + QStringLiteral("/missing"), helpers + QStringLiteral("/ffprobe")));
    EXPECT_TRUE(resolver().isAvailable(Tool::ffmpeg));
    EXPECT_FALSE(resolver().isAvailable(Tool::ffprobe));
}

TEST(ToolResolverDefaults, HelpersBesideTheExecutableThenLocalThenSystem) {
    const auto list = BundledToolResolver::defaultSearchList();
    EXPECT_TRUE(list.helpersFolder.endsWith(QStringLiteral("/Helpers")));
    EXPECT_EQ(list.systemFolders, (QStringList{QStringLiteral("/usr/local/bin"), QStringLiteral("/usr/bin")}));
    // The build machine has Debian's ffmpeg package, which installs both tools.
    const auto ffprobe = BundledToolResolver().resolve(Tool::ffprobe);
    ASSERT_TRUE(ffprobe.has_value());
    EXPECT_TRUE(ffprobe->endsWith(QStringLiteral("/ffprobe")));
}
