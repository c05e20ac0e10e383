#include "Vantrel/queue/QueueFile.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <numeric>

namespace vantrel {

namespace {

Q_LOGGING_CATEGORY(lcQueueFile, "vantrel.QueueFile")

// A few threads for encoding: of low priority for a save nobody waits for, so
// that a long queue is encoded beside the window's own work, not in its way.
QThreadPool* encodingPool(bool urgent) {
    auto make = [](QThread::Priority priority) {
        auto* made = new QThreadPool;
        made->setObjectName(QStringLiteral("QueueFileEncoding"));
        made->setMaxThreadCount(std::max(1, QThread::idealThreadCount() / 2));
        made->setThreadPriority(priority);
        return made;
    };
    static QThreadPool* const background = make(QThread::LowPriority);
    static QThreadPool* const waitedFor = make(QThread::NormalPriority);
    return urgent ? waitedFor : background;
}

}  // namespace

QByteArray encodeQueueFile(const QList<CorrectionJob>& jobs, bool urgent) {
    if (jobs.isEmpty()) return QJsonDocument(QJsonArray()).toJson(QJsonDocument::Indented);
    // Each record is encoded on its own, a long queue in parallel pieces, and the
    // records are joined as the whole array's encoding has them: "[\n", the
    // records (indented one level) separated by ",\n", then "\n]\n".
    constexpr qsizetype piece = 128;
    QList<QByteArray> pieces((jobs.size() + piece - 1) / piece);
    auto encodePiece = [&jobs, &pieces](qsizetype index) {
        QByteArray& text = pieces[index];
        const qsizetype end = std::min(jobs.size(), (index + 1) * piece);
        for (qsizetype i = index * piece; i < end; ++i) {
            const QByteArray alone = QJsonDocument(QJsonArray{jobs[i].toJson()}).toJson(QJsonDocument::Indented);
            if (i > index * piece) text += ",\n";
            text += QByteArrayView(alone).sliced(2, alone.size() - 5);  // without "[\n" and "\n]\n"
        }
    };
    if (pieces.size() == 1) {
        encodePiece(0);
    } else {
        QList<qsizetype> indexes(pieces.size());
        std::iota(indexes.begin(), indexes.end(), 0);
        QtConcurrent::blockingMap(encodingPool(urgent), indexes, encodePiece);
    }
    qsizetype size = 6;
    for (const QByteArray& text : std::as_const(pieces)) size += text.size() + 2;
    QByteArray data;
    data.reserve(size);
    data += "[\n";
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (i > 0) data += ",\n";
        data += pieces[i];
    }
    data += "\n]\n";
    return data;
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
