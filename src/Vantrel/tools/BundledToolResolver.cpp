#include "Vantrel/tools/BundledToolResolver.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <unistd.h>

namespace vantrel {

namespace {

QString executableFolder() {
    if (QCoreApplication::instance()) return QCoreApplication::applicationDirPath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(QLatin1Char('/'), 0, -2);
}

std::optional<QString> executableIn(const QString& folder, const QString& name) {
    if (folder.isEmpty()) return std::nullopt;
    const QString path = QFileInfo(folder + QLatin1Char('/') + name).absoluteFilePath();
    if (BundledToolResolver::isExecutableFile(path)) return path;
    return std::nullopt;
}

}  // namespace

BundledToolResolver::SearchList BundledToolResolver::defaultSearchList() {
    return {executableFolder() + QStringLiteral("/Helpers"),
            {QStringLiteral("/usr/local/bin"), QStringLiteral("/usr/bin")}};
}

BundledToolResolver::BundledToolResolver() = default;

BundledToolResolver::BundledToolResolver(SearchList searchList) : searchList_(std::move(searchList)) {}

QString BundledToolResolver::rawValue(Tool tool) {
    return tool == Tool::ffprobe ? QStringLiteral("ffprobe") : QStringLiteral("ffmpeg");
}

bool BundledToolResolver::isExecutableFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile()) return false;
    return ::access(QFile::encodeName(info.absoluteFilePath()).constData(), X_OK) == 0;
}

std::optional<QString> BundledToolResolver::resolve(Tool tool) const {
    const SearchList list = searchList_ ? *searchList_ : defaultSearchList();
    if (auto found = executableIn(list.helpersFolder, rawValue(tool))) return found;
    return systemToolURL(tool);
}

bool BundledToolResolver::isAvailable(Tool tool) const { return resolve(tool).has_value(); }

std::optional<QString> BundledToolResolver::systemToolURL(Tool tool) const {
    const QStringList folders = searchList_ ? searchList_->systemFolders : defaultSearchList().systemFolders;
    for (const QString& folder : folders) {
        if (auto found = executableIn(folder, rawValue(tool))) return found;
    }
    return std::nullopt;
}

}  // namespace vantrel
