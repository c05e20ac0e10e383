// One source row: its effective rate, its start timecode in either fix mode, the
// mismatch of the embedded timecode against the creation time of day, and the
// sentence that says why it is not ready.
#include <gtest/gtest.h>

#include "QtPrinting.h"
#include "Vantrel/media/SourceItem.h"

using namespace vantrel;
using timecode::Timecode;
using State = SourceItem::AnalysisState;

namespace {

const FrameRate fps25 = FrameRate::fromNominal(25, false);
const FrameRate df2997 = FrameRate::fromNominal(30, true);
const FrameRate unmappable{23, 1, 23, false};

QDateTime utc(int h, int m, int s, int ms = 0) { return QDateTime(QDate(2024, 5, 1), QTime(h, m, s, ms), QTimeZone::utc()); }

State done(std::optional<FrameRate> rate, std::optional<QDateTime> date, const char* embedded = nullptr,
           std::optional<QTimeZone> zone = QTimeZone::utc()) {
    SourceItem::Analysis a;
    a.detectedRate = rate;
    a.creationDate = date;
    a.creationZone = zone;
    if (embedded && rate) a.embeddedTimecode = TimecodeModel::fromText(QString::fromLatin1(embedded), *rate);
    return State::done(a);
}

SourceItem row(State state, FixMode mode = FixMode::creationTime) {
    SourceItem item = SourceItem::make(QUrl::fromLocalFile(QStringLiteral("/in/clip.mov")), mode);
    item.analysis = std::move(state);
    return item;
}

std::string start(const SourceItem& item) {
    const auto model = item.resolvedStartTimecode();
    return model ? model->tc.stringValue() : "none";
}
QString reason(const SourceItem& item) { return item.blockingReason().value_or(QStringLiteral("none")); }
double delta(State state) { return row(std::move(state)).timeOfDayMismatch(1.0).value().delta; }

}  // namespace

TEST(SourceItem, NewAndUnfinishedRows) {
    const SourceItem a = row(State::pending());
    EXPECT_FALSE(a.id.isNull());
    EXPECT_NE(a.id, row(State::pending()).id);
    EXPECT_TRUE(a.included);
    EXPECT_EQ(SourceItem::make(QUrl(), FixMode::manual).fixMode, FixMode::manual);
    for (const State& state : {State::pending(), State::analyzing(), State::failed(QStringLiteral("x"))}) {
        const SourceItem item = row(state);
        EXPECT_FALSE(item.resolvedStartTimecode() || item.blockingReason() || item.timeOfDayMismatch(1.0));
    }
    // The override applies whatever the analysis; the detected rate only once it is done.
    SourceItem item = row(State::analyzing());
    EXPECT_FALSE(item.effectiveRate());
    item.analysis = done(fps25, utc(10, 0, 0));
    EXPECT_EQ(item.effectiveRate(), fps25);
    item.rateOverride = df2997;
    EXPECT_EQ(item.effectiveRate(), df2997);
}

TEST(SourceItem, StartTimecodeInEitherMode) {
    SourceItem item = row(done(fps25, utc(10, 0, 0, 999)));
    EXPECT_EQ(start(item), "10:00:00:24");
    item.rateOverride = df2997;
    EXPECT_EQ(start(item), "10:00:00;29");
    EXPECT_EQ(start(row(done(fps25, utc(10, 0, 0), nullptr, QTimeZone(2 * 3600)))), "12:00:00:00");
    EXPECT_EQ(row(done(fps25, utc(10, 0, 0), nullptr, std::nullopt)).resolvedStartTimecode(),
              timeOfDayTimecode(utc(10, 0, 0), QTimeZone::systemTimeZone(), fps25));

    // Manual: before the analysis ends, days and subframes dropped, frames past the rate kept.
    item = row(State::pending(), FixMode::manual);
    item.rateOverride = fps25;
    item.manualComponents = Timecode::Components{2, 1, 2, 3, 4, 50};
    EXPECT_EQ(item.resolvedStartTimecode().value().tc.components(), (Timecode::Components{0, 1, 2, 3, 4, 0}));
    item.manualComponents = Timecode::Components{0, 1, 0, 0, 99, 0};
    EXPECT_EQ(start(item), "01:00:00:99");
    item.analysis = done(fps25, std::nullopt);
    EXPECT_FALSE(item.blockingReason());
}

TEST(SourceItem, BlockingReasons) {
    SourceItem item = row(done(std::nullopt, std::nullopt));
    EXPECT_EQ(reason(item), QStringLiteral("No creation date — switch to Manual or set fps"));
    item.rateOverride = fps25;
    EXPECT_EQ(reason(item), QStringLiteral("No creation date — switch to Manual or set fps"));
    item.analysis = done(std::nullopt, utc(10, 0, 0));
    item.rateOverride = unmappable;
    EXPECT_EQ(reason(item), QStringLiteral("Can't resolve a creation timecode"));
    item.rateOverride.reset();
    EXPECT_EQ(reason(item), QStringLiteral("Unknown frame rate — set fps"));
    item.included = false;
    EXPECT_FALSE(item.blockingReason());

    item = row(done(std::nullopt, utc(10, 0, 0)), FixMode::manual);
    item.manualComponents = Timecode::Components{};
    EXPECT_EQ(reason(item), QStringLiteral("Set a frame rate (fps)"));
    item.rateOverride = unmappable;
    EXPECT_EQ(reason(item), QStringLiteral("Invalid timecode for this rate"));
    item.manualComponents.reset();
    EXPECT_EQ(reason(item), QStringLiteral("Enter a timecode"));
    item.rateOverride = fps25;
    item.manualComponents = Timecode::Components{};
    EXPECT_EQ(reason(item), QStringLiteral("none"));
}

TEST(SourceItem, MismatchAroundMidnightAndAtTheTolerance) {
    const auto mismatch = row(done(fps25, utc(0, 0, 1), "23:59:59:00")).timeOfDayMismatch(1.5);
    ASSERT_TRUE(mismatch);
    EXPECT_EQ(std::tuple(mismatch->embedded, mismatch->creation, mismatch->delta, mismatch->tolerance),
              std::tuple(86399.0, 1.0, 2.0, 1.5));
    EXPECT_DOUBLE_EQ(delta(done(fps25, utc(23, 59, 59), "00:00:01:00")), -2);
    EXPECT_DOUBLE_EQ(delta(done(fps25, utc(12, 0, 0), "00:00:00:00")), 43200);  // half a day reads + either way
    EXPECT_DOUBLE_EQ(delta(done(fps25, utc(0, 0, 0), "12:00:00:00")), 43200);
    EXPECT_DOUBLE_EQ(delta(done(df2997, utc(10, 0, 0, 500), "10:00:00;15")), 0);  // frames at the label rate
    EXPECT_DOUBLE_EQ(delta(done(fps25, utc(1, 0, 1), "03:00:00:00", QTimeZone(2 * 3600))), 1);
    // Flagged only beyond the tolerance: exactly 1 s is within it, 1.01 s is not.
    EXPECT_DOUBLE_EQ(delta(done(fps25, utc(0, 59, 59), "01:00:00:00")), -1);
    EXPECT_NEAR(delta(done(fps25, utc(1, 0, 1, 10), "01:00:00:00")), 1.01, 1e-9);

    // Needs both times; the row's choices play no part.
    EXPECT_FALSE(row(done(fps25, std::nullopt, "01:00:00:00")).timeOfDayMismatch(1.0));
    EXPECT_FALSE(row(done(fps25, utc(1, 0, 1))).timeOfDayMismatch(1.0));
    SourceItem item = row(done(fps25, utc(1, 0, 1), "01:00:00:00"));
    item.included = false;
    item.fixMode = FixMode::manual;
    item.rateOverride = df2997;
    EXPECT_DOUBLE_EQ(item.timeOfDayMismatch(1.0)->delta, 1);
}

TEST(SourceItem, Equality) {
    const SourceItem a = row(done(fps25, utc(1, 0, 0), "01:00:00:00"));
    SourceItem b = a;
    EXPECT_EQ(a, b);
    b.manualComponents = Timecode::Components{};
    EXPECT_NE(a, b);
    EXPECT_NE(State::failed(QStringLiteral("x")), State::failed(QStringLiteral("y")));
    EXPECT_NE(State::pending(), State::analyzing());
}
