#include "Vantrel/queue/QueueFile.h"

#include <QHash>
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
    QHash<QUuid, QJsonValue> seen;  // the first record of each id
    for (const QJsonValue& element : document.array()) {
        QString why;
        if (auto job = CorrectionJob::fromJson(element, &why)) {
            const auto first = seen.constFind(job->id);
            if (first == seen.constEnd()) {
                seen.insert(job->id, element);
            } else if (*first == element) {
                ++contents.repeatedRecords;
                qCWarning(lcQueueFile).noquote() << "Skipping a repeated job record:" << job->id.toString(QUuid::WithoutBraces);
                continue;
            } else {
                const QUuid taken = job->id;
                job->id = QUuid::createUuid();
                ++contents.reassignedIds;
                qCWarning(lcQueueFile).noquote() << "A job record's id" << taken.toString(QUuid::WithoutBraces)
                                                 << "is taken; it is now" << job->id.toString(QUuid::WithoutBraces);
                seen.insert(job->id, element);
            }
            contents.jobs.append(std::move(*job));
        } else {
            ++contents.unreadableRecords;
            qCWarning(lcQueueFile).noquote() << "Skipping an unreadable job record:" << why;
        }
    }
    return contents;
}

}  // namespace vantrel
