#pragma once

// What tells one file from any other at the same name. A job records these of the
// files it makes, so that a later look can tell its own file from one that was put
// at the name since, or changed since, by someone else.

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

namespace vantrel {

// Which file a name stands for, however its content changes: the file system's own
// numbers for it, which no other file has while it exists. A run records this of
// the partial file it makes.
struct FileNode {
    quint64 device = 0;
    quint64 inode = 0;

    friend bool operator==(const FileNode&, const FileNode&) = default;
    // Whether the two are the same file, by the inode alone: a removable disk gets
    // another device number when it is attached again (after a crash, a reboot), and
    // a file is only ever looked for at its name in its own folder, on its own disk.
    bool isSameFile(const FileNode& other) const { return inode == other.inode; }

    // The file open at the descriptor; nothing when it cannot be asked.
    static std::optional<FileNode> ofOpen(int descriptor);

    // The numbers are kept as text: JSON numbers would round them beyond 2^53.
    QJsonObject toJson() const;
    static std::optional<FileNode> fromJson(const QJsonValue& value);
};

// The same numbers with the file's size and modification time: a job records this
// of the output it placed, which must be unchanged for a later run to write over it.
struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedSeconds = 0;  // since 1970, UTC
    qint64 modifiedNanoseconds = 0;

    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
    FileNode node() const { return {device, inode}; }
    // Whether the two are the same file (as FileNode tells it, the device aside) with
    // the same size and modification time.
    bool isSameUnchanged(const FileIdentity& other) const {
        return node().isSameFile(other.node()) && size == other.size && modifiedSeconds == other.modifiedSeconds &&
               modifiedNanoseconds == other.modifiedNanoseconds;
    }

    // The regular file at the path itself (a symbolic link is not followed);
    // nothing when there is none.
    static std::optional<FileIdentity> of(const QString& path);

    QJsonObject toJson() const;  // the numbers as FileNode keeps them
    static std::optional<FileIdentity> fromJson(const QJsonValue& value);
};

}  // namespace vantrel
