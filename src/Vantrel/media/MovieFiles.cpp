#include "Vantrel/media/MovieFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QMimeDatabase>

#include <algorithm>

namespace vantrel {

namespace {

// "Any movie" has no single entry in the shared MIME database: every video type
// lives under the "video/" media type instead.
bool isVideoTypeName(const QString& name) { return name.startsWith(QLatin1String("video/")); }

}  // namespace

const QList<QMimeType>& acceptedMovieTypes() {
    static const QList<QMimeType> types = [] {
        QMimeDatabase db;
        QList<QMimeType> list{db.mimeTypeForName(QStringLiteral("video/quicktime")),
                              db.mimeTypeForName(QStringLiteral("video/mp4"))};
        // The general movie type: every video type the database knows, by name.
        for (const QMimeType& type : db.allMimeTypes()) {
            if (isVideoTypeName(type.name()) && !list.contains(type)) list.append(type);
        }
        return list;
    }();
    return types;
}

bool isAcceptedMovieType(const QMimeType& type) {
    if (!type.isValid()) return false;
    if (isVideoTypeName(type.name())) return true;
    const QStringList ancestors = type.allAncestors();
    return std::any_of(ancestors.cbegin(), ancestors.cend(), isVideoTypeName);
}

QString standardizedFilePath(const QString& path) {
    if (path.isEmpty()) return {};
    QString clean = QDir::cleanPath(QDir::isAbsolutePath(path) ? path : QDir::current().absoluteFilePath(path));
    // The parent of the root is the root itself; cleanPath keeps such leading "..".
    while (clean.startsWith(QLatin1String("/../")) || clean == QLatin1String("/..")) clean.remove(0, 3);
    return clean.isEmpty() ? QStringLiteral("/") : clean;
}

QStringList movieFilesInFolder(const QString& folder) {
    QStringList found;
    const QFileInfo root(standardizedFilePath(folder));
    if (!root.isDir()) return found;
    QMimeDatabase db;
    // Without QDir::Hidden the iterator neither lists hidden entries nor enters
    // hidden folders; without FollowSymlinks it does not enter linked folders.
    QDirIterator it(root.absoluteFilePath(), QDir::Files | QDir::NoSymLinks | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (!info.isFile() || info.isSymLink()) continue;
        if (!isAcceptedMovieType(db.mimeTypeForFile(info))) continue;
        found.append(info.filePath());
    }
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace vantrel
