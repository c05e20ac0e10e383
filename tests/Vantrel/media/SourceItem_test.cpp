// The frame-rate record (from a timecode track, shown in the source row, mapped onto
// the timecode library's rates, stored in the queue); timecodes paired with it, from
// text and from the time of day of a date; and one source row: its effective rate,
// its start timecode in either fix mode, the mismatch of the embedded timecode
// against the creation time of day, and the sentence that says why it is not ready.
#include <gtest/gtest.h>

#include "QtPrinting.h"
#include "Vantrel/media/FrameRate.h"
#include "Vantrel/media/SourceItem.h"
#include "Vantrel/media/TimecodeModel.h"

#include <QJsonDocument>

#include <array>
#include <cstdlib>
#include <ctime>

using namespace vantrel;
using timecode::Timecode;
using timecode::TimecodeFrameRate;
using R = timecode::TimecodeFrameRate;
using State = SourceItem::AnalysisState;

namespace {

const FrameRate fps25 = FrameRate::fromNominal(25, false);
const FrameRate df2997 = FrameRate::fromNominal(30, true);
const FrameRate df5994 = FrameRate::fromNominal(60, true);
const FrameRate nd2997{30000, 1001, 30, false};
const FrameRate df11988{120000, 1001, 120, true};
const FrameRate unmappable{23, 1, 23, false};

QDateTime utc(int h, int m, int s, int ms = 0) { return QDateTime(QDate(2024, 5, 1), QTime(h, m, s, ms), QTimeZone::utc()); }

std::string text(const std::optional<TimecodeModel>& model) { return model ? model->tc.stringValue() : "none"; }
std::string fromText(const char* text, const FrameRate& rate) {
    return ::text(TimecodeModel::fromText(QString::fromLatin1(text), rate));
}
std::string timeOfDay(const QDateTime& date, const FrameRate& rate, const std::optional<QTimeZone>& zone = QTimeZone::utc()) {
    return text(timeOfDayTimecode(date, zone, rate));
}

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

std::string start(const SourceItem& item) { return text(item.resolvedStartTimecode()); }
QString reason(const SourceItem& item) { return item.blockingReason().value_or(QStringLiteral("none")); }
double delta(State state) { return row(std::move(state)).timeOfDayMismatch(1.0).value().delta; }

}  // namespace

TEST(FrameRate, FromTrackTextAndLibraryRate) {
    EXPECT_EQ(FrameRate::fromNominal(24, false), (FrameRate{24, 1, 24, false}));
    EXPECT_EQ(FrameRate::fromNominal(30, true), (FrameRate{30000, 1001, 30, true}));
    EXPECT_EQ(FrameRate::fromNominal(60, true), (FrameRate{60000, 1001, 60, true}));
    EXPECT_EQ(FrameRate::fromNominal(25, true), (FrameRate{25, 1, 25, true}));

    const std::tuple<FrameRate, const char*, std::optional<R>> rows[] = {
        {{24000, 1001, 24, false}, "23.98", R::fps23_976}, {{24, 1, 24, false}, "24", R::fps24},
        {{25, 1, 25, false}, "25", R::fps25},              {{30, 1, 30, false}, "30", R::fps30},
        {{30000, 1001, 30, true}, "29.97 DF", R::fps29_97d}, {{30000, 1001, 30, false}, "29.97", R::fps29_97},
        {{60000, 1001, 60, true}, "59.94 DF", R::fps59_94d}, {{60000, 1001, 60, false}, "59.94", R::fps59_94},
        {{50, 1, 50, false}, "50", R::fps50},              {{120, 1, 120, true}, "120", R::fps120},
        {{25, 1, 25, true}, "25", R::fps25},               {{23, 1, 23, false}, "23", std::nullopt},
        // A drop flag whose label rate is not a multiple of 30 neither shows nor maps as drop.
        {{30000, 1001, 24, true}, "29.97", R::fps29_97},   {{120000, 1001, 120, true}, "119.88 DF", R::fps119_88d},
        {{15, 1, 15, false}, "15", std::nullopt},          {{25, 2, 12, false}, "12.500", std::nullopt},
        // Only a hand-made record lacks a positive denominator: shown raw, never divided by.
        {{30, 0, 30, false}, "30/0", std::nullopt},
    };
    for (const auto& [rate, text, mapped] : rows) {
        EXPECT_EQ(rate.displayText(), QString::fromLatin1(text)) << text;
        EXPECT_EQ(rate.timecodeFrameRate(), mapped) << text;
    }
    EXPECT_EQ((FrameRate{INT64_MIN, -1, 0, false}).displayText(), QStringLiteral("-9223372036854775808/-1"));
}

TEST(FrameRate, StoredFormRoundTripsAndDecodesStrictly) {
    for (const FrameRate& rate : {FrameRate{30000, 1001, 30, true}, FrameRate{(std::int64_t(1) << 53) + 1, 1001, 7, false}}) {
        const auto back = FrameRate::fromJson(QJsonDocument::fromJson(QJsonDocument(rate.toJson()).toJson()).object());
        EXPECT_EQ(back, rate);
        EXPECT_EQ(qHash(back.value()), qHash(rate));
    }
    EXPECT_NE(qHash(FrameRate{30000, 1001, 30, true}), qHash(FrameRate{30000, 1001, 30, false}));

    const auto decode = [](const char* json, QString* error = nullptr) {
        return FrameRate::fromJson(QJsonDocument::fromJson(json).object(), error);
    };
    EXPECT_EQ(decode(R"({"numerator":30000,"denominator":1001,"labelRate":30,"isDropFrame":true,"extra":1})"),
              (FrameRate{30000, 1001, 30, true}));
    QString error;
    EXPECT_FALSE(decode(R"({"numerator":30000,"denominator":1001,"isDropFrame":true})", &error));
    EXPECT_TRUE(error.contains(QStringLiteral("labelRate")));
    for (const char* bad : {
             R"({"numerator":"30000","denominator":1001,"labelRate":30,"isDropFrame":true})",
             R"({"numerator":29.97,"denominator":1,"labelRate":30,"isDropFrame":false})",
             R"({"numerator":30,"denominator":1,"labelRate":30,"isDropFrame":1})",
             R"({"numerator":30,"denominator":1,"labelRate":null,"isDropFrame":false})",
             R"({"numerator":1e300,"denominator":1,"labelRate":30,"isDropFrame":false})",
             R"({"Numerator":30,"denominator":1,"labelRate":30,"isDropFrame":false})",
             // Rates the application would divide by zero or by a negative number.
             R"({"numerator":30,"denominator":0,"labelRate":30,"isDropFrame":false})",
             R"({"numerator":30,"denominator":-1001,"labelRate":30,"isDropFrame":false})",
             R"({"numerator":0,"denominator":1,"labelRate":30,"isDropFrame":false})",
         })
        EXPECT_FALSE(decode(bad)) << bad;
    EXPECT_FALSE(FrameRate::fromJson(QJsonValue(30)));
}

TEST(TimecodeModel, FromTextAtTheMappedRate) {
    const auto model = TimecodeModel::fromText(QStringLiteral("10:20:30;15"), df2997);
    ASSERT_TRUE(model);
    EXPECT_EQ(model->resolvedRate, TimecodeFrameRate(TimecodeFrameRate::fps29_97d));
    EXPECT_EQ(model->tc.components(), (Timecode::Components{0, 10, 20, 30, 15, 0}));
    EXPECT_EQ(model->tc.subFramesBase(), timecode::SubFramesBase(timecode::SubFramesBase::max100SubFrames));
    EXPECT_EQ(model->tc.upperLimit(), timecode::UpperLimit(timecode::UpperLimit::max24Hours));
    // The track reader writes two frame digits even where the rate shows three.
    EXPECT_EQ(fromText("01:00:00;00", df11988), "01:00:00;000");
    for (const auto& [bad, rate] : {std::pair{"00:00:00:25", fps25}, {"00:01:00;00", df2997}, {"24:00:00:00", fps25},
                                    {"not a timecode", fps25}, {"", fps25}, {"01:00:00:00", FrameRate{23, 1, 23, false}}})
        EXPECT_EQ(fromText(bad, rate), "none") << bad;

    // Equal: the same record and the same whole frames (subframes do not count).
    auto other = *model;
    other.tc.setSubFrames(50);
    EXPECT_EQ(*model, other);
    other.frameRate.isDropFrame = false;
    EXPECT_NE(*model, other);
}

TEST(TimecodeModel, TimeOfDayAtTheLabelRate) {
    EXPECT_EQ(timeOfDay(utc(10, 0, 0, 999), fps25), "10:00:00:24");  // 24.975 truncated
    EXPECT_EQ(timeOfDay(utc(23, 59, 59, 999), nd2997), "23:59:59:29");  // label 30, no 1000/1001 scaling
    EXPECT_EQ(timeOfDay(utc(10, 0, 0), FrameRate{23, 1, 23, false}), "none");
    const auto model = timeOfDayTimecode(utc(10, 0, 0, 999), QTimeZone::utc(), fps25);
    EXPECT_EQ(model->tc.components(), (Timecode::Components{0, 10, 0, 0, 24, 0}));
    EXPECT_EQ(model->frameRate, fps25);

    // The zone moves the wall clock; without one the system's applies.
    const QDateTime instant = utc(10, 30, 15, 250);
    EXPECT_EQ(timeOfDay(instant, fps25, QTimeZone(2 * 3600)), "12:30:15:06");
    EXPECT_EQ(timeOfDay(instant, fps25, QTimeZone(-7 * 3600)), "03:30:15:06");
    EXPECT_EQ(timeOfDay(instant, fps25, std::nullopt), timeOfDay(instant, fps25, QTimeZone::systemTimeZone()));
    EXPECT_DOUBLE_EQ(secondsSinceMidnight(instant, QTimeZone(2 * 3600)), 12 * 3600 + 30 * 60 + 15.25);
    EXPECT_DOUBLE_EQ(secondsSinceMidnight(instant, std::nullopt),
                     secondsSinceMidnight(instant, QTimeZone::systemTimeZone()));
}

// Every millisecond of a second lands on the frame that holds it, counted exactly
// at the label rate (580 ms at 50 fps is frame 29, not 28.999… truncated), at every
// rate the application makes; at a drop-frame rate the first labels of a minute
// that skips them still move up to the first label that exists.
TEST(TimecodeModel, TimeOfDayFrameIsExactAtEveryRate) {
    const FrameRate rates[] = {{24000, 1001, 24, false}, FrameRate::fromNominal(24, false), fps25,
                               nd2997, df2997, FrameRate::fromNominal(30, false), FrameRate::fromNominal(48, false),
                               FrameRate::fromNominal(50, false), {60000, 1001, 60, false}, df5994,
                               FrameRate::fromNominal(60, false), FrameRate::fromNominal(96, false),
                               FrameRate::fromNominal(100, false), FrameRate::fromNominal(120, false),
                               FrameRate::fromNominal(120, true), df11988};
    for (const FrameRate& rate : rates) {
        SCOPED_TRACE(rate.displayText().toStdString() + (rate.isDropFrame ? " drop" : ""));
        const auto resolved = rate.timecodeFrameRate();
        ASSERT_TRUE(resolved);
        const std::int64_t skipped = resolved->isDrop() ? resolved->framesDropped() : 0;
        for (int ms = 0; ms < 1000; ++ms) {
            for (const auto& [minute, firstExisting] : {std::pair{20, std::int64_t(0)}, {21, skipped}}) {
                const auto model = timeOfDayTimecode(utc(10, minute, 0, ms), QTimeZone::utc(), rate);
                const Timecode::Components c = model->tc.components();
                ASSERT_EQ((std::array{c.hours, c.minutes, c.seconds}), (std::array<std::int64_t, 3>{10, minute, 0}));
                // The frame f that holds the millisecond: f / label ≤ ms / 1000 < (f + 1) / label.
                const std::int64_t f = c.frames, product = std::int64_t(ms) * rate.labelRate;
                if (f == firstExisting && product < firstExisting * 1000) continue;  // a skipped label, moved up
                ASSERT_TRUE(f * 1000 <= product && product < (f + 1) * 1000) << ms << " ms gave frame " << f;
            }
        }
    }
}

TEST(TimecodeModel, TimeOfDayNeverLandsOnADroppedLabel) {
    EXPECT_EQ(timeOfDay(utc(10, 10, 0), df2997), "10:10:00;00");
    EXPECT_EQ(timeOfDay(utc(10, 1, 1), df2997), "10:01:01;00");
    EXPECT_EQ(timeOfDay(utc(10, 1, 0, 100), df2997), "10:01:00;03");
    // Labels 0 and 1 (0 to 3 at 59.94, 0 to 7 at 119.88) of minutes not divisible by ten do not exist.
    EXPECT_EQ(timeOfDay(utc(10, 1, 0), df2997), "10:01:00;02");
    EXPECT_EQ(timeOfDay(utc(10, 1, 0, 50), df2997), "10:01:00;02");
    EXPECT_EQ(timeOfDay(utc(10, 59, 0, 40), df5994), "10:59:00;04");
    EXPECT_EQ(timeOfDay(utc(0, 1, 0), df11988), "00:01:00;008");
    EXPECT_EQ(timeOfDay(utc(10, 1, 0), nd2997), "10:01:00:00");
    for (const FrameRate& rate : {df2997, df5994, df11988})
        for (int minute = 0; minute < 60; ++minute)
            for (int ms : {0, 10, 20, 40, 60}) {
                const auto model = timeOfDayTimecode(utc(7, minute, 0, ms), QTimeZone::utc(), rate);
                EXPECT_TRUE(model->tc.isValid()) << model->tc.stringValue();
            }
}

TEST(SourceItem, NewAndUnfinishedRows) {
    const SourceItem a = row(State::pending());
    EXPECT_FALSE(a.id.isNull());
    EXPECT_NE(a.id, row(State::pending()).id);
    EXPECT_TRUE(a.included);
    EXPECT_EQ(SourceItem::make(QUrl(), FixMode::manual).fixMode, FixMode::manual);
    for (const State& state : {State::pending(), State::analyzing(), State::failed(QStringLiteral("x"))}) {
        const SourceItem item = row(state);
        EXPECT_FALSE(item.resolvedStartTimecode() || item.timeOfDayMismatch(1.0));
        // Only a file that could not be read says why it is not ready.
        EXPECT_EQ(item.blockingReason().has_value(), state.kind() == State::Kind::failed);
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

    // Manual: before the analysis ends, days and subframes dropped, frames past the rate kept
    // (and shown as the reason the row cannot be queued).
    item = row(State::pending(), FixMode::manual);
    item.rateOverride = fps25;
    item.manualComponents = Timecode::Components{2, 1, 2, 3, 4, 50};
    EXPECT_EQ(item.resolvedStartTimecode().value().tc.components(), (Timecode::Components{0, 1, 2, 3, 4, 0}));
    item.manualComponents = Timecode::Components{0, 1, 0, 0, 99, 0};
    EXPECT_EQ(start(item), "01:00:00:99");
    item.analysis = done(fps25, std::nullopt);
    EXPECT_EQ(reason(item), QStringLiteral("Invalid timecode for this rate"));
    EXPECT_FALSE(item.isReady());
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

namespace {

// The process's zone for one test: TZ set and read again by the C library (which
// Qt's local time goes through), and put back afterwards.
class ScopedSystemZone {
public:
    explicit ScopedSystemZone(const char* zone) : had_(qEnvironmentVariableIsSet("TZ")), old_(qgetenv("TZ")) {
        qputenv("TZ", zone);
        tzset();
    }
    ~ScopedSystemZone() {
        if (had_) qputenv("TZ", old_);
        else qunsetenv("TZ");
        tzset();
    }

private:
    bool had_;
    QByteArray old_;
};

SourceItem typedRow(State state, const FrameRate& rate, Timecode::Components typed) {
    SourceItem item = row(std::move(state), FixMode::manual);
    item.rateOverride = rate;
    item.manualComponents = typed;
    return item;
}

SourceItem::Analysis withVideo(const FrameRate& video) {
    SourceItem::Analysis a = *done(std::nullopt, utc(10, 0, 0)).analysis();
    a.videoFrameRate = video;
    return a;
}

}  // namespace

// Rows whose job could only fail at Start are not ready and say why.
TEST(SourceItem, RowsThatCanOnlyFailAreNotReady) {
    // A typed label the rate skips, and frames past the rate's last.
    for (const auto& [typed, rate] : {std::pair{Timecode::Components{0, 0, 1, 0, 0, 0}, df2997},
                                      {Timecode::Components{0, 0, 1, 0, 1, 0}, df2997},
                                      {Timecode::Components{0, 1, 0, 0, 25, 0}, fps25}}) {
        const SourceItem item = typedRow(done(std::nullopt, std::nullopt), rate, typed);
        EXPECT_EQ(reason(item), QStringLiteral("Invalid timecode for this rate")) << start(item);
        EXPECT_FALSE(item.isReady());
    }
    // The first labels that exist around them are fine.
    for (const auto& [typed, rate] : {std::pair{Timecode::Components{0, 0, 1, 0, 2, 0}, df2997},
                                      {Timecode::Components{0, 0, 10, 0, 0, 0}, df2997},
                                      {Timecode::Components{0, 1, 0, 0, 24, 0}, fps25}}) {
        const SourceItem item = typedRow(done(std::nullopt, std::nullopt), rate, typed);
        EXPECT_EQ(reason(item), QStringLiteral("none")) << start(item);
        EXPECT_TRUE(item.isReady());
    }
    // Before the analysis ends the row is not ready either, though it cannot say why yet.
    EXPECT_FALSE(typedRow(State::analyzing(), df2997, Timecode::Components{0, 0, 1, 0, 0, 0}).isReady());
    EXPECT_TRUE(typedRow(State::analyzing(), df2997, Timecode::Components{0, 0, 1, 0, 2, 0}).isReady());

    // Drop frame needs a video whose rate rounds to a multiple of 30 (as ffmpeg counts).
    const Timecode::Components ten{0, 10, 0, 0, 0, 0};
    for (const auto& [video, fits] : {std::pair{FrameRate{25, 1, 25, false}, false},
                                      {FrameRate{24000, 1001, 24, false}, false},
                                      {FrameRate{50, 1, 50, false}, false},
                                      {FrameRate{30000, 1001, 30, false}, true},
                                      {FrameRate{30, 1, 30, false}, true},
                                      {FrameRate{60000, 1001, 60, false}, true}}) {
        SourceItem item = typedRow(State::done(withVideo(video)), df2997, ten);
        EXPECT_EQ(item.isReady(), fits) << video.displayText().toStdString();
        EXPECT_EQ(item.blockingReason().has_value(), !fits) << video.displayText().toStdString();
        // The same video takes a non-drop rate, and the same rate in creation mode is held alike.
        item.rateOverride = nd2997;
        EXPECT_TRUE(item.isReady());
        item.rateOverride = df2997;
        item.fixMode = FixMode::creationTime;
        EXPECT_EQ(item.isReady(), fits);
    }
    EXPECT_EQ(reason(typedRow(State::done(withVideo(fps25)), df2997, ten)),
              QStringLiteral("Drop frame doesn't fit this video's 25 fps — choose another rate"));
    // A video whose rate is not known is not held back.
    EXPECT_TRUE(typedRow(done(std::nullopt, std::nullopt), df2997, ten).isReady());

    // An unreadable file in manual mode with a rate and a typed timecode.
    SourceItem unreadable = typedRow(State::failed(QStringLiteral("Not a movie")), fps25, ten);
    ASSERT_TRUE(unreadable.resolvedStartTimecode());
    EXPECT_FALSE(unreadable.isReady());
    EXPECT_EQ(reason(unreadable), QStringLiteral("Can't read this file — remove it from the list"));
    unreadable.included = false;
    EXPECT_EQ(reason(unreadable), QStringLiteral("none"));
}

// ffmpeg writes a timecode track beside each video stream: a movie without one
// gets none and a movie with two gets two, whatever is chosen for the row. Such a
// row is held in either mode, before any reason that a choice could mend.
TEST(SourceItem, MoviesWithoutExactlyOneVideoStreamAreHeld) {
    const Timecode::Components one{0, 1, 0, 0, 0, 0};
    for (const auto& [streams, held] :
         {std::pair<std::optional<int>, QString>{std::nullopt, {}},
          {1, {}},
          {0, QStringLiteral("No video stream — a timecode track needs one")},
          {2, QStringLiteral("2 video streams — only a movie with one can get a timecode track")},
          {3, QStringLiteral("3 video streams — only a movie with one can get a timecode track")}}) {
        SCOPED_TRACE(streams ? std::to_string(*streams) + " video streams" : "stream count not known");
        SourceItem::Analysis analysis = withVideo(fps25);
        analysis.videoStreamCount = streams;
        SourceItem item = typedRow(State::done(analysis), fps25, one);
        ASSERT_TRUE(item.resolvedStartTimecode());
        EXPECT_EQ(item.isReady(), held.isEmpty());
        EXPECT_EQ(reason(item), held.isEmpty() ? QStringLiteral("none") : held);
        // Creation mode without any rate: picking one would not help either.
        item.fixMode = FixMode::creationTime;
        item.rateOverride.reset();
        EXPECT_EQ(reason(item), held.isEmpty() ? QStringLiteral("Unknown frame rate — set fps") : held);
        item.included = false;
        EXPECT_EQ(reason(item), QStringLiteral("none"));
    }
}

// ffmpeg counts the frames of the written timecode at the video's own rate: a
// faster override whose frame number the video has no room for would start the
// file in the next second, so such a row is held; lower frames pass.
TEST(SourceItem, FramesPastTheVideosOwnRateAreHeld) {
    const FrameRate video2997{30000, 1001, 30, true};
    const FrameRate video25{25, 1, 25, false};
    const FrameRate fps50 = FrameRate::fromNominal(50, false);
    for (const auto& [video, rate, frames, held] : {std::tuple{video2997, df5994, 45, true},
                                                    {video2997, df5994, 30, true},
                                                    {video2997, df5994, 29, false},
                                                    {video25, fps50, 25, true},
                                                    {video25, fps50, 24, false},
                                                    {video25, fps25, 24, false}}) {
        SCOPED_TRACE(rate.displayText().toStdString() + " on " + video.displayText().toStdString() + ", frame " +
                     std::to_string(frames));
        SourceItem item = typedRow(State::done(withVideo(video)), rate, Timecode::Components{0, 1, 0, 0, frames, 0});
        EXPECT_EQ(item.isReady(), !held);
        if (held) {
            EXPECT_EQ(reason(item), QStringLiteral("Frame %1 doesn't exist in this video's %2 fps — choose another rate")
                                        .arg(frames)
                                        .arg(video.displayText()));
        }
    }
    // A video whose rate is not known is not held back.
    EXPECT_TRUE(typedRow(done(std::nullopt, std::nullopt), df5994, Timecode::Components{0, 1, 0, 0, 45, 0}).isReady());
}

// The suite runs in UTC, where the system zone and UTC cannot be told apart: a
// zone with a half-hour offset shows which of them a date without a zone is read in.
TEST(SourceItem, CreationTimeWithoutAZoneIsTheSystemZonesTimeOfDay) {
    {
        const ScopedSystemZone india("Asia/Kolkata");  // UTC+5:30 all year
        const SourceItem local = row(done(fps25, utc(10, 0, 0), "15:30:00:00", std::nullopt));
        EXPECT_EQ(text(local.creationTimecode()), "15:30:00:00");
        EXPECT_EQ(start(local), "15:30:00:00");
        EXPECT_DOUBLE_EQ(local.timeOfDayMismatch(1.0)->creation, 15.5 * 3600);
        EXPECT_DOUBLE_EQ(local.timeOfDayMismatch(1.0)->delta, 0);
        // A zone recorded with the date wins over the system's.
        const SourceItem recorded = row(done(fps25, utc(10, 0, 0), "15:30:00:00", QTimeZone::utc()));
        EXPECT_EQ(text(recorded.creationTimecode()), "10:00:00:00");
        EXPECT_DOUBLE_EQ(recorded.timeOfDayMismatch(1.0)->delta, -5.5 * 3600);
    }
    {
        // UTC+9:30 in May; the local day has already turned.
        const ScopedSystemZone adelaide("Australia/Adelaide");
        const SourceItem late = row(done(fps25, utc(20, 0, 0, 200), "05:30:00:00", std::nullopt));
        EXPECT_EQ(text(late.creationTimecode()), "05:30:00:05");
        EXPECT_NEAR(late.timeOfDayMismatch(1.0)->delta, 0.2, 1e-9);
    }
    EXPECT_EQ(text(row(done(fps25, utc(10, 0, 0), nullptr, std::nullopt)).creationTimecode()),
              text(timeOfDayTimecode(utc(10, 0, 0), QTimeZone::systemTimeZone(), fps25)));
}
