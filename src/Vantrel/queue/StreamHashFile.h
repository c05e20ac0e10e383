#pragma once

// The temporary file a stream-hash run has ffmpeg write its hashes to:
// "vantrel-streamhash-" + an upper-case UUID + ".txt" in the temporary folder.
//
// The run holds the file (HeldFile.h) from its making to its removal, so a file of
// this naming that nobody holds was left by a process that was killed mid-run, and
// a sweep may remove it; a file a live run uses, in this process or any other,
// stays. ffmpeg opens the existing file at the path (and truncates it) rather than
// making a new one, so what it writes lands in the held file; the run reads it
// back through its own descriptor all the same.

#include "Vantrel/queue/HeldFile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace vantrel {

class StreamHashFile {
public:
    // A new, empty file in the folder, held; nothing when none can be made.
    static std::optional<StreamHashFile> create(const QString& folder);
    // Removes the file, then lets go of it.
    ~StreamHashFile() { file_.remove(); }
    StreamHashFile(StreamHashFile&& other) noexcept = default;
    StreamHashFile& operator=(StreamHashFile&& other) noexcept {
        if (this != &other) {
            file_.remove();
            file_ = std::move(other.file_);
        }
        return *this;
    }
    StreamHashFile(const StreamHashFile&) = delete;
    StreamHashFile& operator=(const StreamHashFile&) = delete;

    const QString& path() const { return file_.path(); }
    // Everything in the file now; nothing when it cannot be read.
    std::optional<QByteArray> readAll() const;

    // Whether a file name has this naming.
    static bool isHashFileName(const QString& name);
    // Removes the files of this naming in the folder that no live run holds, and
    // nothing else; on the calling thread. Returns the paths it removed.
    static QStringList sweep(const QString& folder);

private:
    explicit StreamHashFile(HeldFile file) : file_(std::move(file)) {}

    HeldFile file_;
};

}  // namespace vantrel
