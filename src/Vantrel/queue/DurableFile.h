#pragma once

// Replacing a file's content all or nothing: the new bytes go to a temporary file
// beside it, which is flushed, synced to disk and checked for its full size before
// it is renamed over the old one. On any failure the previous file stays as it was.

#include <QByteArray>
#include <QFileDevice>
#include <QString>

#include <functional>
#include <optional>

namespace vantrel {

// Puts the bytes into the open temporary file; false when it could not.
using FileByteWriter = std::function<bool(QFileDevice& file, const QByteArray& data)>;

// Nothing on success, else why the file was left as it was. The writer defaults to a
// plain write of all the bytes (tests pass one that fails in their own way).
std::optional<QString> replaceFileContents(const QString& path, const QByteArray& data,
                                           const FileByteWriter& writer = {});

// Makes a finished rename in the folder durable (its entry is flushed to disk).
void syncFolder(const QString& folder);

}  // namespace vantrel
