#pragma once

#include "Vantrel/tools/BundledToolResolver.h"
#include "Vantrel/tools/FFmpegWrapper.h"
#include "Vantrel/tools/StreamParams.h"

#include <QByteArray>
#include <QList>

#include <functional>
#include <optional>
#include <vector>

namespace vantrel {

// Everything the verifier measures of one movie, from a single ffprobe run: the
// streams with their codec parameters, the container duration, and the number and
// byte sum of each stream's packets. ffprobe writes one short line per packet in
// its compact format; the lines are tallied as they arrive, so the memory used does
// not grow with the length of the movie.
//
// The measurements answer like the single-purpose probes of FFmpegWrapper: -1 or
// nothing for what cannot be measured, and everything fails together when the run
// fails.
class ProbeListing {
public:
    using ProbeStream = FFmpegWrapper::ProbeStream;

    // One stream as ffprobe lists it.
    struct Stream {
        int index = -1;
        QByteArray type;  // "video", "audio", "subtitle", "data", …
        QByteArray tag;
        bool attachedPicture = false;         // a still shown as the file's cover, not a moving picture
        std::optional<StreamParams> params;  // nothing when the codec has no name
    };

    // Runs ffprobe on the file; stops it when shouldStop() turns true (the listing
    // then counts as failed).
    static ProbeListing probe(const BundledToolResolver& resolver, const QString& file,
                              const std::function<bool()>& shouldStop = {});
    // ffprobe's arguments for the file.
    static QStringList arguments(const QString& file);

    // Parsing, for a listing read elsewhere: feed the output in chunks of any size,
    // then finish with whether the run ended with exit status 0.
    void feed(QByteArrayView bytes);
    void finish(bool succeeded);

    bool succeeded() const { return succeeded_; }
    // Streams tagged "tmcd".
    int timecodeTrackCount() const;
    std::optional<StreamParams> streamParams(ProbeStream stream) const;
    qint64 packetCount(ProbeStream stream) const;
    // -1 also when the stream has no packets at all.
    qint64 packetBytes(ProbeStream stream) const;
    // Container duration in milliseconds.
    qint64 durationMilliseconds() const { return succeeded_ ? durationMs_ : -1; }
    // Every stream in file order; none when the run failed.
    QList<Stream> streams() const { return succeeded_ ? streams_ : QList<Stream>(); }

private:
    struct Tally {
        qint64 packets = 0;
        qint64 bytes = 0;
        bool bytesOverflowed = false;
    };

    void parseLine(QByteArrayView line);
    void parsePacket(QByteArrayView fields);
    void parseStream(QByteArrayView fields);
    const Stream* first(ProbeStream stream) const;
    const Tally* tally(ProbeStream stream) const;

    QList<Stream> streams_;
    std::vector<Tally> tallies_;  // by stream index
    qint64 durationMs_ = -1;
    QByteArray partialLine_;
    bool overlongLine_ = false;
    bool succeeded_ = false;
};

}  // namespace vantrel
