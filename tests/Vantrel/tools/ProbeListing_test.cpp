// Reading ffprobe's compact listing: what the verifier measures of one file.
#include <gtest/gtest.h>

#include "QtPrinting.h"
#include "Vantrel/tools/ProbeListing.h"

using namespace vantrel;
using Stream = ProbeListing::ProbeStream;

namespace {

const QByteArray sample =
    "packet|stream_index=2|size=4\n"
    "packet|stream_index=0|size=1000\n"
    "packet|stream_index=1|size=212|side_data|\n"
    "\n"
    "packet|stream_index=0|size=24\n"
    "stream|index=0|codec_name=mpeg4|codec_type=video|codec_tag_string=mp4v|width=160|height=120|pix_fmt=yuv420p\n"
    "stream|index=1|codec_name=aac|codec_type=audio|codec_tag_string=mp4a|sample_rate=48000\n"
    "stream|index=2|codec_name=unknown|codec_type=data|codec_tag_string=tmcd\n"
    "stream|index=3|codec_name=unknown|codec_type=video|codec_tag_string=a\\|b|width=0|height=0|pix_fmt=unknown\n"
    "stream|index=4|codec_name=unknown|codec_type=data|codec_tag_string=tmcd\n"
    "format|duration=2.0005\n";

ProbeListing parsed(const QByteArray& text, bool succeeded = true, qsizetype chunk = 0) {
    ProbeListing listing;
    if (chunk <= 0) chunk = text.size();
    for (qsizetype i = 0; i < text.size(); i += chunk) listing.feed(QByteArrayView(text).sliced(i, std::min(chunk, text.size() - i)));
    listing.finish(succeeded);
    return listing;
}

}  // namespace

TEST(ProbeListing, MeasuresStreamsPacketsAndDurationInAnyChunking) {
    for (const qsizetype chunk : {qsizetype(0), qsizetype(1), qsizetype(7), qsizetype(64)}) {
        SCOPED_TRACE(chunk);
        const ProbeListing listing = parsed(sample, true, chunk);
        EXPECT_EQ(listing.timecodeTrackCount(), 2);
        EXPECT_EQ(listing.streamParams(Stream::video), (StreamParams{"mpeg4", 160, 120, "yuv420p", std::nullopt}));
        EXPECT_EQ(listing.streamParams(Stream::audio), (StreamParams{"aac", std::nullopt, std::nullopt, std::nullopt, 48000}));
        EXPECT_EQ(listing.packetCount(Stream::video), 2);
        EXPECT_EQ(listing.packetBytes(Stream::video), 1024);
        EXPECT_EQ(listing.packetCount(Stream::audio), 1);
        EXPECT_EQ(listing.packetBytes(Stream::audio), 212);
        EXPECT_EQ(listing.durationMilliseconds(), 2001);  // rounded half away from zero
    }
}

TEST(ProbeListing, WhatCannotBeMeasuredIsMinusOneOrNothing) {
    // The first video stream has no codec name; the audio stream has no packets.
    const ProbeListing odd = parsed("stream|index=0|codec_name=unknown|codec_type=video|pix_fmt=unknown\n"
                                    "stream|index=1|codec_name=pcm_s16le|codec_type=audio|sample_rate=x\n"
                                    "format|duration=N/A");  // no final line break
    EXPECT_FALSE(odd.streamParams(Stream::video));
    EXPECT_EQ(odd.streamParams(Stream::audio), (StreamParams{"pcm_s16le", std::nullopt, std::nullopt, std::nullopt, std::nullopt}));
    EXPECT_EQ(odd.packetCount(Stream::audio), 0);
    EXPECT_EQ(odd.packetBytes(Stream::audio), -1);
    EXPECT_EQ(odd.durationMilliseconds(), -1);
    EXPECT_EQ(odd.timecodeTrackCount(), 0);

    const ProbeListing noAudio = parsed("stream|index=0|codec_name=h264|codec_type=video\n");
    EXPECT_EQ(noAudio.packetCount(Stream::audio), -1);
    EXPECT_FALSE(noAudio.streamParams(Stream::audio));

    const ProbeListing overflow = parsed("packet|stream_index=0|size=9223372036854775807\npacket|stream_index=0|size=1\n"
                                         "packet|stream_index=99999999|size=1\nstream|index=0|codec_name=h264|codec_type=video\n");
    EXPECT_EQ(overflow.packetCount(Stream::video), 2);
    EXPECT_EQ(overflow.packetBytes(Stream::video), -1);

    // A failed run measures nothing, whatever it printed.
    const ProbeListing failed = parsed(sample, false);
    EXPECT_EQ(failed.timecodeTrackCount(), -1);
    EXPECT_FALSE(failed.streamParams(Stream::video));
    EXPECT_EQ(failed.packetCount(Stream::video), -1);
    EXPECT_EQ(failed.packetBytes(Stream::audio), -1);
    EXPECT_EQ(failed.durationMilliseconds(), -1);
}
