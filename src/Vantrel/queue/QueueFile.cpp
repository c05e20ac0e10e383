#include "Vantrel/queue/QueueFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>

namespace vantrel {

namespace {
Q_LOGGING_CATEGORY(lcQueueFile, "vantrel.QueueFile")
}

QByteArray encodeQueueFile(const QList<CorrectionJob>& jobs) {
    QJsonArray array;
    for (const auto& job : jobs) array.append(job.toJson());
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

QueueFileContents decodeQueueFile(const QByteArray& data) {
    QueueFileContents contents;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray()) {
        contents.isUnreadable = true;
        return contents;
    }
    for (const QJsonValue& element : document.array()) {
        QString why;
        if (auto job = CorrectionJob::fromJson(element, &why)) {
            contents.jobs.append(std::move(*job));
        } else {
            ++contents.unreadableRecords;
            qCWarning(lcQueueFile).noquote() << "Skipping an unreadable job record:" << why;
        }
    }
    return contents;
}

}  // namespace vantrel
