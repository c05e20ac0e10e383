#include "Vantrel/queue/JobStatus.h"

#include "Vantrel/queue/JsonCoding.h"

#include <QStringList>

namespace vantrel {

QString jobStatusTypeName(JobStatus::Kind kind) {
    switch (kind) {
    case JobStatus::Kind::pending: return QStringLiteral("pending");
    case JobStatus::Kind::preparing: return QStringLiteral("preparing");
    case JobStatus::Kind::active: return QStringLiteral("active");
    case JobStatus::Kind::completed: return QStringLiteral("completed");
    case JobStatus::Kind::cancelled: return QStringLiteral("cancelled");
    case JobStatus::Kind::failed: return QStringLiteral("failed");
    }
    return QStringLiteral("pending");
}

QJsonObject JobStatus::toJson() const {
    QJsonObject object{{QStringLiteral("type"), jobStatusTypeName(kind)}};
    if (kind == Kind::failed) object.insert(QStringLiteral("errorMessage"), errorMessage);
    return object;
}

std::optional<JobStatus> JobStatus::fromJson(const QJsonValue& value) {
    if (!value.isObject()) return std::nullopt;
    const QJsonObject object = value.toObject();
    const auto type = json::string(object.value(QLatin1StringView("type")));
    if (!type) return std::nullopt;
    for (Kind kind : {Kind::pending, Kind::preparing, Kind::active, Kind::completed, Kind::cancelled}) {
        if (*type == jobStatusTypeName(kind)) return JobStatus{kind, {}};
    }
    if (*type == u"failed") {
        const auto message = json::string(object.value(QLatin1StringView("errorMessage")));
        if (!message) return std::nullopt;
        return failed(*message);
    }
    return pending();
}

QString failureCause(const QString& message, int maxLines) {
    constexpr qsizetype longestLine = 300;
    QStringList kept;
    bool cut = false;
    // From the end backwards ("\n" or "\r" ends a line), so that megabytes of
    // text cost no more than their tail.
    qsizetype end = message.size();
    while (end > 0) {
        qsizetype start = end;
        while (start > 0 && message[start - 1] != QLatin1Char('\n') && message[start - 1] != QLatin1Char('\r')) --start;
        const QStringView line = QStringView(message).mid(start, end - start).trimmed();
        end = start > 0 ? start - 1 : 0;
        if (line.isEmpty()) continue;
        if (kept.size() == maxLines) {
            cut = true;
            break;
        }
        kept.prepend(line.size() > longestLine ? line.left(longestLine - 1).toString() + QChar(0x2026) : line.toString());
    }
    if (cut) kept.prepend(QString(QChar(0x2026)));
    return kept.join(QLatin1Char('\n'));
}

}  // namespace vantrel
