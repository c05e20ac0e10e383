#include "Vantrel/queue/StreamHashFile.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QUuid>

#include <cerrno>

#include <unistd.h>

namespace vantrel {

std::optional<StreamHashFile> StreamHashFile::create(const QString& folder) {
    // A name taken (by a sweep elsewhere too, which took a file made a moment ago
    // for a leftover) is passed over for the next.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const QString path = QDir(folder).absoluteFilePath(
            QStringLiteral("vantrel-streamhash-%1.txt").arg(QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()));
        int error = 0;
        if (auto file = HeldFile::create(path, 0600, &error)) return StreamHashFile(std::move(*file));
        if (error != EEXIST) return std::nullopt;
    }
    return std::nullopt;
}

std::optional<QByteArray> StreamHashFile::readAll() const {
    const int descriptor = file_.descriptor();
    if (descriptor < 0) return std::nullopt;
    QByteArray bytes;
    char buffer[16 * 1024];
    for (off_t offset = 0;;) {
        const ssize_t count = ::pread(descriptor, buffer, sizeof buffer, offset);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return std::nullopt;
        if (count == 0) return bytes;
        bytes.append(buffer, count);
        offset += count;
    }
}

bool StreamHashFile::isHashFileName(const QString& name) {
    static const QRegularExpression naming(
        QStringLiteral("^vantrel-streamhash-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\.txt$"));
    return naming.match(name).hasMatch();
}

QStringList StreamHashFile::sweep(const QString& folder) {
    QStringList removed;
    const QDir dir(folder);
    const QStringList names = dir.entryList({QStringLiteral("vantrel-streamhash-*.txt")},
                                            QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    for (const QString& name : names) {
        if (!isHashFileName(name)) continue;
        const QString path = dir.absoluteFilePath(name);
        if (HeldFile::removeUnheld(path)) removed << path;
    }
    return removed;
}

}  // namespace vantrel
