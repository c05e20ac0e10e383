#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "TimecodeTestSupport.h"

using namespace timecode;
using R = TimecodeFrameRate;
using Rule = ValidationRule;

namespace {

// Components that arrive only when the test releases them, on whatever thread asks.
class PendingComponents final : public AsyncTimecodeSource {
public:
    PendingComponents(std::shared_future<Timecode::Components> components) : components_(std::move(components)) {}
    void set(Timecode& t) const override { t.set(TimecodeSourceValue::components(components_.get())); }
    void set(Timecode& t, Rule rule) const override { t.set(TimecodeSourceValue::components(components_.get()), rule); }

private:
    std::shared_future<Timecode::Components> components_;
};

// A timecode with its own properties.
class RichValue final : public AsyncRichTimecodeSource {
public:
    explicit RichValue(Timecode value) : value_(std::move(value)) {}
    TimecodeProperties set(Timecode& t) const override {
        t.setComponents(value_.components());
        return value_.properties();
    }
    TimecodeProperties set(Timecode& t, Rule) const override { return set(t); }

private:
    Timecode value_;
};

AsyncTimecodeSourceValue ready(const Timecode::Components& c) {
    std::promise<Timecode::Components> promise;
    promise.set_value(c);
    return AsyncTimecodeSourceValue(std::make_shared<PendingComponents>(promise.get_future().share()));
}

AsyncRichTimecodeSourceValue rich(std::string_view text, R rate) {
    return AsyncRichTimecodeSourceValue(std::make_shared<RichValue>(
        Timecode(FormattedTimecodeSourceValue::string(text), rate, SubFramesBase::max80SubFrames, UpperLimit::max24Hours)));
}

const Timecode::Properties at24(R::fps24, SubFramesBase::max80SubFrames, UpperLimit::max24Hours);

}  // namespace

TEST(TimecodeAsync, ValueIsAwaitedOffTheCallingThread) {
    std::promise<Timecode::Components> promise;
    const AsyncTimecodeSourceValue pending(std::make_shared<PendingComponents>(promise.get_future().share()));
    std::future<Timecode> result = Timecode::fromAsync(pending, at24);
    // The caller is not blocked while the value is outstanding.
    EXPECT_EQ(result.wait_for(std::chrono::milliseconds(20)), std::future_status::timeout);
    promise.set_value({0, 1, 2, 3, 4, 0});
    EXPECT_EQ(result.get().components(), (Timecode::Components{0, 1, 2, 3, 4, 0}));
}

TEST(TimecodeAsync, ErrorsArriveThroughTheFutureAndLeaveTheReceiverAlone) {
    EXPECT_THROW(Timecode::fromAsync(ready({0, 25, 0, 0, 0, 0}), at24).get(), ValidationError);
    EXPECT_EQ(Timecode::fromAsync(ready({0, 25, 0, 0, 0, 0}), at24, Rule::wrapping).get().hours(), 1);
    Timecode t = timecodeFromText("01:00:00:00");
    EXPECT_THROW(t.set(ready({0, 0, 0, 0, 30, 0})).get(), ValidationError);
    EXPECT_THROW(t.add(ready({0, 23, 0, 0, 0, 0})).get(), ValidationError);
    EXPECT_THROW(t.subtract(ready({0, 0, 0, 0, 30, 0}), Rule::clamping).get(), ValidationError);
    EXPECT_EQ(t.stringValue(), "01:00:00:00");
}

TEST(TimecodeAsync, SumsAndSettersMatchTheSynchronousForms) {
    Timecode t = timecodeFromText("01:00:00:00");
    t.add(ready({0, 0, 0, 1, 0, 0})).get();
    EXPECT_EQ(t.stringValue(), "01:00:01:00");
    t.subtract(ready({0, 2, 0, 0, 0, 0}), Rule::wrapping).get();
    EXPECT_EQ(t.stringValue(), "23:00:01:00");
    EXPECT_EQ(t.adding(ready({0, 1, 0, 0, 0, 0}), Rule::clamping).get().stringValue(), "23:59:59:23");
    EXPECT_EQ(t.subtracting(ready({0, 0, 0, 1, 0, 0})).get().stringValue(), "23:00:00:00");
    EXPECT_EQ(t.setting(ready({0, 0, 0, 0, 12, 0})).get().stringValue(), "00:00:00:12");
    EXPECT_EQ(t.stringValue(), "23:00:01:00");
    t.set(ready({0, 30, 0, 0, 0, 0}), Rule::clampingComponents).get();
    EXPECT_EQ(t.stringValue(), "23:00:00:00");
}

TEST(TimecodeAsync, RichValuesBringTheirPropertiesAndAreConvertedAsOperands) {
    const Timecode built = Timecode::fromAsync(rich("00:00:01:00", R::fps50)).get();
    EXPECT_EQ(built.frameRate(), R(R::fps50));
    Timecode t = timecodeFromText("00:00:00:00");
    EXPECT_EQ(t.setting(rich("00:00:02:00", R::fps25)).get().frameRate(), R(R::fps25));
    // As an operand its own rate counts through real time: one second at 50 is 24 frames at 24.
    EXPECT_EQ(t.adding(rich("00:00:01:00", R::fps50)).get().stringValue(), "00:00:01:00");
    t.set(rich("00:00:03:00", R::fps30)).get();
    EXPECT_EQ(t.frameRate(), R(R::fps30));
    EXPECT_EQ(t.stringValue(), "00:00:03:00");
}
