// The free-space preflight and the byte counts its message shows.
#include <gtest/gtest.h>

#include "QtPrinting.h"
#include "Vantrel/queue/Preflight.h"

#include <QLocale>

using namespace vantrel;

class Preflight : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
};

TEST_F(Preflight, NeedsTheSourceSizePlusATenth) {
    EXPECT_FALSE(freeSpaceProblem(1000, 1100, QStringLiteral("Disk")));
    const auto problem = freeSpaceProblem(1000, 1099, QStringLiteral("Media"));
    ASSERT_TRUE(problem);
    EXPECT_EQ(*problem, QStringLiteral("Not enough space on Media: 1 KB free, ~1 KB required."));
    // An unreadable source size needs nothing; unknown free space always passes.
    EXPECT_FALSE(freeSpaceProblem(0, 0, std::nullopt));
    EXPECT_FALSE(freeSpaceProblem(5'000'000'000, std::nullopt, std::nullopt));
}

TEST_F(Preflight, VolumeWithoutANameIsTheOutputVolume) {
    const auto problem = freeSpaceProblem(2'000'000'000, 1'500'000'000, std::nullopt);
    ASSERT_TRUE(problem);
    EXPECT_EQ(*problem, QStringLiteral("Not enough space on the output volume: 1.5 GB free, ~2.2 GB required."));
}

TEST_F(Preflight, ByteCountsReadLikeTheFileManager) {
    EXPECT_EQ(formatFileByteCount(0), QStringLiteral("Zero KB"));
    EXPECT_EQ(formatFileByteCount(1), QStringLiteral("1 byte"));
    EXPECT_EQ(formatFileByteCount(1500), QStringLiteral("2 KB"));
    EXPECT_EQ(formatFileByteCount(999'950), QStringLiteral("1 MB"));  // rounds up into the next unit
    EXPECT_EQ(formatFileByteCount(1'100'000), QStringLiteral("1.1 MB"));
    EXPECT_EQ(formatFileByteCount(1'234'567'890), QStringLiteral("1.23 GB"));
    EXPECT_EQ(formatFileByteCount(1'234'000'000'000'000), QStringLiteral("1.23 PB"));
}
