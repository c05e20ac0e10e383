#pragma once

// What tells one file from any other at the same name: the file system's own
// numbers for it, with its size and modification time. A job records this of the
// output it placed, so that a later run of the job can tell its own output from a
// file that was put at the name since, or changed since, by someone else.

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

namespace vantrel {

struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedSeconds = 0;  // since 1970, UTC
    qint64 modifiedNanoseconds = 0;

    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;

    // The regular file at the path itself (a symbolic link is not followed);
    // nothing when there is none.
    static std::optional<FileIdentity> of(const QString& path);

    // The device and inode numbers are kept as text: JSON numbers would round
    // them beyond 2^53.
    QJsonObject toJson() const;
    static std::optional<FileIdentity> fromJson(const QJsonValue& value);
};

}  // namespace vantrel
