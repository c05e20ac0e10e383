// An independent check of frame number → text: FFmpeg's own timecode functions
// must write the same text as ours for every frame of 24 hours.
#include <gtest/gtest.h>

extern "C" {
#include <libavutil/timecode.h>
}

#include "TimecodeCore/Timecode.h"

using timecode::Timecode;
using R = timecode::TimecodeFrameRate;
using V = Timecode::FrameCount::Value;

namespace {

struct OracleRate {
    R rate;
    AVRational avRate;
    bool drop;
};

}  // namespace

TEST(TimecodeOracle, FrameNumbersWriteAsLibavutilWritesThem) {
    const OracleRate rates[] = {
        {R::fps24, {24, 1}, false},           {R::fps25, {25, 1}, false}, {R::fps29_97d, {30000, 1001}, true},
        {R::fps30, {30, 1}, false},           {R::fps59_94d, {60000, 1001}, true},
        {R::fps60, {60, 1}, false},
    };
    for (const OracleRate& r : rates) {
        AVTimecode avtc;
        const int flags = AV_TIMECODE_FLAG_24HOURSMAX | (r.drop ? AV_TIMECODE_FLAG_DROPFRAME : 0);
        ASSERT_EQ(av_timecode_init(&avtc, r.avRate, flags, 0, nullptr), 0) << r.rate.description();

        Timecode tc;
        tc.setProperties({r.rate, Timecode::SubFramesBase::max80SubFrames, Timecode::UpperLimit::max24Hours});
        const std::int64_t total = r.rate.maxTotalFrames(Timecode::UpperLimit::max24Hours);
        int mismatches = 0;
        char expected[AV_TIMECODE_STR_SIZE];
        for (std::int64_t frame = 0; frame < total && mismatches < 5; ++frame) {
            tc.setComponents(Timecode::components({V::frames(frame), tc.subFramesBase()}, r.rate));
            av_timecode_make_string(&avtc, expected, int(frame));
            const std::string ours = tc.stringValue();
            if (ours != expected) {
                ++mismatches;
                ADD_FAILURE() << r.rate.description() << " frame " << frame << ": ours " << ours << ", libavutil "
                              << expected;
            }
        }
    }
}
