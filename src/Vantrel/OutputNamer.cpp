#include "OutputNamer.h"


#include <QDir>
#include <QFileInfo>

namespace vantrel::OutputNamer {

namespace {

QString standardized(const QString& path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }

bool namesOneFile(const QString& stem) {
    return !stem.isEmpty() && stem != u"." && stem != u".." && !stem.contains(u'/') && !stem.contains(QChar(0));
}

}  // namespace

std::variant<QString, OutputNamerError> freeOutputPath(const QString& folder, const QString& stem,
                                                       const QString& sourcePath) {
    if (!namesOneFile(stem)) return OutputNamerError::invalidName;
    const QDir outputFolder(standardized(folder));
    const QString source = standardized(sourcePath);
    for (qint64 n = 1;; ++n) {
        const QString name = n == 1 ? stem : stem + u'-' + QString::number(n);
        const QString candidate = QDir::cleanPath(outputFolder.filePath(name + QStringLiteral(".mov")));
        if (candidate == source) {
            if (n == 1) return OutputNamerError::sameAsSource;
            continue;
        }
        const QFileInfo info(candidate);
        if (info.exists() || info.isSymLink()) continue;
        return candidate;
    }
}

QString errorDescription(OutputNamerError error) {
    switch (error) {
    case OutputNamerError::sameAsSource:
        return QStringLiteral("The operation couldn’t be completed. (OutputNamer.OutputNamerError error 0.)");
    case OutputNamerError::invalidName:
        return QStringLiteral("The operation couldn’t be completed. (OutputNamer.OutputNamerError error 1.)");
    }
    return {};
}

}  // namespace vantrel::OutputNamer
