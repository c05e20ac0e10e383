#include "Vantrel/media/MovieDemuxer.h"

#include <QFile>

#include <mutex>
#include <sys/stat.h>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
}

namespace vantrel {

QString libavErrorText(int code) {
    char buffer[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buffer, sizeof buffer);
    return QString::fromUtf8(buffer);
}

MovieDemuxer::MovieDemuxer(const QString& path) {
    // Damaged files make the demuxer complain on stderr; failures reach the
    // caller as values instead.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });

    const QByteArray encoded = QFile::encodeName(path);
    struct stat info {};
    if (encoded.isEmpty() || ::stat(encoded.constData(), &info) != 0) {
        errorText_ = libavErrorText(AVERROR(ENOENT));
        return;
    }
    // A FIFO or a device would block or never end: only regular files are movies.
    if (!S_ISREG(info.st_mode)) {
        errorText_ = QStringLiteral("Not a regular file");
        return;
    }

    const AVInputFormat* format = av_find_input_format("mov");
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    // The explicit protocol keeps names such as "concat:x" or "-x" plain file names.
    const QByteArray url = QByteArrayLiteral("file:") + encoded;
    AVFormatContext* context = nullptr;
    const int status = avformat_open_input(&context, url.constData(), format, &options);
    av_dict_free(&options);
    if (status < 0) {
        errorText_ = libavErrorText(status);
        return;
    }
    context_ = context;
}

MovieDemuxer::~MovieDemuxer() {
    if (context_) avformat_close_input(&context_);
}

}  // namespace vantrel
