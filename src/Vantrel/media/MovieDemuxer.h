#pragma once

#include <QString>

struct AVFormatContext;

namespace vantrel {

// Opens a movie file with libavformat's QuickTime/MPEG-4 demuxer for reading its
// header, metadata and samples in process. Only regular files are opened, only
// through the plain file protocol (no URLs, no external data references), and
// the library's own console logging is silenced. Closes the file when destroyed.
class MovieDemuxer {
public:
    explicit MovieDemuxer(const QString& path);
    ~MovieDemuxer();
    MovieDemuxer(const MovieDemuxer&) = delete;
    MovieDemuxer& operator=(const MovieDemuxer&) = delete;

    bool isOpen() const { return context_ != nullptr; }
    // Why opening failed, in the library's words ("Invalid data found when
    // processing input", "No such file or directory", ...); empty when open.
    const QString& errorText() const { return errorText_; }
    AVFormatContext* context() const { return context_; }

private:
    AVFormatContext* context_ = nullptr;
    QString errorText_;
};

// The text libav gives for one of its error codes.
QString libavErrorText(int code);

}  // namespace vantrel
