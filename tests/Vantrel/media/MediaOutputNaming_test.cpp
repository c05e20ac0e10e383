// Output names: the stem from the naming pattern, the free file name in the
// output folder, and the free space and name of the output volume.
#include <gtest/gtest.h>

#include "QtPrinting.h"
#include "TestMedia.h"
#include "Vantrel/media/OutputNamer.h"
#include "Vantrel/media/TimecodeModel.h"
#include "Vantrel/queue/VolumeInfo.h"

#include <QDir>
#include <QSet>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

using namespace vantrel;
using namespace testsupport;
using OutputNamer::OutputNamerError;

namespace {

QString stem(const QString& source, const QString& pattern, const QString& timecodeText = QStringLiteral("10:00:00:00"),
             const FrameRate& rate = FrameRate::fromNominal(25, false)) {
    const auto model = TimecodeModel::fromText(timecodeText, rate);
    return OutputNamer::makeName(source, pattern, model.value().tc, QDateTime(QDate(2026, 3, 5), QTime(12, 0)));
}

}  // namespace

TEST(OutputStem, ReplacesTokensInOrderAndDropsOneMovExtension) {
    const QString clip = QStringLiteral("/in/Clip01.MOV");
    EXPECT_EQ(stem(clip, QStringLiteral("{name}_TC")), QStringLiteral("Clip01_TC"));
    EXPECT_EQ(stem(clip, QStringLiteral("{name}_{tc}"), QStringLiteral("01:02:03;04"), FrameRate::fromNominal(30, true)),
              QStringLiteral("Clip01_01-02-03-04"));
    EXPECT_EQ(stem(clip, QStringLiteral("{name}{name}-{Name}-{TC}")), QStringLiteral("Clip01Clip01-{Name}-{TC}"));
    EXPECT_EQ(stem(QStringLiteral("/in/a.b.mov"), QStringLiteral("{name}")), QStringLiteral("a.b"));
    EXPECT_EQ(stem(QStringLiteral("/in/.hidden"), QStringLiteral("{name}")), QStringLiteral(".hidden"));
    // A token inside the file name is replaced by the later steps.
    EXPECT_EQ(stem(QStringLiteral("/in/x{tc}.mov"), QStringLiteral("{name}")), QStringLiteral("x10-00-00-00"));
    EXPECT_EQ(stem(clip, QStringLiteral("{name}.Mov")), QStringLiteral("Clip01"));
    EXPECT_EQ(stem(clip, QStringLiteral("{name}.MOV.mov")), QStringLiteral("Clip01.MOV"));
    EXPECT_EQ(stem(clip, QStringLiteral(".mov")), QString());
    // Western digits and the gregorian calendar whatever the locale.
    const testsupport::DefaultLocale arabic(QLocale(QLocale::Arabic, QLocale::Egypt));
    EXPECT_EQ(stem(clip, QStringLiteral("{date}_{name}")), QStringLiteral("2026-03-05_Clip01"));
}

TEST(OutputStem, NeverNamesAnotherFolder) {
    const QString clip = QStringLiteral("/in/Clip01.MOV");
    EXPECT_EQ(stem(clip, QStringLiteral("../{name}/x")), QStringLiteral("..-Clip01-x"));
    EXPECT_EQ(stem(clip, QStringLiteral("{date}/{name}")), QStringLiteral("2026-03-05-Clip01"));
    EXPECT_EQ(stem(clip, QStringLiteral("a") + QChar(0) + QStringLiteral("b")), QStringLiteral("a-b"));
}

class FreeNames : public ::testing::Test {
protected:
    void SetUp() override {
        folder = makeTestFolder(QStringLiteral("free-names"));
        source = folder + QStringLiteral("/in/clip.mov");
        ASSERT_TRUE(writeFile(source, "movie"));
        out = folder + QStringLiteral("/out");
        ASSERT_TRUE(QDir().mkpath(out));
    }
    void TearDown() override {
        if (!HasFailure()) QDir(folder).removeRecursively();
    }
    // The free path, or the error's description.
    QString freeName(const QString& stem, const QString& in = {}, const QString& from = {}) const {
        const auto result = OutputNamer::freeOutputPath(in.isEmpty() ? out : in, stem, from.isEmpty() ? source : from);
        const auto* error = std::get_if<OutputNamerError>(&result);
        return error ? OutputNamer::errorDescription(*error) : std::get<QString>(result);
    }

    QString folder, source, out;
};

TEST_F(FreeNames, NumbersPastEverythingInTheWay) {
    EXPECT_EQ(freeName(QStringLiteral("clip_TC")), out + QStringLiteral("/clip_TC.mov"));
    ASSERT_TRUE(writeFile(out + QStringLiteral("/clip_TC.mov"), "x"));
    EXPECT_EQ(freeName(QStringLiteral("clip_TC")), out + QStringLiteral("/clip_TC-2.mov"));
    // A folder and a dangling link are in the way as much as a file.
    ASSERT_TRUE(QDir().mkpath(out + QStringLiteral("/clip_TC-2.mov")));
    ASSERT_TRUE(QFile::link(folder + QStringLiteral("/nowhere"), out + QStringLiteral("/clip_TC-3.mov")));
    EXPECT_EQ(freeName(QStringLiteral("clip_TC")), out + QStringLiteral("/clip_TC-4.mov"));
}

TEST_F(FreeNames, NeverTheSourceNorOutsideTheFolder) {
    const QString in = folder + QStringLiteral("/in");
    const QString same = OutputNamer::errorDescription(OutputNamerError::sameAsSource);
    const QString invalid = OutputNamer::errorDescription(OutputNamerError::invalidName);
    EXPECT_NE(same, invalid);
    EXPECT_EQ(freeName(QStringLiteral("clip"), in), same);
    EXPECT_EQ(freeName(QStringLiteral("clip"), in + QStringLiteral("/../in/./")), same);
    // A numbered candidate that is the source is passed over.
    ASSERT_TRUE(writeFile(in + QStringLiteral("/take.mov"), "x"));
    EXPECT_EQ(freeName(QStringLiteral("take"), in, in + QStringLiteral("/take-2.mov")), in + QStringLiteral("/take-3.mov"));

    for (const QString& stem : {QString(), QStringLiteral("."), QStringLiteral(".."), QStringLiteral("../x"),
                                QStringLiteral("a/b"), QStringLiteral("nul") + QChar(0)})
        EXPECT_EQ(freeName(stem), invalid) << stem.toStdString();
    for (const QString& stem : {QStringLiteral("..."), QStringLiteral("-rf"), QStringLiteral("new\nline")})
        EXPECT_EQ(freeName(stem), out + u'/' + stem + QStringLiteral(".mov"));
}

TEST_F(FreeNames, PassesOverNamesPromisedToOtherJobs) {
    // Outputs of queued jobs do not exist yet; the caller names them.
    const QSet<QString> promised{out + QStringLiteral("/clip_TC.mov"), out + QStringLiteral("/clip_TC-3.mov")};
    ASSERT_TRUE(writeFile(out + QStringLiteral("/clip_TC-2.mov"), "x"));
    const auto isPromised = [&](const QString& candidate) { return promised.contains(candidate); };
    EXPECT_EQ(std::get<QString>(OutputNamer::freeOutputPath(out, QStringLiteral("clip_TC"), source, isPromised)),
              out + QStringLiteral("/clip_TC-4.mov"));
    // Still never the source, promised or not.
    const QString in = folder + QStringLiteral("/in");
    EXPECT_EQ(std::get<OutputNamerError>(OutputNamer::freeOutputPath(in, QStringLiteral("clip"), source, isPromised)),
              OutputNamerError::sameAsSource);
}

TEST(Volumes, FreeSpaceAndName) {
    const QString folder = makeTestFolder(QStringLiteral("volumes"));
    EXPECT_GT(volumeAvailableCapacity(folder).value_or(0), 0);
    EXPECT_TRUE(volumeName(folder));
    EXPECT_FALSE(volumeAvailableCapacity(folder + QStringLiteral("/missing/deeper")));
    EXPECT_FALSE(volumeName(folder + QStringLiteral("/missing/deeper")));
    QDir(folder).removeRecursively();
    // Space for the user reported as 0 falls back to the plain free space.
    EXPECT_EQ(chooseAvailableCapacity(0, 500), 500);
    EXPECT_EQ(chooseAvailableCapacity(std::nullopt, 500), 500);
    EXPECT_EQ(chooseAvailableCapacity(300, 500), 300);
}
