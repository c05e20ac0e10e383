// Output names: the stem from the naming pattern, the free file name in the
// output folder, and the free space and name of the output volume.
#include <gtest/gtest.h>

#include "TestMedia.h"
#include "Vantrel/FrameRate.h"
#include "Vantrel/OutputNamer.h"
#include "Vantrel/TimecodeModel.h"
#include "Vantrel/VolumeInfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

using namespace vantrel;
using namespace testsupport;
using OutputNamer::OutputNamerError;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& value, std::ostream* out) { *out << '"' << value.toStdString() << '"'; }
QT_END_NAMESPACE

namespace {

QString stem(const QString& source, const QString& pattern, const QString& timecodeText = QStringLiteral("10:00:00:00"),
             const FrameRate& rate = FrameRate::fromNominal(25, false),
             const QDateTime& date = QDateTime(QDate(2026, 3, 5), QTime(12, 0))) {
    const auto model = TimecodeModel::fromText(timecodeText, rate);
    EXPECT_TRUE(model) << timecodeText.toStdString();
    return model ? OutputNamer::makeName(source, pattern, model->tc, date) : QString();
}

}  // namespace

TEST(OutputStem, ReplacesTokensInOrder) {
    const QString clip = QStringLiteral("/in/Clip01.MOV");
    EXPECT_EQ(stem(clip, QStringLiteral("{name}_TC")), QStringLiteral("Clip01_TC"));
    EXPECT_EQ(stem(clip, QStringLiteral("{name}_{tc}"), QStringLiteral("01:02:03;04"), FrameRate::fromNominal(30, true)),
              QStringLiteral("Clip01_01-02-03-04"));
    EXPECT_EQ(stem(clip, QStringLiteral("{date}_{name}")), QStringLiteral("2026-03-05_Clip01"));
    EXPECT_EQ(stem(clip, QStringLiteral("{name}{name}-{Name}-{TC}")), QStringLiteral("Clip01Clip01-{Name}-{TC}"));
    EXPECT_EQ(stem(QStringLiteral("/in/a.b.mov"), QStringLiteral("{name}")), QStringLiteral("a.b"));
    EXPECT_EQ(stem(QStringLiteral("/in/.hidden"), QStringLiteral("{name}")), QStringLiteral(".hidden"));
    EXPECT_EQ(stem(QStringLiteral("/in/noext"), QStringLiteral("{name}")), QStringLiteral("noext"));
    // A token inside the file name is replaced by the later steps.
    EXPECT_EQ(stem(QStringLiteral("/in/x{tc}.mov"), QStringLiteral("{name}")), QStringLiteral("x10-00-00-00"));
}

TEST(OutputStem, DropsOneTrailingMovExtension) {
    const QString clip = QStringLiteral("/in/Clip01.MOV");
    EXPECT_EQ(stem(clip, QStringLiteral("{name}.mov")), QStringLiteral("Clip01"));
    EXPECT_EQ(stem(clip, QStringLiteral("{name}.Mov")), QStringLiteral("Clip01"));
    EXPECT_EQ(stem(clip, QStringLiteral("{name}.MOV.mov")), QStringLiteral("Clip01.MOV"));
    EXPECT_EQ(stem(clip, QStringLiteral(".mov")), QString());
    EXPECT_EQ(stem(clip, QStringLiteral("plain")), QStringLiteral("plain"));
}

TEST(OutputStem, NeverNamesAnotherFolder) {
    const QString clip = QStringLiteral("/in/Clip01.MOV");
    EXPECT_EQ(stem(clip, QStringLiteral("../{name}/x")), QStringLiteral("..-Clip01-x"));
    EXPECT_EQ(stem(clip, QStringLiteral("a") + QChar(0) + QStringLiteral("b")), QStringLiteral("a-b"));
    EXPECT_EQ(stem(clip, QStringLiteral("{date}/{name}")), QStringLiteral("2026-03-05-Clip01"));
}

TEST(OutputStem, DateUsesWesternDigitsWhateverTheLocale) {
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt));
    EXPECT_EQ(stem(QStringLiteral("/in/c.mov"), QStringLiteral("{date}")), QStringLiteral("2026-03-05"));
    QLocale::setDefault(previous);
}

namespace {

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

    std::variant<QString, OutputNamerError> freeName(const QString& stem, const QString& in = {}) const {
        return OutputNamer::freeOutputPath(in.isEmpty() ? out : in, stem, source);
    }
    QString path(const QString& stem, const QString& in = {}) const {
        const auto result = freeName(stem, in);
        if (const auto* error = std::get_if<OutputNamerError>(&result)) {
            ADD_FAILURE() << "refused: " << OutputNamer::errorDescription(*error).toStdString();
            return {};
        }
        return std::get<QString>(result);
    }

    QString folder, source, out;
};

}  // namespace

TEST_F(FreeNames, NumbersPastEverythingInTheWay) {
    EXPECT_EQ(path(QStringLiteral("clip_TC")), out + QStringLiteral("/clip_TC.mov"));
    ASSERT_TRUE(writeFile(out + QStringLiteral("/clip_TC.mov"), "x"));
    EXPECT_EQ(path(QStringLiteral("clip_TC")), out + QStringLiteral("/clip_TC-2.mov"));
    // A folder and a dangling link are in the way as much as a file.
    ASSERT_TRUE(QDir().mkpath(out + QStringLiteral("/clip_TC-2.mov")));
    ASSERT_TRUE(QFile::link(folder + QStringLiteral("/nowhere"), out + QStringLiteral("/clip_TC-3.mov")));
    EXPECT_EQ(path(QStringLiteral("clip_TC")), out + QStringLiteral("/clip_TC-4.mov"));
    // Only ".mov" names count: other extensions are no collision.
    ASSERT_TRUE(writeFile(out + QStringLiteral("/other.MOV.txt"), "x"));
    EXPECT_EQ(path(QStringLiteral("other.MOV")), out + QStringLiteral("/other.MOV.mov"));
}

TEST_F(FreeNames, NeverTheSource) {
    const QString in = folder + QStringLiteral("/in");
    const auto same = freeName(QStringLiteral("clip"), in);
    ASSERT_TRUE(std::holds_alternative<OutputNamerError>(same));
    EXPECT_EQ(std::get<OutputNamerError>(same), OutputNamerError::sameAsSource);
    // The same folder spelled another way is still the same folder.
    EXPECT_EQ(std::get<OutputNamerError>(freeName(QStringLiteral("clip"), in + QStringLiteral("/../in/./"))),
              OutputNamerError::sameAsSource);

    // A numbered candidate that is the source is passed over.
    const QString numbered = in + QStringLiteral("/take-2.mov");
    ASSERT_TRUE(writeFile(in + QStringLiteral("/take.mov"), "x"));
    EXPECT_EQ(std::get<QString>(OutputNamer::freeOutputPath(in, QStringLiteral("take"), numbered)),
              in + QStringLiteral("/take-3.mov"));
}

TEST_F(FreeNames, RefusesStemsThatLeaveTheFolder) {
    for (const QString& stem : {QString(), QStringLiteral("."), QStringLiteral(".."), QStringLiteral("../x"),
                                QStringLiteral("a/b"), QStringLiteral("nul") + QChar(0)}) {
        const auto result = freeName(stem);
        ASSERT_TRUE(std::holds_alternative<OutputNamerError>(result)) << stem.toStdString();
        EXPECT_EQ(std::get<OutputNamerError>(result), OutputNamerError::invalidName);
    }
    // Names that merely look odd stay inside the folder.
    for (const QString& stem : {QStringLiteral("..."), QStringLiteral("-rf"), QStringLiteral(".hidden"),
                                QStringLiteral("new\nline"), QStringLiteral("quo\"te")}) {
        const QString result = path(stem);
        EXPECT_EQ(QFileInfo(result).absolutePath(), out) << stem.toStdString();
        EXPECT_EQ(QFileInfo(result).fileName(), stem + QStringLiteral(".mov"));
    }
    EXPECT_NE(OutputNamer::errorDescription(OutputNamerError::sameAsSource),
              OutputNamer::errorDescription(OutputNamerError::invalidName));
}

TEST(Volumes, FreeSpaceAndName) {
    const QString folder = makeTestFolder(QStringLiteral("volumes"));
    const auto capacity = volumeAvailableCapacity(folder);
    ASSERT_TRUE(capacity);
    EXPECT_GT(*capacity, 0);
    EXPECT_TRUE(volumeName(folder).has_value());
    EXPECT_FALSE(volumeAvailableCapacity(folder + QStringLiteral("/missing/deeper")));
    EXPECT_FALSE(volumeName(folder + QStringLiteral("/missing/deeper")));
    EXPECT_FALSE(volumeAvailableCapacity(QString()));
    QDir(folder).removeRecursively();
}

TEST(Volumes, UserSpaceOfZeroFallsBackToFreeSpace) {
    EXPECT_EQ(chooseAvailableCapacity(0, 500), 500);
    EXPECT_EQ(chooseAvailableCapacity(std::nullopt, 500), 500);
    EXPECT_EQ(chooseAvailableCapacity(300, 500), 300);
    EXPECT_EQ(chooseAvailableCapacity(0, std::nullopt), std::nullopt);
}
