// One source row: its effective rate, its start timecode in either fix mode, the
// mismatch of the embedded timecode against the creation time of day, and the
// sentence that says why it is not ready.
#include <gtest/gtest.h>

#include "Vantrel/SourceItem.h"

using namespace vantrel;
using timecode::Timecode;
using Source = VideoMetadataReader::Source;

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& value, std::ostream* out) { *out << '"' << value.toStdString() << '"'; }
QT_END_NAMESPACE

namespace {

const FrameRate fps25 = FrameRate::fromNominal(25, false);
const FrameRate df2997 = FrameRate::fromNominal(30, true);
const FrameRate unmappable{23, 1, 23, false};

QDateTime utc(int h, int m, int s, int ms = 0) {
    return QDateTime(QDate(2024, 5, 1), QTime(h, m, s, ms), QTimeZone::utc());
}

SourceItem::Analysis analysis(std::optional<FrameRate> rate, std::optional<QDateTime> date,
                              std::optional<QString> embedded = std::nullopt) {
    SourceItem::Analysis a;
    a.detectedRate = rate;
    a.creationDate = date;
    a.creationZone = date ? std::optional(QTimeZone::utc()) : std::nullopt;
    a.creationSource = date ? Source::quickTimeAtom : Source::none;
    if (embedded && rate) a.embeddedTimecode = TimecodeModel::fromText(*embedded, *rate);
    return a;
}

SourceItem row(SourceItem::AnalysisState state, FixMode mode = FixMode::creationTime) {
    SourceItem item = SourceItem::make(QUrl::fromLocalFile(QStringLiteral("/in/clip.mov")), mode);
    item.analysis = std::move(state);
    return item;
}

std::string start(const SourceItem& item) {
    const auto model = item.resolvedStartTimecode();
    return model ? model->tc.stringValue() : std::string("none");
}

QString reason(const SourceItem& item) { return item.blockingReason().value_or(QStringLiteral("none")); }

double delta(const SourceItem& item) { return item.timeOfDayMismatch(1.0).value().delta; }

}  // namespace

TEST(SourceItem, NewRows) {
    const SourceItem a = row(SourceItem::AnalysisState::pending());
    EXPECT_FALSE(a.id.isNull());
    EXPECT_NE(a.id, row(SourceItem::AnalysisState::pending()).id);
    EXPECT_TRUE(a.included);
    EXPECT_FALSE(a.manualComponents);
    EXPECT_FALSE(a.rateOverride);
    EXPECT_EQ(a.fixMode, FixMode::creationTime);
    EXPECT_EQ(SourceItem::make(QUrl(), FixMode::manual).fixMode, FixMode::manual);
    // Pending: not ready and nothing to say yet.
    EXPECT_FALSE(a.resolvedStartTimecode());
    EXPECT_FALSE(a.blockingReason());
    EXPECT_FALSE(a.creationTimecode());
    EXPECT_FALSE(a.timeOfDayMismatch(1.0));
}

TEST(SourceItem, EffectiveRate) {
    SourceItem item = row(SourceItem::AnalysisState::analyzing());
    EXPECT_FALSE(item.effectiveRate());
    item.analysis = SourceItem::AnalysisState::done(analysis(fps25, utc(10, 0, 0)));
    EXPECT_EQ(item.effectiveRate(), fps25);
    item.rateOverride = df2997;
    EXPECT_EQ(item.effectiveRate(), df2997);
    item.analysis = SourceItem::AnalysisState::failed(QStringLiteral("unreadable"));
    EXPECT_EQ(item.effectiveRate(), df2997);  // the override applies whatever the analysis
}

TEST(SourceItem, CreationModeStartTimecode) {
    SourceItem item = row(SourceItem::AnalysisState::done(analysis(fps25, utc(10, 0, 0, 999))));
    EXPECT_EQ(start(item), "10:00:00:24");
    EXPECT_EQ(item.creationTimecode(), item.resolvedStartTimecode());
    item.rateOverride = df2997;
    EXPECT_EQ(start(item), "10:00:00;29");

    // The recorded zone moves the time of day; without one the system zone applies.
    auto zoned = analysis(fps25, utc(10, 0, 0));
    zoned.creationZone = QTimeZone(2 * 3600);
    item = row(SourceItem::AnalysisState::done(zoned));
    EXPECT_EQ(start(item), "12:00:00:00");
    zoned.creationZone.reset();
    item.analysis = SourceItem::AnalysisState::done(zoned);
    EXPECT_EQ(item.resolvedStartTimecode(),
              timeOfDayTimecode(utc(10, 0, 0), QTimeZone::systemTimeZone(), fps25));
}

TEST(SourceItem, ManualModeStartTimecode) {
    SourceItem item = row(SourceItem::AnalysisState::pending(), FixMode::manual);
    item.rateOverride = fps25;
    item.manualComponents = Timecode::Components{2, 1, 2, 3, 4, 50};
    // Before the analysis ends, with an override and typed digits.
    const auto model = item.resolvedStartTimecode();
    ASSERT_TRUE(model);
    EXPECT_EQ(model->tc.components(), (Timecode::Components{0, 1, 2, 3, 4, 0}));
    EXPECT_EQ(model->frameRate, fps25);
    EXPECT_FALSE(item.blockingReason());

    // Frames beyond the rate are kept as typed; the run validates them again.
    item.analysis = SourceItem::AnalysisState::done(analysis(fps25, std::nullopt));
    item.manualComponents = Timecode::Components{0, 1, 0, 0, 99, 0};
    EXPECT_EQ(start(item), "01:00:00:99");
    EXPECT_FALSE(item.blockingReason());
}

TEST(SourceItem, BlockingReasonsInCreationMode) {
    SourceItem item = row(SourceItem::AnalysisState::done(analysis(std::nullopt, std::nullopt)));
    EXPECT_EQ(reason(item), QStringLiteral("No creation date — switch to Manual or set fps"));
    item.rateOverride = fps25;
    EXPECT_EQ(reason(item), QStringLiteral("No creation date — switch to Manual or set fps"));
    item.analysis = SourceItem::AnalysisState::done(analysis(std::nullopt, utc(10, 0, 0)));
    item.rateOverride.reset();
    EXPECT_EQ(reason(item), QStringLiteral("Unknown frame rate — set fps"));
    item.rateOverride = unmappable;
    EXPECT_EQ(reason(item), QStringLiteral("Can't resolve a creation timecode"));
    item.rateOverride = fps25;
    EXPECT_EQ(reason(item), QStringLiteral("none"));

    // Excluded rows, and rows whose analysis has not ended or failed, say nothing.
    item.rateOverride.reset();
    item.included = false;
    EXPECT_FALSE(item.blockingReason());
    item.included = true;
    for (auto state : {SourceItem::AnalysisState::pending(), SourceItem::AnalysisState::analyzing(),
                       SourceItem::AnalysisState::failed(QStringLiteral("x"))}) {
        item.analysis = state;
        EXPECT_FALSE(item.blockingReason());
    }
}

TEST(SourceItem, BlockingReasonsInManualMode) {
    SourceItem item = row(SourceItem::AnalysisState::done(analysis(std::nullopt, utc(10, 0, 0))), FixMode::manual);
    EXPECT_EQ(reason(item), QStringLiteral("Set a frame rate (fps)"));
    item.manualComponents = Timecode::Components{0, 1, 0, 0, 0, 0};
    EXPECT_EQ(reason(item), QStringLiteral("Set a frame rate (fps)"));
    item.rateOverride = unmappable;
    EXPECT_EQ(reason(item), QStringLiteral("Invalid timecode for this rate"));
    item.manualComponents.reset();
    EXPECT_EQ(reason(item), QStringLiteral("Enter a timecode"));
    item.rateOverride = fps25;
    EXPECT_EQ(reason(item), QStringLiteral("Enter a timecode"));
    item.manualComponents = Timecode::Components{};
    EXPECT_FALSE(item.blockingReason());
}

TEST(SourceItem, MismatchWrapsAroundMidnight) {
    // Embedded 23:59:59:00 against a creation time of 00:00:01: +2 s, and the reverse −2 s.
    SourceItem item = row(SourceItem::AnalysisState::done(analysis(fps25, utc(0, 0, 1), QStringLiteral("23:59:59:00"))));
    const auto mismatch = item.timeOfDayMismatch(1.5);
    ASSERT_TRUE(mismatch);
    EXPECT_DOUBLE_EQ(mismatch->embedded, 86399);
    EXPECT_DOUBLE_EQ(mismatch->creation, 1);
    EXPECT_DOUBLE_EQ(mismatch->delta, 2);
    EXPECT_DOUBLE_EQ(mismatch->tolerance, 1.5);
    item.analysis = SourceItem::AnalysisState::done(analysis(fps25, utc(23, 59, 59), QStringLiteral("00:00:01:00")));
    EXPECT_DOUBLE_EQ(delta(item), -2);

    // Exactly half a day apart reads +43200 in either order.
    item.analysis = SourceItem::AnalysisState::done(analysis(fps25, utc(12, 0, 0), QStringLiteral("00:00:00:00")));
    EXPECT_DOUBLE_EQ(delta(item), 43200);
    item.analysis = SourceItem::AnalysisState::done(analysis(fps25, utc(0, 0, 0), QStringLiteral("12:00:00:00")));
    EXPECT_DOUBLE_EQ(delta(item), 43200);

    // Frames count at the embedded record's label rate.
    item.analysis = SourceItem::AnalysisState::done(analysis(df2997, utc(10, 0, 0, 500), QStringLiteral("10:00:00;15")));
    EXPECT_DOUBLE_EQ(delta(item), 0);
}

TEST(SourceItem, MismatchNeedsBothTimesAndIgnoresTheRowsChoices) {
    SourceItem item = row(SourceItem::AnalysisState::done(analysis(fps25, std::nullopt, QStringLiteral("01:00:00:00"))));
    EXPECT_FALSE(item.timeOfDayMismatch(1.0));
    item.analysis = SourceItem::AnalysisState::done(analysis(fps25, utc(1, 0, 1)));
    EXPECT_FALSE(item.timeOfDayMismatch(1.0));

    item.analysis = SourceItem::AnalysisState::done(analysis(fps25, utc(1, 0, 1), QStringLiteral("01:00:00:00")));
    item.included = false;
    item.fixMode = FixMode::manual;
    item.rateOverride = df2997;
    EXPECT_DOUBLE_EQ(delta(item), 1);

    // A zone recorded with the date moves the creation side only.
    auto zoned = analysis(fps25, utc(1, 0, 1), QStringLiteral("03:00:00:00"));
    zoned.creationZone = QTimeZone(2 * 3600);
    item.analysis = SourceItem::AnalysisState::done(zoned);
    EXPECT_DOUBLE_EQ(delta(item), 1);
}

TEST(SourceItem, ToleranceBoundaryIsInclusive) {
    // The model flags a row when |delta| is strictly greater than the tolerance.
    const auto flagged = [](const SourceItem& item) {
        const auto m = item.timeOfDayMismatch(1.0);
        return m && std::abs(m->delta) > m->tolerance;
    };
    SourceItem item = row(SourceItem::AnalysisState::done(analysis(fps25, utc(1, 0, 1), QStringLiteral("01:00:00:00"))));
    EXPECT_FALSE(flagged(item));
    item.analysis = SourceItem::AnalysisState::done(analysis(fps25, utc(0, 59, 59), QStringLiteral("01:00:00:00")));
    EXPECT_FALSE(flagged(item));
    item.analysis = SourceItem::AnalysisState::done(analysis(fps25, utc(1, 0, 1, 10), QStringLiteral("01:00:00:00")));
    EXPECT_TRUE(flagged(item));
}

TEST(SourceItem, Equality) {
    const SourceItem a = row(SourceItem::AnalysisState::done(analysis(fps25, utc(1, 0, 0), QStringLiteral("01:00:00:00"))));
    SourceItem b = a;
    EXPECT_EQ(a, b);
    b.manualComponents = Timecode::Components{};
    EXPECT_NE(a, b);
    b = a;
    b.analysis = SourceItem::AnalysisState::failed(QStringLiteral("x"));
    EXPECT_NE(a, b);
    EXPECT_NE(SourceItem::AnalysisState::failed(QStringLiteral("x")), SourceItem::AnalysisState::failed(QStringLiteral("y")));
    EXPECT_EQ(SourceItem::AnalysisState::pending(), SourceItem::AnalysisState::pending());
    EXPECT_NE(SourceItem::AnalysisState::pending(), SourceItem::AnalysisState::analyzing());
}
