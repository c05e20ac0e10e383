#pragma once

// Bookmarks keep track of a file or folder the user chose, so that a job can find
// it again after a restart. A bookmark records the absolute path and the item's
// identity (device, inode, and for files size and modification time); a file that
// was renamed inside its folder is found again under its new name.
//
// Access to a bookmarked item is bracketed by start/stop calls; on this platform
// nothing needs granting, so a start succeeds whenever the item exists. The calls
// are counted per path so that unbalanced use shows up.

#include <QByteArray>
#include <QString>

#include <optional>

namespace vantrel {

struct BookmarkResolution {
    QString path;          // where the item is now
    bool isStale = false;  // the bookmark should be made again from `path`
};

// The bookmark of an existing file or folder; nothing when it does not exist.
std::optional<QByteArray> makeBookmark(const QString& path);

// Where the bookmarked item is now; nothing when the data is not a bookmark or
// the item can no longer be found.
std::optional<BookmarkResolution> resolveBookmark(const QByteArray& data);

// True when access started (the item exists); every true must be matched by a stop.
bool startAccessingSecurityScopedResource(const QString& path);
void stopAccessingSecurityScopedResource(const QString& path);

// How many started accesses to the path are not stopped yet.
int startedAccessCount(const QString& path);

}  // namespace vantrel
