#include "Vantrel/media/MovieFiles.h"

#include <QDir>
#include <QFile>
#include <QDirIterator>
#include <QFileInfo>
#include <QMimeDatabase>

#include <algorithm>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace vantrel {

namespace {

// "Any movie" has no single entry in the shared MIME database: every video type
// lives under the "video/" media type instead.
bool isVideoTypeName(const QString& name) { return name.startsWith(QLatin1String("video/")); }

// The names in a folder, not hidden, of regular files and folders (the folders
// with a trailing "/") whose bytes do not survive decoding into text: Qt can
// neither list nor open them. Decoded with the replacement character.
QStringList undecodableNames(const QString& folder) {
    QStringList names;
    const QByteArray native = QFile::encodeName(folder);
    DIR* dir = ::opendir(native.constData());
    if (!dir) return names;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray raw(entry->d_name);
        if (raw.startsWith('.')) continue;
        const QString name = QFile::decodeName(raw);
        if (QFile::encodeName(name) == raw) continue;
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN) {
            struct stat info;
            if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
            type = S_ISREG(info.st_mode) ? DT_REG : S_ISDIR(info.st_mode) ? DT_DIR : DT_UNKNOWN;
        }
        if (type == DT_REG) names.append(name);
        else if (type == DT_DIR) names.append(name + u'/');
    }
    ::closedir(dir);
    return names;
}

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

QStringList movieFilesInFolder(const QString& folder) { return scanMovieFolder(folder).movies; }

MovieFolderScan scanMovieFolder(const QString& folder) {
    MovieFolderScan scan;
    const QFileInfo root(standardizedFilePath(folder));
    if (!root.isDir()) return scan;
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
        scan.movies.append(info.filePath());
    }
    // Qt's iterator passes over names it cannot decode without a word; the
    // folders it walked are listed again here for them.
    QStringList folders{root.absoluteFilePath()};
    QDirIterator dirs(root.absoluteFilePath(), QDir::Dirs | QDir::NoSymLinks | QDir::NoDotAndDotDot,
                      QDirIterator::Subdirectories);
    while (dirs.hasNext()) folders.append(dirs.next());
    for (const QString& path : std::as_const(folders)) {
        for (const QString& name : undecodableNames(path)) {
            // Only names that say movie, and folders (whose movies are lost with them), are worth a word.
            const QString full = path + u'/' + name;
            if (name.endsWith(u'/') || isAcceptedMovieType(db.mimeTypeForFile(name, QMimeDatabase::MatchExtension)))
                scan.unopenable.append(full);
        }
    }
    std::sort(scan.movies.begin(), scan.movies.end());
    std::sort(scan.unopenable.begin(), scan.unopenable.end());
    return scan;
}

}  // namespace vantrel
