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

}  // namespace vantrel
