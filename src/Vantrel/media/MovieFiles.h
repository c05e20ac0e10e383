#pragma once

#include <QMimeType>
#include <QString>
#include <QStringList>

namespace vantrel {

// The movie types a source may have: QuickTime movie, MPEG-4 movie and any other
// movie type, in that order. A file's type is decided from its name and, when the
// name says nothing, its content.
const QList<QMimeType>& acceptedMovieTypes();

// True when the type is, or derives from, one of the accepted movie types.
bool isAcceptedMovieType(const QMimeType& type);

// The absolute form of a path with "." and ".." components and doubled or
// trailing separators removed ("/.." is "/"). Symbolic links are not followed. Empty for an
// empty path.
QString standardizedFilePath(const QString& path);

// The movie files under a folder, at every depth, sorted by path. Hidden files
// and folders are left out and symbolic links are not followed; only regular
// files whose type is an accepted movie type are taken. A folder that cannot be
// read gives an empty list.
QStringList movieFilesInFolder(const QString& folder);

// The same walk, also giving what it had to leave out because the name is not
// valid UTF-8, so that Qt can neither list nor open it: files whose name says
// movie, and folders (with a trailing "/"), as paths with the undecodable bytes
// replaced, sorted.
struct MovieFolderScan {
    QStringList movies;
    QStringList unopenable;
};
MovieFolderScan scanMovieFolder(const QString& folder);

}  // namespace vantrel
