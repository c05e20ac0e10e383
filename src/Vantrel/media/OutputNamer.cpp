#include "Vantrel/media/OutputNamer.h"

#include "TimecodeCore/Timecode.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimeZone>

namespace vantrel::OutputNamer {

namespace {

// The zone the day of "{date}" is counted in: the system's, as it was on first use.
const QTimeZone& dateZone() {
    static const QTimeZone zone = QTimeZone::systemTimeZone();
    return zone;
}

QString standardized(const QString& path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }

bool namesOneFile(const QString& stem) {
    return !stem.isEmpty() && stem != u"." && stem != u".." && !stem.contains(u'/') && !stem.contains(QChar(0));
}

}  // namespace

QString makeName(const QString& sourcePath, const QString& pattern, const timecode::Timecode& timecode,
                 const QDateTime& date) {
    const QString fileName = QFileInfo(sourcePath).fileName();
    const qsizetype dot = fileName.lastIndexOf(u'.');
    const QString name = dot > 0 ? fileName.left(dot) : fileName;

    QString tc = QString::fromStdString(timecode.stringValue());
    tc.replace(u':', u'-').replace(u';', u'-');
    const QString day = date.toTimeZone(dateZone()).date().toString(QStringLiteral("yyyy-MM-dd"));

    QString stem = pattern;
    stem.replace(QStringLiteral("{name}"), name);
    stem.replace(QStringLiteral("{tc}"), tc);
    stem.replace(QStringLiteral("{date}"), day);
    if (stem.endsWith(QStringLiteral(".mov"), Qt::CaseInsensitive)) stem.chop(4);
    stem.replace(u'/', u'-').replace(QChar(0), u'-');
    return stem;
}

std::variant<QString, OutputNamerError> freeOutputPath(const QString& folder, const QString& stem,
                                                       const QString& sourcePath,
                                                       const std::function<bool(const QString&)>& isTaken) {
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
        if (QFile::encodeName(name + QStringLiteral(".mov")).size() > maxFileNameBytes)
            return OutputNamerError::nameTooLong;
        const QFileInfo info(candidate);
        if (info.exists() || info.isSymLink() || (isTaken && isTaken(candidate))) continue;
        return candidate;
    }
}

QString errorDescription(OutputNamerError error) {
    switch (error) {
    case OutputNamerError::sameAsSource:
        return QStringLiteral("Output would replace the source — change the output folder or name pattern");
    case OutputNamerError::invalidName:
        return QStringLiteral("Name pattern gives no file name — change the name pattern");
    case OutputNamerError::nameTooLong:
        return QStringLiteral("Output name is over %1 bytes — shorten the name pattern").arg(maxFileNameBytes);
    }
    return {};
}

}  // namespace vantrel::OutputNamer
